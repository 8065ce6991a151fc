#include "exchange/gpx_cache_reader.h"

#include <array>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <memory>

#include <libxml/xmlreader.h>

#include "core/file_procs.h"
#include "platform/text_encoding.h"

namespace tv {

namespace {

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

bool IsXmlChar(unsigned long cp) {
    return cp == 0x9 || cp == 0xA || cp == 0xD || (cp >= 0x20 && cp <= 0xD7FF) || (cp >= 0xE000 && cp <= 0xFFFD) ||
           (cp >= 0x10000 && cp <= 0x10FFFF);
}

bool IsNameByte(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// Longest reference the filter looks ahead for; anything longer is text.
constexpr std::size_t kMaxRef = 32;

enum class Ref { Keep, Blank, Bare, NeedMore };

// Classifies the '&' at s[0].
Ref ClassifyRef(std::string_view s, bool atEnd) {
    const std::size_t limit = std::min(s.size(), kMaxRef);
    std::size_t semi = std::string_view::npos;
    for (std::size_t i = 1; i < limit; ++i) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c == ';') {
            semi = i;
            break;
        }
        if (!IsNameByte(c) && !(i == 1 && c == '#')) return Ref::Bare;
    }
    if (semi == std::string_view::npos) return (limit == s.size() && !atEnd && s.size() < kMaxRef) ? Ref::NeedMore : Ref::Bare;
    const std::string_view body = s.substr(1, semi - 1);
    if (body.empty()) return Ref::Bare;
    if (body[0] != '#')
        return (body == "amp" || body == "lt" || body == "gt" || body == "quot" || body == "apos") ? Ref::Keep
                                                                                                    : Ref::Bare;
    std::string_view digits = body.substr(1);
    int base = 10;
    if (!digits.empty() && (digits[0] == 'x' || digits[0] == 'X')) {
        base = 16;
        digits.remove_prefix(1);
    }
    if (digits.empty()) return Ref::Bare;
    unsigned long cp = 0;
    for (char ch : digits) {
        int v = -1;
        if (ch >= '0' && ch <= '9') v = ch - '0';
        else if (base == 16 && ch >= 'a' && ch <= 'f') v = ch - 'a' + 10;
        else if (base == 16 && ch >= 'A' && ch <= 'F') v = ch - 'A' + 10;
        if (v < 0) return Ref::Bare;
        cp = cp * base + static_cast<unsigned long>(v);
        if (cp > 0x10FFFF) return Ref::Blank;
    }
    return IsXmlChar(cp) ? Ref::Keep : Ref::Blank;
}

// Length of a valid UTF-8 sequence at s[0] (lead byte >= 0x80), 0 when it
// is not one, -1 when more bytes are needed to tell.
int Utf8Length(std::string_view s, bool atEnd, char32_t& cp) {
    const auto b0 = static_cast<unsigned char>(s[0]);
    int len = 0;
    unsigned char lo = 0x80, hi = 0xBF;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        len = 2;
        cp = b0 & 0x1F;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        len = 3;
        cp = b0 & 0x0F;
        if (b0 == 0xE0) lo = 0xA0;
        if (b0 == 0xED) hi = 0x9F;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        len = 4;
        cp = b0 & 0x07;
        if (b0 == 0xF0) lo = 0x90;
        if (b0 == 0xF4) hi = 0x8F;
    } else {
        return 0;
    }
    for (int i = 1; i < len; ++i) {
        if (static_cast<std::size_t>(i) >= s.size()) return atEnd ? 0 : -1;
        const auto b = static_cast<unsigned char>(s[static_cast<std::size_t>(i)]);
        if (b < (i == 1 ? lo : 0x80) || b > (i == 1 ? hi : 0xBF)) return 0;
        cp = (cp << 6) | (b & 0x3F);
    }
    return len;
}

}  // namespace

void GpxByteFilter::Feed(std::string_view data, std::string& out) {
    pending_.append(data);
    Run(out, false);
}

void GpxByteFilter::Finish(std::string& out) { Run(out, true); }

