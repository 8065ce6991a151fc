#pragma once
// The cache-type filter of the radius search: one box per type number.
#include <array>

namespace tv {

// Boxes in type order: traditional, multi, virtual, letterbox, event, webcam,
// mystery, locationless, CITO, earthcache.
using TypeFilterBoxes = std::array<bool, 10>;

// The type number is masked to its low 7 bits (flag bits above are ignored);
// numbers above 9 are never selected.
bool IsTypeSelected(const TypeFilterBoxes& boxes, int type);

}  // namespace tv
