#include "exchange/suitcase_format.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <limits>

#include "core/debug_log.h"
#include "core/fs_name.h"
#include "core/meta_file.h"
#include "core/program_files.h"
#include "core/str_util.h"
#include "platform/services.h"
#include "platform/text_encoding.h"

namespace tv {

namespace fs = std::filesystem;

namespace {

void PutI32(std::string& out, std::int32_t v) {
    const auto u = static_cast<std::uint32_t>(v);
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((u >> (8 * i)) & 0xFF));
}

void PutF64(std::string& out, double v) {
    std::uint64_t u = 0;
    std::memcpy(&u, &v, sizeof u);
    for (int i = 0; i < 8; ++i) out.push_back(static_cast<char>((u >> (8 * i)) & 0xFF));
}

// String[n]: the first n bytes, zero-filled.
void PutShortString(std::string& out, std::string_view s, std::size_t n) {
    const std::size_t len = std::min(s.size(), n);
    out.push_back(static_cast<char>(len));
    out.append(s.substr(0, len));
    out.append(n - len, '\0');
}

double DayCountOf(const platform::DateTime& t) {
    const double day = DayCountFromDate(t.year, t.month, t.day).value_or(0.0);
    return day + (t.hour * 3600.0 + t.minute * 60.0 + t.second) / 86400.0;
}

// Writes the sections in order; the first failure ends the run.
class Writer {
public:
    Writer(const std::string& target, const SuitcaseExportParams& p) : out_(target), target_(target), p_(p) {}

    Result<std::string> Run() {
        if (!out_.ok()) return WriteError();
        if (p_.cacheDb)
            WriteCacheDB();
        else
            WriteEmptySection();
        if (p_.workList)
            WriteCodeList("WPList.txt", " Arbeitslisten-Einträge");
        else
            WriteEmptySection();
        if (p_.finds)
            WriteFinds();
        else
            WriteEmptySection();
        if (p_.ignoreList)
            WriteCodeList("WPignore.txt", " Ignorelisten-Einträge");
        else
            WriteEmptySection();
        if (p_.notes)
            WriteNotes();
        else
            WriteEmptySection();
        if (p_.descriptions)
            WriteDescriptions();
        else
            WriteEmptySection();
        if (error_.code != 0) return error_;
        if (!out_.ok() || !out_.Commit()) return WriteError();
        return summary_;
    }

private:
    // A failed create or write names the system's cause.
    Error WriteError() const { return Error{out_.error(), WriteErrorText(target_)}; }
    void Put(std::string_view bytes) {
        if (error_.code == 0 && !out_.Write(bytes)) error_ = WriteError();
    }
    void PutI32(std::int32_t v) {
        std::string b;
        tv::PutI32(b, v);
        Put(b);
    }
    void Line(std::string text) { summary_ += text + "\r\n"; }

    void WriteEmptySection() { PutI32(0); }

    // A file's bytes as a blob; a missing (or unreadable) file is size 0.
    void WriteFileBlob(const std::string& path) {
        std::optional<std::string> bytes;
        if (!path.empty() && IsRegularFile(path)) bytes = ReadWholeFile(path);
        if (!bytes || bytes->size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
            PutI32(0);
            return;
        }
        PutI32(static_cast<std::int32_t>(bytes->size()));
        Put(*bytes);
    }

    // The records are copied as they are, in file order, so nothing of them
    // is lost on the way.
    void WriteCacheDB() {
        const auto path = FindFileNoCase(p_.workDir, "Caches.bin");
        if (!path) return WriteEmptySection();
        auto file = OpenProgramFile(*path);
        if (!file) {
            error_ = file.error();
            return;
        }
        const std::uint64_t n = static_cast<std::uint64_t>(file->size) / TCacheRec::kSize;
        if (n > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())) {
            error_ = Error{EFBIG, ReadErrorText(*path)};
            return;
        }
        PutI32(static_cast<std::int32_t>(n));
        std::uint64_t left = n * TCacheRec::kSize;
        std::vector<char> buf(TCacheRec::kSize * 2048);
        while (left > 0 && error_.code == 0) {
            const std::size_t chunk = static_cast<std::size_t>(std::min<std::uint64_t>(left, buf.size()));
            errno = 0;
            if (ReadUpTo(file->fd.get(), buf.data(), chunk) != static_cast<long long>(chunk)) {
                error_ = Error{errno != 0 ? errno : EIO, ReadErrorText(*path)};
                return;
            }
            Put({buf.data(), chunk});
            left -= chunk;
        }
        Line(std::to_string(n) + W(" Datensätze aus Cache-Datenbank"));
    }

