#include "exchange/db_csv_export.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <vector>

#include "core/coords.h"
#include "core/csv_field.h"
#include "core/file_procs.h"
#include "core/fs_name.h"
#include "core/program_files.h"
#include "platform/text_encoding.h"

namespace tv {

namespace {

void Field(std::string& line, const std::string& value) {
    line += value;
    line += ';';
}

std::string Two(int v) { return {static_cast<char>('0' + v / 10 % 10), static_cast<char>('0' + v % 10)}; }

// "dd.MM.yyyy", and " hh:nn:ss" when the day count has a time of day.
std::string DateText(double dayCount) {
    int y = 0, m = 0, d = 0;
    if (!DateFromDayCount(dayCount, y, m, d)) return {};
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d", y);
    std::string text = Two(d) + "." + Two(m) + "." + buf;
    const double frac = dayCount - std::floor(dayCount);
    long secs = std::lround(frac * 86400.0);
    if (secs > 0) {
        secs = std::min(secs, 86399L);
        text += " " + Two(static_cast<int>(secs / 3600)) + ":" + Two(static_cast<int>(secs / 60 % 60)) + ":" +
                Two(static_cast<int>(secs % 60));
    }
    return text;
}

std::string Comma(std::string text) {
    const auto dot = text.find('.');
    if (dot != std::string::npos) text[dot] = ',';
    return text;
}

std::string Distance(float km) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, static_cast<double>(km), std::chars_format::fixed, 2);
    return Comma(std::string(buf, r.ec == std::errc() ? r.ptr : buf));
}

std::string Joined(std::string line) {
    if (!line.empty()) line.pop_back();
    return line;
}

}  // namespace

std::string BoolToJaNein(bool value) { return value ? "JA" : "NEIN"; }

std::string CsvHeader(const CsvColumns& c) {
    std::string line;
    const std::pair<bool, const char*> heads[] = {
        {c.id, "ID"},        {c.name, "Cachename"}, {c.hidden, "Versteckdatum"}, {c.coord, "Koordinaten"},
        {c.size, "Größe"},   {c.type, "Typ"},       {c.wp, "Waypoint"},          {c.diff, "Diff."},
        {c.terr, "Terrain"}, {c.country, "Land"},   {c.homedist, "km von Home"}, {c.inDb, "In Datenbank"}};
    for (const auto& [on, text] : heads)
        if (on) Field(line, CsvQuoted(W(text)));
    return Joined(line);
}

std::string CsvLine(const TCacheRec& r, const CsvColumns& c, const TCacheDBTable& countries) {
    std::string line;
    if (c.id) Field(line, std::to_string(r.Id));
    if (c.name) Field(line, CsvQuoted(r.Name.view()));
    if (c.hidden) Field(line, CsvQuoted(DateText(r.Hidden)));
    if (c.coord) Field(line, CsvQuoted(FormatCoord(r.Lat, r.Lon)));
    if (c.size) Field(line, CsvQuoted(r.Size.view()));
    if (c.type) Field(line, CsvQuoted(r.CacheType.view()));
    if (c.wp) Field(line, CsvQuoted(r.Waypoint.view()));
    if (c.diff) Field(line, CsvQuoted(Comma(r.Difficulty.str())));
    if (c.terr) Field(line, CsvQuoted(Comma(r.Terrain.str())));
    if (c.country) Field(line, CsvQuoted(countries.CountryNameByID(r.CountryId)));
    if (c.homedist) Field(line, Distance(r.Distance));
    if (c.inDb) Field(line, CsvQuoted(BoolToJaNein(r.InDB != 0)));
    return Joined(line);
}

Result<int> ExportCachesCsv(const std::string& cachesBin, const std::string& target, const CsvColumns& cols,
                            bool header, const TCacheDBTable& countries) {
    const std::string workDir = cachesBin.substr(0, cachesBin.find_last_of('/') + 1);
    if (auto refused = ProgramFileRefusal(target, workDir, TargetRole::Export, {cachesBin})) return std::move(*refused);
    auto in = OpenProgramFile(cachesBin);
    if (!in) return in.error();
    AtomicFileWriter out(target);
    // A failed create or write names the system's cause.
    if (!out.ok()) return Error{out.error(), WriteErrorText(target)};
    std::string text;
    if (header) text = CsvHeader(cols) + "\r\n";
    int count = 0;
    bool written = true;
    const int code = ForEachRecord(*in, TCacheRec::kSize, [&](const unsigned char* raw, long long) {
        const std::string line = CsvLine(DecodeCacheRec(raw), cols, countries);
        if (line.empty()) return true;
        text += line;
        text += "\r\n";
        ++count;
        // Written in blocks, not held whole.
        if (text.size() < (1u << 20)) return true;
        written = out.Write(text);
        text.clear();
        return written;
    });
    if (code != 0) return Error{code, ReadErrorText(cachesBin)};
    if (!written || !out.Write(text)) return Error{out.error(), WriteErrorText(target)};
    if (!out.Commit()) return Error{out.error(), WriteErrorText(target)};
    return count;
}

}  // namespace tv
