#include "core/ini_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
#include <unordered_set>

#include "core/file_procs.h"
#include "core/fs_name.h"
#include "core/number_format.h"
#include "core/str_util.h"
#include "platform/text_encoding.h"

namespace tv {

namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

bool HasLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

bool ValidSectionName(std::string_view s) { return !s.empty() && !HasLineBreak(s) && s.find(']') == s.npos; }

bool ValidKeyName(std::string_view k) {
    return !k.empty() && !HasLineBreak(k) && k.find('=') == k.npos && k.front() != '[' && k.front() != ';';
}

bool IsBlankLine(std::string_view raw) { return TrimBlanks(raw).empty(); }

}  // namespace

// ---------------------------------------------------------------- document

IniDocument IniDocument::Parse(std::string_view bytes) {
    IniDocument doc;
    size_t pos = 0;
    while (pos < bytes.size()) {
        size_t end = bytes.find('\n', pos);
        std::string_view line = bytes.substr(pos, end == bytes.npos ? bytes.npos : end - pos);
        pos = end == bytes.npos ? bytes.size() : end + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);

        size_t start = 0;
        while (start < line.size() && IsBlankOrTab(line[start])) ++start;
        if (start < line.size() && line[start] == '[') {
            std::string_view rest = line.substr(start + 1);
            Section s;
            s.name = std::string(TrimBlanks(rest.substr(0, rest.find(']'))));
            s.raw = std::string(line);
            doc.sections_.push_back(std::move(s));
            continue;
        }
        Line l;
        l.raw = std::string(line);
        size_t eq = line.find('=');
        if (eq != line.npos && start < line.size() && line[start] != ';') {
            std::string_view key = TrimBlanks(line.substr(start, eq - start));
            if (!key.empty()) {
                l.key = std::string(key);
                size_t v = eq + 1;
                while (v < line.size() && IsBlankOrTab(line[v])) ++v;
                l.valuePos = v;
            }
        }
        if (doc.sections_.empty()) {
            Section pre;
            pre.header = false;
            doc.sections_.push_back(std::move(pre));
        }
        doc.sections_.back().lines.push_back(std::move(l));
    }
    return doc;
}

std::string IniDocument::Serialize() const {
    std::string out;
    for (const Section& s : sections_) {
        if (s.header) out.append(s.raw).append("\r\n");
        for (const Line& l : s.lines) out.append(l.raw).append("\r\n");
    }
    return out;
}

namespace {
std::string LowerName(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = Lower(c);
    return out;
}
}  // namespace

IniDocument::Section* IniDocument::find(std::string_view section) {
    if (!indexValid_) {
        index_.clear();
        for (size_t i = 0; i < sections_.size(); ++i)
            if (sections_[i].header) index_.emplace(LowerName(sections_[i].name), i);
        indexValid_ = true;
    }
    auto it = index_.find(LowerName(section));
    return it == index_.end() ? nullptr : &sections_[it->second];
}

const IniDocument::Section* IniDocument::find(std::string_view section) const {
    return const_cast<IniDocument*>(this)->find(section);
}

const IniDocument::Line* IniDocument::findKey(const Section& s, std::string_view key) {
    // By hash: a route of 100,000 points looks up 200,000 keys of one section.
    if (!s.keyIndexValid) {
        s.keyIndex.clear();
        s.keyIndex.reserve(s.lines.size());
        for (size_t i = 0; i < s.lines.size(); ++i)
            if (!s.lines[i].key.empty()) s.keyIndex.emplace(LowerName(s.lines[i].key), i);
        s.keyIndexValid = true;
    }
    const auto it = s.keyIndex.find(LowerName(key));
    return it == s.keyIndex.end() ? nullptr : &s.lines[it->second];
}

std::vector<std::string> IniDocument::sections() const {
    std::vector<std::string> names;
    for (const Section& s : sections_)
        if (s.header && find(s.name) == &s) names.push_back(s.name);
    return names;
}

namespace {

// Lines of a section that carry the first spelling of their key. One hash
// set instead of a search back per line: sections of tens of thousands of
// keys are read in linear time.
template <class Lines, class Fn>
void EachFirstKey(const Lines& lines, Fn&& fn) {
    std::unordered_set<std::string> seen;
    seen.reserve(lines.size());
    for (const auto& l : lines)
        if (!l.key.empty() && seen.insert(LowerName(l.key)).second) fn(l);
}

}  // namespace

