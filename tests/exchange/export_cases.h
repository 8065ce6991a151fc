#pragma once
// Shared by the export tests: three caches that cover umlauts, markup
// characters, the south-west quadrant and a minute boundary; a work folder
// holding them as database, work list, directory list and finds; a fixed
// context; gpsbabel as an independent reader and the GPX 1.1 schema.
#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <libxml/xmlschemas.h>

#include "core/cache_rec.h"
#include "exchange/export_formats.h"
#include "platform/text_encoding.h"
#include "support/temp_dir.h"

namespace tvtest {

// Whether a file is valid GPX 1.1 by the schema (tests/data/schema).
inline bool ValidGpx11(const std::string& file) {
    const std::string xsd = TestsPath("data/schema/gpx11.xsd").string();
    xmlSchemaParserCtxtPtr pc = xmlSchemaNewParserCtxt(xsd.c_str());
    xmlSchemaPtr schema = xmlSchemaParse(pc);
    xmlSchemaValidCtxtPtr vc = xmlSchemaNewValidCtxt(schema);
    const int rc = xmlSchemaValidateFile(vc, file.c_str(), 0);
    xmlSchemaFreeValidCtxt(vc);
    xmlSchemaFree(schema);
    xmlSchemaFreeParserCtxt(pc);
    return rc == 0;
}

inline tv::TCacheRec ExportRec(int id, const char* code, const std::string& name, double lat, double lon,
                               const char* type, const char* size, const char* diff, const char* terr, double hidden,
                               int country) {
    tv::TCacheRec r;
    r.Id = id;
    r.Waypoint = code;
    r.Name = name;
    r.Lat = lat;
    r.Lon = lon;
    r.CacheType = type;
    r.Size = size;
    r.Difficulty = diff;
    r.Terrain = terr;
    r.Hidden = hidden;
    r.CountryId = country;
    return r;
}

inline std::vector<tv::TCacheRec> ExportRecords() {
    return {ExportRec(12345, "GC1234", tv::W("Bäche & Brücken"), 49.5, 10.75, "Traditional Cache", "Regular", "1.5",
                      "2", 38171.0, 79),
            ExportRec(2, "GCABCD", tv::W("Über den Fluß - Teil 2, \"Nord\" <&> #LAT#"), -33.5, -70.25, "Multi-cache",
                      "Micro", "3", "4.5", 39000.5, 0),
            ExportRec(3, "GCZZZ9", "Zehn", 47.999995, 10.7512345678, "Letterbox Hybrid", "", "1", "2,5", 38000.0, 4)};
}

// Caches.bin (the three and one more), WPList.txt, dirlist.txt, Finds.bin.
inline void WriteExportWork(const TempDir& work) {
    auto recs = ExportRecords();
    tv::TCacheRec other = recs[0];
    other.Waypoint = "GC5555";
    recs.push_back(other);
    work.write("Caches.bin", tv::EncodeCacheRecs(recs));
    work.write("WPList.txt", "GCZZZ9\r\n\r\ngc1234\r\nGCNOPE\r\nGCABCD\r\n");
    work.write("dirlist.txt", "GCABCD\r\nGCZZZ9\r\n");
    const tv::TFoundRec known{0, 0, "GC1234", "egal", "", "12.08.2006"};
    const tv::TFoundRec gone{48.1, 11.2, "GCX999", tv::W("Verschollen & vergessen"), "Traditional Cache", "31.02.2007"};
    work.write("Finds.bin", tv::EncodeFoundRecs({known, gone}));
}

inline tv::ExportContext ExportTestContext(const std::string& workDir) {
    tv::ExportContext c;
    c.workDir = workDir;
    c.homeLat = 49.45;
    c.homeLon = 11.08;
    c.addHomes = {{"48.13743", "11.57549", tv::W("Büro <A&B>")}, {"abc", "11.0", "Kaputt"}};
    c.distanceRef = {49.45, 11.08};
    c.now = 46000.8736;
    c.countryName = [](std::int32_t id) { return id == 79 ? std::string("Deutschland") : std::to_string(id); };
    return c;
}

// Every file the program reads from its work folder or its program folder
// (one template standing for all "*.xtp"), listed by hand: no export may
// write over any of them.
inline const char* const kProgramFiles[] = {
    "tq.conf",      "CacheDB.conf",  "Caches.bin",     "Caches.idx",      "Finds.bin",       "CacheWaypoints.bin",
    "WPList.txt",   "WPignore.txt",  "WParchived.txt", "WPclipboard.txt", "WPnew.txt",       "dirlist.txt",
    "Persinfo.txt", "Buddies.txt",   "WPtpl.txt",      "template.html",   "gmtemplate.html", "german_towns.csv",
    "borders.bin",  "Mein.xtp",      "Trailvane.lock", "debug.log"};

inline std::string UpperAscii(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

struct ReadPoint {
    std::string name;
    double lat = 0, lon = 0;
};

// The points gpsbabel reads from the file in `format`; nothing when gpsbabel
// is not installed or fails.
inline std::optional<std::vector<ReadPoint>> GpsbabelRead(const std::string& file, const std::string& format,
                                                          const TempDir& scratch) {
    if (std::system("command -v gpsbabel >/dev/null 2>&1") != 0) return std::nullopt;
    const std::string out = scratch.str() + "read.csv";
    const std::string cmd = "gpsbabel -i " + format + " -f '" + file + "' -o unicsv -F '" + out + "' >/dev/null 2>&1";
    if (std::system(cmd.c_str()) != 0) return std::vector<ReadPoint>{};
    // unicsv starts every row with No,Latitude,Longitude,Name (codes hold no comma).
    std::ifstream in(out);
    std::string line;
    std::vector<ReadPoint> points;
    std::getline(in, line);
    while (std::getline(in, line)) {
        std::istringstream row(line);
        std::string no, lat, lon, name;
        std::getline(row, no, ',') && std::getline(row, lat, ',') && std::getline(row, lon, ',') &&
            std::getline(row, name, ',');
        name.erase(std::remove(name.begin(), name.end(), '"'), name.end());
        points.push_back({name, std::stod(lat), std::stod(lon)});
    }
    return points;
}

}  // namespace tvtest
