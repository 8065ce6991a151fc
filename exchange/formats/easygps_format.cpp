#include "exchange/formats/easygps_format.h"

#include "core/str_util.h"
#include "exchange/export_sink.h"
#include "exchange/export_text.h"

namespace tv {

int WriteEasyGps(const ExportList& list, const ExportContext& ctx, LineSink& sink) {
    sink.Line("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>");
    sink.Line("<loc version=\"1.0\" src=\"Trailvane\">");
    int written = 0;
    for (const TCacheRec& r : list) {
        if (sink.failed()) break;
        std::string name = AsciiCacheName(r.Name);
        // "]]>" would end the CDATA section early.
        ReplaceAll(name, "]]>", "]]]]><![CDATA[>");
        // The file declares ISO-8859-1: a letter beyond ASCII in a code is
        // written as that byte, anything Latin-1 lacks as a character reference.
        const std::string code = XmlValue(r.Waypoint, XmlPlace::Attribute, XmlCharset::Latin1);
        sink.Line(
            "<waypoint>\r\n"
            "  <name id=\"" +
            code + "\"><![CDATA[" + name +
            "]]></name>\r\n"
            "  <coord lat=\"" +
            FixedText(r.Lat, 10, 6) + "\" lon=\"" + FixedText(r.Lon, 10, 6) +
            "\"/>\r\n"
            "  <type>Geocache</type>\r\n"
            "  <link text=\"Cache Details\">" +
            XmlValue(ctx.site.DetailsUrl(r.Waypoint), XmlPlace::Text, XmlCharset::Latin1) +
            "</link>\r\n"
            "</waypoint>");
        ++written;
    }
    sink.Line("</loc>");
    return written;
}

}  // namespace tv