    // A text list of the work folder; nothing when it is missing, or when it
    // cannot be read, which ends the run with that error.
    std::optional<std::vector<std::string>> ReadListOrNone(const char* file) {
        auto lines = ReadTextListChecked(WithTrailingSlash(p_.workDir) + file);
        if (lines) return std::move(*lines);
        if (!MissingFileError(lines.error().code)) error_ = lines.error();
        return std::nullopt;
    }

    void WriteCodeList(const char* file, const char* summary) {
        const auto lines = ReadListOrNone(file);
        if (!lines) return WriteEmptySection();
        std::vector<std::string> codes;
        for (const std::string& l : *lines)
            if (!l.empty()) codes.push_back(l);  // an empty entry would later become an empty list line
        PutI32(static_cast<std::int32_t>(codes.size()));
        std::string b;
        for (const std::string& c : codes) PutShortString(b, c, kSuitcaseCodeField);
        Put(b);
        Line(std::to_string(codes.size()) + W(summary));
    }

    void WriteFinds() {
        const auto path = FindFileNoCase(p_.workDir, "Finds.bin");
        if (!path) return WriteEmptySection();
        const auto bytes = ReadProgramFile(*path);
        if (!bytes) {
            error_ = bytes.error();
            return;
        }
        const std::size_t n = bytes->size() / TFoundRec::kSize;
        PutI32(static_cast<std::int32_t>(n));
        Put(std::string_view(*bytes).substr(0, n * TFoundRec::kSize));
        Line(std::to_string(n) + W(" Fundlisten-Einträge"));
    }

    void WriteNotes() {
        const auto lines = ReadListOrNone("Persinfo.txt");
        if (!lines) return WriteEmptySection();
        std::string text;
        for (const std::string& l : *lines) text += l + "\r\n";
        PutI32(static_cast<std::int32_t>(text.size()));
        Put(text);
        Line(std::to_string(text.size()) + W(" Zeichen aus persönlichen Cachenotizen"));
    }

    void WriteDescriptions() {
        const std::vector<std::string> pages = ListSuitcasePages(p_.outDir, p_.descrSubdirs);
        PutI32(static_cast<std::int32_t>(pages.size()));
        int pictures = 0;
        for (const std::string& listed : pages) {
            if (error_.code != 0) return;
            const auto slash = listed.find('/');
            const std::string sub = slash == std::string::npos ? "" : listed.substr(0, slash);
            const std::string name = slash == std::string::npos ? listed : listed.substr(slash + 1);
            const std::string folder = WithTrailingSlash(WithTrailingSlash(p_.outDir) + sub);
            // The file format names folders with '\' and in Windows-1252.
            const std::string subField = Utf8ToCp1252(sub);
            const std::string prefix = sub.empty() ? "" : subField + "\\";
            std::string wp = WaypointFromFileName(name).substr(0, kSuitcaseCodeField);
            if (p_.progress) p_.progress(W("Schreibe Cache: ") + prefix + wp);

            std::string head;
            PutShortString(head, wp, kSuitcaseCodeField);
            const auto date = FileDateTime(folder + name);
            PutF64(head, date ? *date : DayCountOf(platform::clock().now()));
            PutShortString(head, subField, kSuitcaseNameField);
            Put(head);
            WriteFileBlob(folder + name);

            // Companion files are found without regard to case: a page saved as
            // "gc1abc.html" has its pictures listed in "GC1ABC.meta" or "gc1abc.meta".
            const std::string stem = name.substr(0, name.size() - 5);
            auto meta = FindFileNoCase(folder, stem + ".meta");
            if (!meta) meta = FindFileNoCase(folder, wp + ".meta");
            WriteFileBlob(meta.value_or(""));

            const auto maps = ListFolder(folder, wp + "_map.*");
            std::string mapName;
            if (!maps.empty())
                PutShortString(mapName, prefix + Utf8ToCp1252(maps.front()), kSuitcaseNameField);
            else
                PutShortString(mapName, "", kSuitcaseNameField);
            Put(mapName);
            WriteFileBlob(maps.empty() ? "" : folder + maps.front());

            std::vector<std::string> metaLines;
            if (meta) ReadTextList(*meta, metaLines);
            const std::vector<std::string> names = MetaPictureNames(metaLines);
            PutI32(static_cast<std::int32_t>(names.size()));
            for (const std::string& pic : names) {
                std::string field;
                PutShortString(field, prefix + Utf8ToCp1252(pic), kSuitcaseNameField);
                Put(field);
                WriteFileBlob(FindFileNoCase(folder, pic).value_or(""));
            }
            pictures += static_cast<int>(names.size());
        }
        Line(std::to_string(pages.size()) + " Cachebeschreibungen mit insgesamt " + std::to_string(pictures) +
             " Cache-Images");
    }