void GpxByteFilter::Run(std::string& out, bool atEnd) {
    std::string_view s(pending_);
    if (!started_) {
        if (s.size() < 3 && !atEnd) return;
        if (s.substr(0, 3) == "\xEF\xBB\xBF") s.remove_prefix(3);
        started_ = true;
    }
    out.reserve(out.size() + s.size() + s.size() / 8);
    // Bytes that pass unchanged between markup; runs of them are by far the
    // most common and are copied in one go.
    using Table = std::array<bool, 256>;
    static const auto makeTable = [](std::string_view special) {
        Table t{};
        for (int b = 0x20; b < 0x80; ++b) t[static_cast<std::size_t>(b)] = special.find(static_cast<char>(b)) == std::string_view::npos;
        t['\t'] = t['\n'] = t['\r'] = true;
        return t;
    };
    static const Table plainText = makeTable("&<");
    static const Table plainTag = makeTable("&\"'>");
    auto startsWith = [&](std::size_t i, std::string_view what) { return s.substr(i, what.size()) == what; };
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        const Table* plain = mode_ == Mode::Text ? &plainText : mode_ == Mode::Tag ? &plainTag : nullptr;
        if (plain && (*plain)[c]) {
            std::size_t j = i + 1;
            while (j < s.size() && (*plain)[static_cast<unsigned char>(s[j])]) ++j;
            out.append(s, i, j - i);
            i = j;
            continue;
        }
        if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') {
            out.push_back(' ');
            ++i;
            continue;
        }
        if (c >= 0x80) {
            char32_t cp = 0;
            const int len = Utf8Length(s.substr(i), atEnd, cp);
            if (len < 0) break;
            if (len == 0) cp = Cp1252ToUnicode(c);
            if (cp == 0xFFFE || cp == 0xFFFF) cp = 0xFFFD;
            // In text a reference keeps the parser on its fast ASCII path;
            // names and sections without references get the character itself.
            if (mode_ == Mode::Text) {
                char ref[16] = "&#";
                char* e = std::to_chars(ref + 2, ref + sizeof ref - 1, static_cast<unsigned long>(cp)).ptr;
                *e++ = ';';
                out.append(ref, static_cast<std::size_t>(e - ref));
            } else
                AppendUtf8(out, cp);
            i += len == 0 ? 1 : static_cast<std::size_t>(len);
            continue;
        }
        if (mode_ == Mode::Text || mode_ == Mode::Tag) {
            if (c == '&') {
                const Ref r = ClassifyRef(s.substr(i), atEnd);
                if (r == Ref::NeedMore) break;
                if (r == Ref::Bare) {
                    out += "&amp;";
                    ++i;
                } else {
                    const std::size_t end = s.find(';', i);
                    if (r == Ref::Keep)
                        out.append(s, i, end + 1 - i);
                    else
                        out.push_back(' ');
                    i = end + 1;
                }
                continue;
            }
            if (mode_ == Mode::Text && c == '<') {
                if (s.size() - i < 9 && !atEnd) break;
                std::size_t take = 1;
                mode_ = Mode::Tag;
                quote_ = 0;
                if (startsWith(i, "<![CDATA[")) {
                    take = 9;
                    mode_ = Mode::CData;
                } else if (startsWith(i, "<!--")) {
                    take = 4;
                    mode_ = Mode::Comment;
                } else if (startsWith(i, "<?")) {
                    take = 2;
                    mode_ = Mode::PI;
                }
                out.append(s, i, take);
                i += take;
                continue;
            }
            if (mode_ == Mode::Tag) {
                if (c == '"' || c == '\'') quote_ = quote_ == 0 ? static_cast<char>(c) : quote_ == c ? 0 : quote_;
                if (c == '>' && quote_ == 0) mode_ = Mode::Text;
            }
            out.push_back(static_cast<char>(c));
            ++i;
            continue;
        }
        // Sections whose text is literal: only their end matters.
        const std::string_view end = mode_ == Mode::CData ? "]]>" : mode_ == Mode::Comment ? "-->" : "?>";
        if (c == static_cast<unsigned char>(end[0])) {
            if (s.size() - i < end.size() && !atEnd) break;
            if (startsWith(i, end)) {
                out.append(end);
                i += end.size();
                mode_ = Mode::Text;
                continue;
            }
        }
        out.push_back(static_cast<char>(c));
        ++i;
    }
    const std::size_t consumed = static_cast<std::size_t>(s.data() - pending_.data()) + i;
    pending_.erase(0, consumed);
}

