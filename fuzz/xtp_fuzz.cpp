// XML export templates ("*.xtp") are files users swap: any bytes must parse,
// and filling the parsed waypoint part must not fail either.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/cache_rec.h"
#include "exchange/export_options.h"
#include "exchange/formats/xml_template_format.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const tv::XmlTemplate t = tv::ParseXtp(bytes);
    tv::TCacheRec rec;
    rec.Name = bytes.substr(0, 120);
    rec.Waypoint = "GC1234";
    (void)tv::XmlWaypointText(t.parts.waypoint, rec, t.parts.header);
    return 0;
}