    AtomicFileWriter out_;
    std::string target_;
    const SuitcaseExportParams& p_;
    std::string summary_;
    Error error_;
};

}  // namespace

std::vector<std::string> MetaPictureNames(const std::vector<std::string>& metaLines) {
    std::vector<std::string> out;
    if (metaLines.empty() || metaLines.size() % 3 != 0) return out;
    for (std::size_t k = 0; k < metaLines.size(); k += 3) {
        std::string_view line = metaLines[k];
        // "<n>#<path>": the number may have two digits, and the path may use
        // '/' when the page was stored on Linux.
        const auto hash = line.find('#');
        line =
            hash != std::string_view::npos ? line.substr(hash + 1) : line.substr(std::min<std::size_t>(2, line.size()));
        out.push_back(BareFileName(line));
    }
    return out;
}

Result<std::string> WriteSuitcase(const std::string& target, const SuitcaseExportParams& params) {
    if (auto refused = ProgramFileRefusal(target, params.workDir, TargetRole::Suitcase)) return std::move(*refused);
    Writer w(target, params);
    return w.Run();
}

std::vector<std::string> ListSuitcasePages(const std::string& outDir, bool subdirs) {
    auto pages = [](const std::string& folder, const std::string& prefix, std::vector<std::string>& out) {
        for (const std::string& name : ListFolder(folder, "GC*.html"))
            if (UpperCaseAscii(name).find("_CONVERTED") == std::string::npos) out.push_back(prefix + name);
    };
    std::vector<std::string> out;
    pages(outDir, "", out);
    if (subdirs)
        for (const std::string& sub : ListFolder(outDir, "*", EntryKind::Folders))
            if (!sub.empty() && sub[0] != '.') pages(WithTrailingSlash(outDir) + sub, sub + "/", out);
    return out;
}

std::optional<double> FileDateTime(const std::string& path) {
    const auto t = FileModificationTime(path);
    if (!t) return std::nullopt;
    return DayCountOf(*t);
}

bool SetFileDateTime(const std::string& path, double dayCount) {
    int y = 0, m = 0, d = 0;
    if (!DateFromDayCount(dayCount, y, m, d)) return false;
    const double frac = dayCount - std::floor(dayCount);
    const long secs = std::lround(frac * 86400.0);
    std::tm tm{};
    tm.tm_year = y - 1900;
    tm.tm_mon = m - 1;
    tm.tm_mday = d;
    tm.tm_sec = static_cast<int>(secs);  // mktime normalises
    tm.tm_isdst = -1;
    const std::time_t t = std::mktime(&tm);
    if (t == static_cast<std::time_t>(-1)) return false;
    struct timespec times[2];
    times[0].tv_sec = t;
    times[0].tv_nsec = 0;
    times[1] = times[0];
    return ::utimensat(AT_FDCWD, FsName(path).c_str(), times, 0) == 0;
}

// ---- reading -------------------------------------------------------------------

bool SuitcaseReader::Fail(std::string message) {
    if (error_.kind.empty())
        error_ = StreamError{kReadErrorKind, path_, where_.empty() ? W(message) : where_ + ": " + W(message)};
    return false;
}

