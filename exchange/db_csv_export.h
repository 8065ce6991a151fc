#pragma once
// The cache database as a semicolon-separated Windows-1252 text file, one
// line per record of "Caches.bin" in file order, with the columns the user
// ticks and an optional header line.
#include <cstdint>
#include <string>

#include "core/cache_rec.h"
#include "core/cachedb_table.h"
#include "core/result.h"

namespace tv {

struct CsvColumns {
    bool id = false, name = true, hidden = true, coord = true, size = true, type = true, wp = true, diff = true,
         terr = true, country = true, homedist = true, inDb = false;
};

// "JA" / "NEIN".
std::string BoolToJaNein(bool value);
// The ticked headers, each quoted, joined by ';' (no line end).
std::string CsvHeader(const CsvColumns& cols);
// The ticked fields of the record joined by ';' (no line end).
std::string CsvLine(const TCacheRec& rec, const CsvColumns& cols, const TCacheDBTable& countries);

// Writes the records of `cachesBin` into `target` (replaced only when all of
// it was written). The records written, or the error: a target that is a file
// of the program (ProgramFileRefusal; the work folder is the database's
// folder), a database that cannot be read, a target that cannot be written.
Result<int> ExportCachesCsv(const std::string& cachesBin, const std::string& target, const CsvColumns& cols,
                            bool header, const TCacheDBTable& countries);

}  // namespace tv
