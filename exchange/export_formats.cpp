#include "exchange/export_formats.h"

#include "exchange/formats/gpx_format.h"
#include "exchange/formats/xml_template_format.h"

namespace tv {

namespace {

int WriteGpxRow(const ExportList& list, const ExportOptions& o, const ExportContext& ctx, LineSink& sink) {
    return WriteGpx(list, o.gpx, ctx, sink);
}

int WriteXmlRow(const ExportList& list, const ExportOptions& o, const ExportContext&, LineSink& sink) {
    return WriteXmlTemplate(list, o.xml, sink);
}

}  // namespace

const std::vector<ExportFormat>& ExportFormats() {
    static const std::vector<ExportFormat> table = {
        {kFmtGpx, "gpx", "GPX-Dateien (*.gpx)", WriteGpxRow},
        {kFmtXml, "xml", "XML-Dateien (*.xml)", WriteXmlRow},
    };
    return table;
}

const ExportFormat* FindExportFormat(int item) {
    for (const ExportFormat& f : ExportFormats())
        if (f.item == item) return &f;
    return nullptr;
}

}  // namespace tv