std::vector<std::string> IniDocument::keys(std::string_view section) const {
    std::vector<std::string> out;
    if (const Section* s = find(section)) EachFirstKey(s->lines, [&](const Line& l) { out.push_back(l.key); });
    return out;
}

std::vector<std::pair<std::string, std::string>> IniDocument::values(std::string_view section, bool verbatim) const {
    std::vector<std::pair<std::string, std::string>> out;
    if (const Section* s = find(section))
        EachFirstKey(s->lines, [&](const Line& l) {
            out.emplace_back(l.key, l.raw.substr(verbatim ? l.raw.find('=') + 1 : l.valuePos));
        });
    return out;
}

bool IniDocument::hasSection(std::string_view section) const { return find(section) != nullptr; }

bool IniDocument::hasKey(std::string_view section, std::string_view key) const {
    const Section* s = find(section);
    return s && findKey(*s, key);
}

std::optional<std::string> IniDocument::get(std::string_view section, std::string_view key) const {
    const Section* s = find(section);
    if (!s) return std::nullopt;
    const Line* l = findKey(*s, key);
    if (!l) return std::nullopt;
    return l->raw.substr(l->valuePos);
}

std::optional<std::string> IniDocument::getVerbatim(std::string_view section, std::string_view key) const {
    const Section* s = find(section);
    if (!s) return std::nullopt;
    const Line* l = findKey(*s, key);
    if (!l) return std::nullopt;
    return l->raw.substr(l->raw.find('=') + 1);
}

bool IniDocument::set(std::string_view section, std::string_view key, std::string_view value) {
    section = TrimBlanks(section);
    key = TrimBlanks(key);
    if (!ValidSectionName(section) || !ValidKeyName(key)) return false;
    std::string v(value);
    for (char& c : v)
        if (c == '\r' || c == '\n') c = ' ';

    Section* s = find(section);
    if (!s) {
        if (!sections_.empty()) {
            Section& last = sections_.back();
            bool endsBlank = last.lines.empty() ? (last.header && IsBlankLine(last.raw)) : IsBlankLine(last.lines.back().raw);
            if (!endsBlank) last.lines.push_back(Line{});
        }
        Section fresh;
        fresh.name = std::string(section);
        fresh.raw = "[" + fresh.name + "]";
        sections_.push_back(std::move(fresh));
        indexValid_ = false;
        s = &sections_.back();
    }
    if (const Line* existing = findKey(*s, key)) {
        Line& l = const_cast<Line&>(*existing);
        l.raw = l.key + "=" + v;
        l.valuePos = l.key.size() + 1;
        return true;
    }
    size_t at = s->lines.size();
    while (at > 0 && IsBlankLine(s->lines[at - 1].raw)) --at;
    Line l;
    l.key = std::string(key);
    l.raw = l.key + "=" + v;
    l.valuePos = l.key.size() + 1;
    // Appended: the index stays valid; inserted before lines: they moved.
    if (at == s->lines.size() && s->keyIndexValid)
        s->keyIndex.emplace(LowerName(l.key), at);
    else
        s->keyIndexValid = false;
    s->lines.insert(s->lines.begin() + static_cast<std::ptrdiff_t>(at), std::move(l));
    return true;
}

bool IniDocument::eraseSection(std::string_view section) {
    size_t before = sections_.size();
    std::erase_if(sections_, [&](const Section& s) { return s.header && SameName(s.name, section); });
    indexValid_ = false;
    return sections_.size() != before;
}

bool IniDocument::deleteKey(std::string_view section, std::string_view key) {
    Section* s = find(section);
    if (!s) return false;
    const Line* l = findKey(*s, key);
    if (!l) return false;
    s->lines.erase(s->lines.begin() + (l - s->lines.data()));
    s->keyIndexValid = false;
    return true;
}

// ---------------------------------------------------------------- file binding