// ---------------------------------------------------------------------------
// The reader

namespace {

// The file is read and repaired on a thread of its own, a few blocks ahead
// of the parser, which has enough to do on the calling thread.
class Pipe {
public:
    explicit Pipe(const GpxSource& source) : thread_([this, &source] { Produce(source); }) {}
    ~Pipe() {
        {
            std::lock_guard<std::mutex> lock(m_);
            stop_ = true;
        }
        cv_.notify_all();
        thread_.join();
    }
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;

    // The parser's read callback: 0 at the end, -1 when the source failed.
    int Read(char* buffer, std::size_t len) {
        if (curPos_ == cur_.size()) {
            std::unique_lock<std::mutex> lock(m_);
            cv_.wait(lock, [this] { return !blocks_.empty() || done_; });
            if (blocks_.empty()) return failed_ ? -1 : 0;
            cur_ = std::move(blocks_.front());
            blocks_.pop_front();
            curPos_ = 0;
            lock.unlock();
            cv_.notify_all();
            if (progress_) progress_(bytesRead_.load());
        }
        const std::size_t n = std::min(len, cur_.size() - curPos_);
        std::memcpy(buffer, cur_.data() + curPos_, n);
        curPos_ += n;
        return static_cast<int>(n);
    }
    bool failed() {
        std::lock_guard<std::mutex> lock(m_);
        return failed_;
    }

    std::function<void(std::uint64_t)> progress_;

private:
    void Produce(const GpxSource& source) {
        GpxByteFilter filter;
        std::vector<char> chunk(1 << 16);
        for (;;) {
            const long long n = source(chunk.data(), chunk.size());
            std::string out;
            if (n > 0) {
                bytesRead_ += static_cast<std::uint64_t>(n);
                filter.Feed(std::string_view(chunk.data(), static_cast<std::size_t>(n)), out);
            } else if (n == 0) {
                filter.Finish(out);
            }
            std::unique_lock<std::mutex> lock(m_);
            cv_.wait(lock, [this] { return blocks_.size() < 4 || stop_; });
            if (stop_) return;
            if (!out.empty()) blocks_.push_back(std::move(out));
            if (n <= 0) {
                done_ = true;
                failed_ = n < 0;
            }
            lock.unlock();
            cv_.notify_all();
            if (n <= 0) return;
        }
    }

    std::mutex m_;
    std::condition_variable cv_;
    std::deque<std::string> blocks_;
    bool done_ = false, failed_ = false, stop_ = false;
    std::atomic<std::uint64_t> bytesRead_{0};
    std::string cur_;  // the block the parser reads from (its thread only)
    std::size_t curPos_ = 0;
    std::thread thread_;  // last: starts once everything above exists
};

int IoRead(void* ctx, char* buffer, int len) {
    return static_cast<Pipe*>(ctx)->Read(buffer, static_cast<std::size_t>(len > 0 ? len : 0));
}

int IoClose(void*) { return 0; }

struct ErrorSink {
    int line = 0;
    std::string message;
    bool set = false;
};

void OnXmlError(void* arg, xmlErrorPtr error) {
    auto* sink = static_cast<ErrorSink*>(arg);
    if (!error || error->level < XML_ERR_ERROR || sink->set) return;
    // Namespace errors (an undeclared prefix) leave the document readable.
    if (error->domain == XML_FROM_NAMESPACE) return;
    sink->set = true;
    sink->line = error->line;
    sink->message = error->message ? error->message : "";
    while (!sink->message.empty() && (sink->message.back() == '\n' || sink->message.back() == ' '))
        sink->message.pop_back();
}

enum class Ctx { Other, Root, Metadata, Wpt, Link, Extensions, Cache, Logs, Log };

const char* Str(const xmlChar* s) { return s ? reinterpret_cast<const char*>(s) : ""; }

bool IsTrue(const xmlChar* s) {
    const std::string_view v = Str(s);
    return v.size() == 4 && (v[0] == 't' || v[0] == 'T') && (v[1] == 'r' || v[1] == 'R') &&
           (v[2] == 'u' || v[2] == 'U') && (v[3] == 'e' || v[3] == 'E');
}

class Walker {
public:
    Walker(xmlTextReaderPtr r, const GpxWptSink& sink, GpxReadResult& result) : r_(r), sink_(sink), res_(result) {}

