#pragma once
// Any text format the user describes in a template "*.xtp": its header, one
// filled waypoint part per cache, its footer.
#include "exchange/export_formats.h"

namespace tv {

int WriteXmlTemplate(const ExportList& list, const XmlTemplateParts& parts, LineSink& sink);

// The waypoint part filled for one cache. A template whose header (or,
// without a header, whose waypoint part) starts with markup is XML: every
// value is escaped for its place and written in the encoding the header
// declares. Any other template gets the values as stored.
std::string XmlWaypointText(std::string_view tpl, const TCacheRec& rec, std::string_view header = {});

}  // namespace tv