namespace {

std::mutex& HandlerMutex() {
    static std::mutex m;
    return m;
}

IniWriteFailureHandler& Handler() {
    static IniWriteFailureHandler h;
    return h;
}

struct Stamp {
    bool exists = false;
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    long long mtimeNs = 0;
    bool regular = false;
    mode_t mode = 0;
    bool operator==(const Stamp& o) const {
        return exists == o.exists && dev == o.dev && ino == o.ino && size == o.size && mtimeNs == o.mtimeNs &&
               regular == o.regular;
    }
};

Stamp StampOf(const std::string& path) {
    Stamp st;
    struct stat sb {};
    if (::stat(FsName(path).c_str(), &sb) != 0) return st;
    st.exists = true;
    st.dev = sb.st_dev;
    st.ino = sb.st_ino;
    st.size = sb.st_size;
    st.mtimeNs = static_cast<long long>(sb.st_mtim.tv_sec) * 1000000000LL + sb.st_mtim.tv_nsec;
    st.regular = S_ISREG(sb.st_mode);
    st.mode = sb.st_mode & 07777;
    return st;
}

std::string SysText(int err) { return Utf8ToCp1252(std::strerror(err)); }

Error FileError(const std::string& text, int err) {
    return Error{err ? err : EIO, text + " (" + SysText(err ? err : EIO) + ")"};
}

// A failure leaves the old file as it was. A new file is readable by its
// owner only: it may hold a password.
Result<void> ReplaceFile(const std::string& path, const std::string& bytes) {
    AtomicWriteOptions options;
    options.newFileMode = 0600;
    AtomicFileWriter out(path, options);
    out.Write(bytes);
    if (!out.Commit()) return FileError(WriteErrorText(path), out.error());
    return {};
}

}  // namespace

void SetIniWriteFailureHandler(IniWriteFailureHandler handler) {
    std::lock_guard<std::mutex> lock(HandlerMutex());
    Handler() = std::move(handler);
}

namespace detail {

struct SharedIni {
    std::recursive_mutex mutex;
    std::string path;  // canonical
    IniDocument doc;
    Stamp stamp;
    bool loaded = false;
    bool loadFailed = false;
    Error loadError;
    Error lastError;
    int depth = 0;
    bool pending = false;

    // Re-reads the file when it changed since it was last read or written.
    void refresh() {
        if (depth > 0) return;
        Stamp now = StampOf(path);
        if (loaded && now == stamp) {
            stamp.mode = now.mode;  // a chmod since: the next rewrite keeps the new mode
            return;
        }
        loaded = true;
        stamp = now;
        loadFailed = false;
        if (!now.exists) {
            doc = IniDocument();
            return;
        }
        // A folder, a pipe or a device in the file's place, or a file too
        // large to hold, is not read (nor written over: see writeNow).
        Result<std::string> bytes = ReadProgramFile(path);
        if (!bytes) {
            doc = IniDocument();
            loadFailed = true;
            loadError = FileError(ReadErrorText(path), bytes.error().code);
            return;
        }
        doc = IniDocument::Parse(*bytes);
    }

    bool writeNow() {
        Result<void> r = loadFailed ? Result<void>(loadError) : ReplaceFile(path, doc.Serialize());
        if (r.ok()) {
            stamp = StampOf(path);
            lastError = Error{};
            return true;
        }
        lastError = r.error();
        IniWriteFailureHandler h;
        {
            std::lock_guard<std::mutex> lock(HandlerMutex());
            h = Handler();
        }
        if (h) h(path, lastError);
        return false;
    }

    bool commit() {
        if (depth > 0) {
            pending = true;
            return true;
        }
        return writeNow();
    }
};

}  // namespace detail

namespace {

std::string CanonicalPath(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path abs = fs::absolute(FsPath(path), ec);
    if (ec) abs = FsPath(path);
    fs::path canon = fs::weakly_canonical(abs, ec);
    if (ec) canon = abs.lexically_normal();
    return ProgramPath(canon).value_or(path);
}

std::shared_ptr<detail::SharedIni> Join(const std::string& path) {
    static std::mutex mutex;
    static std::map<std::string, std::weak_ptr<detail::SharedIni>> registry;
    std::string canon = CanonicalPath(path);
    std::lock_guard<std::mutex> lock(mutex);
    if (auto existing = registry[canon].lock()) return existing;
    for (auto it = registry.begin(); it != registry.end();) it = it->second.expired() ? registry.erase(it) : ++it;
    auto fresh = std::make_shared<detail::SharedIni>();
    fresh->path = canon;
    registry[canon] = fresh;
    return fresh;
}

}  // namespace