    // False when the sink asked to stop.
    bool Element() {
        const std::string_view local = Str(xmlTextReaderConstLocalName(r_));
        const std::string_view ns = Str(xmlTextReaderConstNamespaceUri(r_));
        const bool empty = xmlTextReaderIsEmptyElement(r_) == 1;
        Ctx ctx = Ctx::Other;
        std::string* target = nullptr;
        if (target_) {
            // Markup inside a text field: its text still belongs to the field.
        } else if (stack_.empty()) {
            ctx = Ctx::Root;
        } else {
            switch (stack_.back()) {
                case Ctx::Root:
                    if (local == "wpt") {
                        ctx = Ctx::Wpt;
                        StartWpt(ns);
                    } else if (local == "metadata") {
                        ctx = Ctx::Metadata;
                    } else if (local == "name" && !nameSeen_) {
                        nameSeen_ = true;
                        target = &res_.gpxName;
                    }
                    break;
                case Ctx::Metadata:
                    if (local == "name" && !nameSeen_) {
                        nameSeen_ = true;
                        target = &res_.gpxName;
                    }
                    break;
                case Ctx::Wpt:
                    if (ns == wptNs_) {
                        if (local == "name") target = Once(0, &wpt_.name);
                        else if (local == "time") target = Once(1, &wpt_.time);
                        else if (local == "urlname") target = Once(2, &wpt_.urlname);
                        else if (local == "link") ctx = Ctx::Link;
                        else if (local == "extensions") ctx = Ctx::Extensions;
                    } else if (local == "cache") {
                        ctx = StartCache(ns);
                    }
                    break;
                case Ctx::Link:
                    if (local == "text") target = Once(3, &wpt_.linkText);
                    break;
                case Ctx::Extensions:
                    if (local == "cache" && ns != wptNs_) ctx = StartCache(ns);
                    break;
                case Ctx::Cache:
                    if (ns == cacheNs_) ctx = CacheField(local, target);
                    break;
                case Ctx::Logs:
                    if (ns == cacheNs_ && local == "log") {
                        ctx = Ctx::Log;
                        wpt_.logs.emplace_back();
                        logSeen_ = 0;
                    }
                    break;
                case Ctx::Log:
                    if (ns == cacheNs_ && !wpt_.logs.empty()) {
                        GpxLog& log = wpt_.logs.back();
                        if (local == "date") target = LogOnce(0, &log.date);
                        else if (local == "type") target = LogOnce(1, &log.type);
                        else if (local == "finder") target = LogOnce(2, &log.finder);
                        else if (local == "text") {
                            target = LogOnce(3, &log.text);
                            if (target) log.encoded = IsTrue(Owned{xmlTextReaderGetAttribute(r_, BAD_CAST "encoded")}.get());
                        }
                    }
                    break;
                default:
                    break;
            }
        }
        stack_.push_back(ctx);
        if (target) {
            target_ = target;
            targetDepth_ = stack_.size();
        }
        if (empty) return End();
        return true;
    }

    // False when the sink asked to stop.
    bool End() {
        if (stack_.empty()) return true;
        if (target_ && targetDepth_ == stack_.size()) target_ = nullptr;
        const Ctx ctx = stack_.back();
        stack_.pop_back();
        if (ctx == Ctx::Wpt) {
            ++res_.waypoints;
            if (!sink_(std::move(wpt_))) return false;
            wpt_ = GpxCacheWpt{};
        }
        return true;
    }