std::int64_t SuitcaseReader::Remaining() {
    const auto pos = static_cast<std::int64_t>(in_.tellg());
    return pos < 0 ? 0 : size_ - pos;
}

bool SuitcaseReader::ReadBytes(char* buf, std::size_t n) {
    if (!error_.kind.empty()) return false;
    if (static_cast<std::int64_t>(n) > Remaining() || !in_.read(buf, static_cast<std::streamsize>(n)))
        return Fail("Dateiende erreicht");
    return true;
}

bool SuitcaseReader::ReadI32(std::int32_t& v) {
    unsigned char b[4];
    if (!ReadBytes(reinterpret_cast<char*>(b), 4)) return false;
    v = static_cast<std::int32_t>(b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<std::uint32_t>(b[3]) << 24));
    return true;
}

bool SuitcaseReader::ReadF64(double& v) {
    unsigned char b[8];
    if (!ReadBytes(reinterpret_cast<char*>(b), 8)) return false;
    std::uint64_t u = 0;
    for (int i = 7; i >= 0; --i) u = (u << 8) | b[i];
    std::memcpy(&v, &u, sizeof v);
    return true;
}

bool SuitcaseReader::ReadShortString(std::size_t n, std::string& s) {
    char buf[256];
    if (!ReadBytes(buf, n + 1)) return false;
    const std::size_t len = std::min<std::size_t>(static_cast<unsigned char>(buf[0]), n);
    s.assign(buf + 1, len);
    return true;
}

bool SuitcaseReader::ReadBlobSize(std::int32_t& size) {
    if (!ReadI32(size)) return false;
    if (size < 0 || size > Remaining()) return Fail("Ungültige Datenlänge " + std::to_string(size));
    return true;
}

bool SuitcaseReader::Skip(std::int64_t bytes) {
    if (!error_.kind.empty()) return false;
    if (bytes < 0 || bytes > Remaining()) return Fail("Dateiende erreicht");
    in_.seekg(bytes, std::ios::cur);
    return in_.good() || Fail("Dateiende erreicht");
}

bool SuitcaseReader::CopyTo(std::int64_t bytes, AtomicFileWriter& out) {
    if (bytes < 0 || bytes > Remaining()) return Fail("Dateiende erreicht");
    char buf[65536];
    while (bytes > 0) {
        const auto chunk = static_cast<std::size_t>(std::min<std::int64_t>(bytes, sizeof buf));
        if (!ReadBytes(buf, chunk)) return false;
        out.Write({buf, chunk});
        bytes -= static_cast<std::int64_t>(chunk);
    }
    return true;
}

bool SuitcaseReader::LoadBlob(const SuitcaseBlob& blob, std::string& bytes, const std::string& what) {
    if (!error_.kind.empty()) return false;
    where_ = what;
    in_.clear();
    if (blob.size < 0 || blob.pos < 0 || blob.pos + blob.size > size_ || !in_.seekg(blob.pos))
        return Fail("Dateiende erreicht");
    bytes.resize(static_cast<std::size_t>(blob.size));
    // The file may have been cut since it was opened.
    if (blob.size > 0 && !in_.read(bytes.data(), blob.size)) return Fail("Dateiende erreicht");
    return true;
}

bool SuitcaseReader::ReadBlob(SuitcaseBlob& blob) {
    if (!ReadBlobSize(blob.size)) return false;
    blob.pos = static_cast<std::int64_t>(in_.tellg());
    return Skip(blob.size);
}

