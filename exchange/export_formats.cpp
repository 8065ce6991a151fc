#include "exchange/export_formats.h"

#include "exchange/formats/csv_format.h"
#include "exchange/formats/easygps_format.h"
#include "exchange/formats/gpx_format.h"
#include "exchange/formats/magellan_format.h"
#include "exchange/formats/ozi_format.h"
#include "exchange/formats/realmaps_format.h"
#include "exchange/formats/top50_format.h"
#include "exchange/formats/xml_template_format.h"
#include "platform/text_encoding.h"

namespace tv {

namespace {

int WriteTop50Row(const ExportList& list, const ExportOptions& o, const ExportContext& ctx, LineSink& sink) {
    return WriteTop50(list, o.ovl, ctx, sink);
}

int WriteEasyGpsRow(const ExportList& list, const ExportOptions&, const ExportContext& ctx, LineSink& sink) {
    return WriteEasyGps(list, ctx, sink);
}

int WriteCsvRow(const ExportList& list, const ExportOptions& o, const ExportContext& ctx, LineSink& sink) {
    return WriteCsv(list, o.csv, ctx, sink);
}

int WriteRealMapsRow(const ExportList& list, const ExportOptions& o, const ExportContext&, LineSink& sink) {
    return WriteRealMaps(list, o.psionInfo, sink);
}

int WriteOziRow(const ExportList& list, const ExportOptions& o, const ExportContext& ctx, LineSink& sink) {
    return WriteOzi(list, o.ozi, ctx, sink);
}

int WriteMagellanRow(const ExportList& list, const ExportOptions&, const ExportContext&, LineSink& sink) {
    return WriteMagellan(list, sink);
}

int WriteGpxRow(const ExportList& list, const ExportOptions& o, const ExportContext& ctx, LineSink& sink) {
    return WriteGpx(list, o.gpx, ctx, sink);
}

int WriteXmlRow(const ExportList& list, const ExportOptions& o, const ExportContext&, LineSink& sink) {
    return WriteXmlTemplate(list, o.xml, sink);
}

}  // namespace

const std::vector<ExportFormat>& ExportFormats() {
    static const std::vector<ExportFormat> table = {
        {kFmtTop50, "ovl", "Top50 Overlaydateien (*.ovl)", WriteTop50Row},
        {kFmtEasyGps, "loc", "Waypointdatei für EasyGPS (*.loc)", WriteEasyGpsRow},
        {kFmtCsv, "csv", "CSV-Dateien für Tabellenkalkulation (*.csv)", WriteCsvRow},
        {kFmtRealMaps, "txt", "RealMaps-Serie3-Overlay (*.txt)", WriteRealMapsRow},
        {kFmtOzi, "wpt", "OziExplorer (*.wpt)", WriteOziRow},
        {kFmtGpx, "gpx", "GPX-Dateien (*.gpx)", WriteGpxRow},
        {kFmtXml, "xml", "XML-Dateien (*.xml)", WriteXmlRow},
        {kFmtMagellan, "gs", "Magellan-Dateien (*.gs)", WriteMagellanRow},
    };
    return table;
}

const ExportFormat* FindExportFormat(int item) {
    for (const ExportFormat& f : ExportFormats())
        if (f.item == item) return &f;
    return nullptr;
}

std::string ExportFilterList() {
    std::string out;
    for (const ExportFormat& f : ExportFormats()) {
        out += W(f.filter);
        out += ";;";
    }
    return out + "Alle Dateien (*)";
}

}  // namespace tv