    void Text() {
        if (target_) target_->append(Str(xmlTextReaderConstValue(r_)));
    }

private:
    // xmlTextReaderGetAttribute returns an owned copy.
    struct Owned {
        xmlChar* p;
        ~Owned() { xmlFree(p); }
        const xmlChar* get() const { return p; }
    };

    std::string Attr(const char* name) {
        xmlChar* v = xmlTextReaderGetAttribute(r_, BAD_CAST name);
        std::string s = Str(v);
        xmlFree(v);
        return s;
    }
    bool HasAttr(const char* name) {
        xmlChar* v = xmlTextReaderGetAttribute(r_, BAD_CAST name);
        const bool has = v != nullptr;
        xmlFree(v);
        return has;
    }

    void StartWpt(std::string_view ns) {
        wpt_ = GpxCacheWpt{};
        wptNs_.assign(ns);
        wptSeen_ = 0;
        wpt_.lat = Attr("lat");
        wpt_.lon = Attr("lon");
    }

    Ctx StartCache(std::string_view ns) {
        if (wpt_.hasCache) return Ctx::Other;
        wpt_.hasCache = true;
        cacheNs_.assign(ns);
        cacheSeen_ = 0;
        if (HasAttr("id")) wpt_.cacheId = Attr("id");
        return Ctx::Cache;
    }

    Ctx CacheField(std::string_view local, std::string*& target) {
        struct Field {
            const char* name;
            std::string GpxCacheWpt::*str;
            std::optional<std::string> GpxCacheWpt::*opt;
        };
        static const Field fields[] = {
            {"name", &GpxCacheWpt::cacheName, nullptr},
            {"placed_by", nullptr, &GpxCacheWpt::placedBy},
            {"owner", &GpxCacheWpt::owner, nullptr},
            {"type", &GpxCacheWpt::type, nullptr},
            {"container", &GpxCacheWpt::container, nullptr},
            {"difficulty", nullptr, &GpxCacheWpt::difficulty},
            {"terrain", nullptr, &GpxCacheWpt::terrain},
            {"country", &GpxCacheWpt::country, nullptr},
            {"state", &GpxCacheWpt::state, nullptr},
            {"short_description", &GpxCacheWpt::shortDescription, nullptr},
            {"long_description", &GpxCacheWpt::longDescription, nullptr},
            {"encoded_hints", nullptr, &GpxCacheWpt::hints},
        };
        if (local == "logs") {
            if (wpt_.hasLogs) return Ctx::Other;
            wpt_.hasLogs = true;
            return Ctx::Logs;
        }
        for (std::size_t i = 0; i < std::size(fields); ++i) {
            if (local != fields[i].name) continue;
            const unsigned bit = 1u << i;
            if (cacheSeen_ & bit) return Ctx::Other;
            cacheSeen_ |= bit;
            if (fields[i].str) {
                target = &(wpt_.*fields[i].str);
            } else {
                auto& opt = wpt_.*fields[i].opt;
                opt.emplace();
                target = &*opt;
            }
            const bool html = IsTrue(Owned{xmlTextReaderGetAttribute(r_, BAD_CAST "html")}.get());
            if (local == "short_description") wpt_.shortHtml = html;
            if (local == "long_description") wpt_.longHtml = html;
            break;
        }
        return Ctx::Other;
    }

    std::string* Once(unsigned bit, std::string* s) {
        if (wptSeen_ & (1u << bit)) return nullptr;
        wptSeen_ |= 1u << bit;
        return s;
    }
    std::string* LogOnce(unsigned bit, std::string* s) {
        if (logSeen_ & (1u << bit)) return nullptr;
        logSeen_ |= 1u << bit;
        return s;
    }

    xmlTextReaderPtr r_;
    const GpxWptSink& sink_;
    GpxReadResult& res_;
    std::vector<Ctx> stack_;
    std::string* target_ = nullptr;
    std::size_t targetDepth_ = 0;
    GpxCacheWpt wpt_;
    std::string wptNs_, cacheNs_;
    unsigned wptSeen_ = 0, cacheSeen_ = 0, logSeen_ = 0;
    bool nameSeen_ = false;
};

}  // namespace

