// Reads arbitrary bytes as "borders.bin" and as "german_towns.csv", and
// builds the map scene from what came out: no crash on any input, border points
// stay on the globe, towns keep their class in 1..3.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "geo/map_model.h"
#include "geo/map_scene.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto borders = tv::ReadBorders(bytes);
    if (borders.size() > size / 12 || (!borders.empty() && !borders.front().move)) std::abort();
    for (const tv::BorderPoint& b : borders)
        if (!(b.lat >= -90 && b.lat <= 90 && b.lon >= -360 && b.lon <= 360)) std::abort();
    const auto towns = tv::ReadTowns(bytes);
    for (const tv::MapTown& t : towns)
        if (t.cls < 1 || t.cls > 3) std::abort();
    tv::MapView view;
    view.FitAspect(300, 200);
    (void)tv::BuildMapScene(view, tv::MapContent{}, towns, borders, tv::kMapBlack, tv::MapLayers{}, 300, 200,
                           [](const std::string& text, int pointSize) { return text.size() * pointSize * 0.8; });
    return 0;
}
