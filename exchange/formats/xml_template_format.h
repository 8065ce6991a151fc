#pragma once
// Any text format the user describes in a template "*.xtp": its header, one
// filled waypoint part per cache, its footer.
#include "exchange/export_formats.h"

namespace tv {

int WriteXmlTemplate(const ExportList& list, const XmlTemplateParts& parts, LineSink& sink);

// The waypoint part filled for one cache.
std::string XmlWaypointText(std::string_view tpl, const TCacheRec& rec);

}  // namespace tv
