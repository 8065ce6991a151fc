#include "exchange/formats/realmaps_format.h"

#include "exchange/export_sink.h"
#include "exchange/export_text.h"

namespace tv {

int WriteRealMaps(const ExportList& list, int info, LineSink& sink) {
    int written = 0;
    for (const TCacheRec& r : list) {
        if (sink.failed()) break;
        std::string text = info == 1   ? r.Waypoint.str()
                           : info == 2 ? r.Waypoint.str() + " " + r.Name.str()
                                       : r.Name.str();
        // A TAB or line break in a name would split the row.
        for (char& c : text)
            if (static_cast<unsigned char>(c) < 0x20) c = ' ';
        sink.Line(FixedText(r.Lat, 10, 6, ',') + "\t" + FixedText(r.Lon, 10, 6, ',') + "\t" + text);
        ++written;
    }
    return written;
}

}  // namespace tv
