#pragma once
// The export formats: what a writer gets besides the list and its options
// (the context), and the one table of formats the dialog and the run use.
// Adding a format is a writer pair under exchange/formats/ and a row here.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/cache_rec.h"
#include "core/coords.h"
#include "core/listing_site.h"
#include "exchange/export_options.h"

namespace tv {

class LineSink;

// An additional home as the settings keep it (coordinates as texts).
struct HomePoint {
    std::string lat, lon, name;
};

// Everything a writer would otherwise take from globals.
struct ExportContext {
    std::string workDir;  // ends in '/'
    double homeLat = 0, homeLon = 0;
    std::vector<HomePoint> addHomes;
    std::string xmlInit, gpxInit;  // the first two lines of a GPX file
    LatLon distanceRef;            // where CSV distances are measured from
    ListingSite site;
    double now = 0;                                        // day count of the local time of the run
    std::function<std::string(std::int32_t)> countryName;  // the id as text when unset
    bool fromFinds = false;                                // the list was built from Finds.bin
};

using ExportList = std::vector<TCacheRec>;

// Writes the file; returns the number of caches written.
using ExportWriter = int (*)(const ExportList&, const ExportOptions&, const ExportContext&, LineSink&);

struct ExportFormat {
    int item;               // format item of the dialog
    const char* extension;  // without '.'
    const char* filter;     // file dialog entry (UTF-8)
    ExportWriter write;
};

// The formats built, by item.
const std::vector<ExportFormat>& ExportFormats();
// Null when the item has no writer.
const ExportFormat* FindExportFormat(int item);
// The save dialog's filter list (Windows-1252, Qt notation): every format's
// entry in item order, then "Alle Dateien (*)".
std::string ExportFilterList();

}  // namespace tv