struct GpxXmlInput::Impl {
    explicit Impl(const GpxSource& source) : io(source) {}
    Pipe io;
    ErrorSink errors;
};

GpxXmlInput::GpxXmlInput(const GpxSource& source, int extraOptions, std::function<void(std::uint64_t)> progress)
    : impl_(std::make_unique<Impl>(source)) {
    impl_->io.progress_ = std::move(progress);
    // No network, no DTD loading, no entity substitution; the filter has
    // already turned every byte into UTF-8, whatever the file declares.
    const int options = XML_PARSE_NONET | XML_PARSE_IGNORE_ENC | XML_PARSE_NOWARNING | extraOptions;
    reader_ = xmlReaderForIO(IoRead, IoClose, &impl_->io, nullptr, "UTF-8", options);
    if (reader_) xmlTextReaderSetStructuredErrorHandler(reader_, OnXmlError, &impl_->errors);
}

GpxXmlInput::~GpxXmlInput() {
    // The reader first: it may still pull from the pipe.
    if (reader_) xmlFreeTextReader(reader_);
}

bool GpxXmlInput::readFailed() const { return impl_->io.failed(); }
bool GpxXmlInput::hadError() const { return impl_->errors.set; }
int GpxXmlInput::errorLine() const { return impl_->errors.line; }
const std::string& GpxXmlInput::errorMessage() const { return impl_->errors.message; }

std::string FilterGpxBytes(std::string_view bytes) {
    GpxByteFilter filter;
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    filter.Feed(bytes, out);
    filter.Finish(out);
    return out;
}

GpxReadResult ReadGpx(const GpxSource& source, const GpxWptSink& sink,
                      const std::function<void(std::uint64_t)>& progress) {
    GpxReadResult result;
    GpxXmlInput input(source, XML_PARSE_COMPACT, progress);
    xmlTextReaderPtr reader = input.reader();
    if (!reader) {
        result.ok = false;
        result.errorMessage = "cannot start the XML reader";
        return result;
    }
    Walker walker(reader, sink, result);
    int ret = 0;
    while ((ret = xmlTextReaderRead(reader)) == 1) {
        switch (xmlTextReaderNodeType(reader)) {
            case XML_READER_TYPE_ELEMENT:
                if (!walker.Element()) result.cancelled = true;
                break;
            case XML_READER_TYPE_END_ELEMENT:
                if (!walker.End()) result.cancelled = true;
                break;
            case XML_READER_TYPE_TEXT:
            case XML_READER_TYPE_CDATA:
            case XML_READER_TYPE_WHITESPACE:
            case XML_READER_TYPE_SIGNIFICANT_WHITESPACE:
                walker.Text();
                break;
            default:
                break;
        }
        if (result.cancelled) break;
    }
    const bool readFailed = input.readFailed();
    if ((ret < 0 && !result.cancelled) || readFailed) {
        result.ok = false;
        result.errorLine = input.errorLine();
        result.errorMessage = readFailed ? "read error" : input.errorMessage();
    }
    return result;
}

GpxReadResult ReadGpxBytes(std::string_view bytes, const GpxWptSink& sink) {
    std::size_t pos = 0;
    GpxSource source = [&](char* buffer, std::size_t size) -> long long {
        const std::size_t n = std::min(size, bytes.size() - pos);
        std::memcpy(buffer, bytes.data() + pos, n);
        pos += n;
        return static_cast<long long>(n);
    };
    return ReadGpx(source, sink);
}

GpxReadResult ReadGpxFile(const std::string& path, const GpxWptSink& sink,
                          const std::function<void(std::uint64_t)>& progress) {
    const FileStream f = OpenProgramStream(path);
    if (!f) {
        GpxReadResult r;
        r.ok = false;
        r.errorMessage = "cannot open the file";
        return r;
    }
    GpxSource source = [&](char* buffer, std::size_t size) -> long long {
        const std::size_t n = std::fread(buffer, 1, size, f.get());
        if (n == 0 && std::ferror(f.get())) return -1;
        return static_cast<long long>(n);
    };
    return ReadGpx(source, sink, progress);
}

}  // namespace tv