bool SuitcaseReader::ReadPageEntries() {
    const std::int32_t n = contents_.pageCount;
    // The smallest entry takes 549 bytes.
    if (n < 0 || static_cast<std::int64_t>(n) * 549 > Remaining()) return Fail("Ungültige Anzahl " + std::to_string(n));
    const std::streampos start = in_.tellg();
    contents_.pages.reserve(static_cast<std::size_t>(n));
    for (std::int32_t k = 0; k < n; ++k) {
        const std::string entry = "Cachebeschreibung " + std::to_string(k + 1) + " von " + std::to_string(n);
        where_ = entry;
        SuitcasePageEntry e;
        if (!ReadShortString(kSuitcaseCodeField, e.waypoint)) return false;
        where_ = entry + " (" + e.waypoint + ")";
        std::int32_t pictures = 0;
        if (!ReadF64(e.date) || !ReadShortString(kSuitcaseNameField, e.subfolder) || !ReadBlob(e.page) ||
            !ReadBlob(e.meta) || !ReadShortString(kSuitcaseNameField, e.mapName) || !ReadBlob(e.map) ||
            !ReadI32(pictures))
            return false;
        // Each picture takes at least its name and its size.
        if (pictures < 0 || static_cast<std::int64_t>(pictures) * 260 > Remaining())
            return Fail("Ungültige Bildanzahl " + std::to_string(pictures));
        e.pictures.resize(static_cast<std::size_t>(pictures));
        for (auto& [name, blob] : e.pictures)
            if (!ReadShortString(kSuitcaseNameField, name) || !ReadBlob(blob)) return false;
        contents_.pages.push_back(std::move(e));
    }
    where_.clear();
    in_.clear();
    return static_cast<bool>(in_.seekg(start)) || Fail("Dateiende erreicht");
}

bool SuitcaseReader::ReadCodeList(std::vector<std::string>& list) {
    std::int32_t n = 0;
    if (!ReadI32(n)) return false;
    if (n < 0 || static_cast<std::int64_t>(n) * 13 > Remaining()) return Fail("Ungültige Anzahl " + std::to_string(n));
    list.reserve(static_cast<std::size_t>(n));
    for (std::int32_t i = 0; i < n; ++i) {
        std::string s;
        if (!ReadShortString(kSuitcaseCodeField, s)) return false;
        list.push_back(std::move(s));
    }
    return true;
}

bool SuitcaseReader::Open(const std::string& path) {
    path_ = path;
    contents_ = {};
    error_ = {};
    where_.clear();
    in_.close();
    in_.clear();
    in_.open(FsPath(path), std::ios::binary);
    std::error_code ec;
    const auto size = fs::file_size(FsPath(path), ec);
    if (!in_ || ec) {
        error_ = StreamError{kOpenErrorKind, path, SysErrorMessage(ec ? ec.value() : ENOENT)};
        return false;
    }
    size_ = static_cast<std::int64_t>(size);

    std::int32_t n = 0;
    where_ = "Cache-Datenbank";
    if (!ReadI32(n)) return false;
    if (n < 0 || static_cast<std::int64_t>(n) * static_cast<std::int64_t>(TCacheRec::kSize) > Remaining())
        return Fail("Ungültige Anzahl " + std::to_string(n));
    contents_.caches.resize(static_cast<std::size_t>(n));
    for (auto& rec : contents_.caches)
        if (!ReadBytes(reinterpret_cast<char*>(rec.data()), rec.size())) return false;

    where_ = "Arbeitsliste";
    if (!ReadCodeList(contents_.workList)) return false;

    where_ = "Eigene Funde";
    if (!ReadI32(n)) return false;
    if (n < 0 || static_cast<std::int64_t>(n) * static_cast<std::int64_t>(TFoundRec::kSize) > Remaining())
        return Fail("Ungültige Anzahl " + std::to_string(n));
    FoundRecBytes raw;
    for (std::int32_t i = 0; i < n; ++i) {
        if (!ReadBytes(reinterpret_cast<char*>(raw.data()), raw.size())) return false;
        contents_.finds.push_back(DecodeFoundRec(raw.data()));
    }

    where_ = "Ignoreliste";
    if (!ReadCodeList(contents_.ignoreList)) return false;

    where_ = W("Persönliche Notizen");
    std::int32_t len = 0;
    if (!ReadBlobSize(len)) return false;
    std::string text(static_cast<std::size_t>(len), '\0');
    if (len > 0 && !ReadBytes(text.data(), text.size())) return false;
    contents_.notes = SplitTextLines(text);

    where_ = "Cachebeschreibungen";
    if (!ReadI32(contents_.pageCount)) return false;
    return ReadPageEntries();
}

std::string StreamErrorText(const StreamError& e) {
    return "Streamingfehler \"" + e.kind + "\" aufgetreten.\r\nDateiname: " + e.file + "\r\nException: " + e.message;
}

}  // namespace tv