TIniFile::TIniFile(const std::string& path) : path_(path), shared_(Join(path)) {}
TIniFile::~TIniFile() = default;
TIniFile::TIniFile(const TIniFile&) = default;
TIniFile& TIniFile::operator=(const TIniFile&) = default;

#define TV_INI_LOCKED                                          \
    std::lock_guard<std::recursive_mutex> lock(shared_->mutex); \
    shared_->refresh()

std::string TIniFile::readString(std::string_view section, std::string_view key, std::string_view def) const {
    TV_INI_LOCKED;
    auto v = shared_->doc.get(section, key);
    return v ? *v : std::string(def);
}

std::string TIniFile::readStringVerbatim(std::string_view section, std::string_view key,
                                         std::string_view def) const {
    TV_INI_LOCKED;
    auto v = shared_->doc.getVerbatim(section, key);
    return v ? *v : std::string(def);
}

int TIniFile::readInteger(std::string_view section, std::string_view key, int def) const {
    auto v = ParseInt(readString(section, key));
    return v ? *v : def;
}

bool TIniFile::readBool(std::string_view section, std::string_view key, bool def) const {
    return readInteger(section, key, def ? 1 : 0) != 0;
}

double TIniFile::readFloat(std::string_view section, std::string_view key, double def) const {
    auto v = ParseFloat(readString(section, key));
    return v ? *v : def;
}

bool TIniFile::writeString(std::string_view section, std::string_view key, std::string_view value) {
    TV_INI_LOCKED;
    if (!shared_->doc.set(section, key, value)) {
        shared_->lastError = Error{EINVAL, W("Ungültiger Name in der Datei ") + path_ + ": [" +
                                               std::string(section) + "] " + std::string(key)};
        return false;
    }
    return shared_->commit();
}

bool TIniFile::writeInteger(std::string_view section, std::string_view key, long long value) {
    return writeString(section, key, std::to_string(value));
}

bool TIniFile::writeBool(std::string_view section, std::string_view key, bool value) {
    return writeString(section, key, value ? "1" : "0");
}

bool TIniFile::writeFloat(std::string_view section, std::string_view key, double value) {
    return writeString(section, key, FormatFloatGeneral(value));
}

std::vector<std::string> TIniFile::readSections() const {
    TV_INI_LOCKED;
    return shared_->doc.sections();
}

std::vector<std::string> TIniFile::readSection(std::string_view section) const {
    TV_INI_LOCKED;
    return shared_->doc.keys(section);
}

std::vector<std::pair<std::string, std::string>> TIniFile::readSectionValues(std::string_view section,
                                                                           bool verbatim) const {
    TV_INI_LOCKED;
    return shared_->doc.values(section, verbatim);
}

bool TIniFile::sectionExists(std::string_view section) const {
    TV_INI_LOCKED;
    return shared_->doc.hasSection(section);
}

bool TIniFile::valueExists(std::string_view section, std::string_view key) const {
    TV_INI_LOCKED;
    return shared_->doc.hasKey(section, key);
}

bool TIniFile::eraseSection(std::string_view section) {
    TV_INI_LOCKED;
    if (!shared_->doc.eraseSection(section)) return true;
    return shared_->commit();
}

bool TIniFile::deleteKey(std::string_view section, std::string_view key) {
    TV_INI_LOCKED;
    if (!shared_->doc.deleteKey(section, key)) return true;
    return shared_->commit();
}

bool TIniFile::update(const std::function<void()>& body) {
    TV_INI_LOCKED;
    struct Depth {
        detail::SharedIni& s;
        explicit Depth(detail::SharedIni& x) : s(x) { ++s.depth; }
        ~Depth() { --s.depth; }
    };
    {
        Depth d(*shared_);
        body();
    }
    if (shared_->depth > 0 || !shared_->pending) return true;
    shared_->pending = false;
    return shared_->writeNow();
}

Error TIniFile::lastError() const {
    std::lock_guard<std::recursive_mutex> lock(shared_->mutex);
    return shared_->lastError;
}

Error TIniFile::readError() const {
    std::lock_guard<std::recursive_mutex> lock(shared_->mutex);
    shared_->refresh();
    return shared_->loadFailed ? shared_->loadError : Error{};
}

#undef TV_INI_LOCKED

}  // namespace tv
