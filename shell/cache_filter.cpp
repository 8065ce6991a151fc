#include "shell/cache_filter.h"

namespace tv {

bool IsTypeSelected(const TypeFilterBoxes& boxes, int type) {
    const int t = type & 0x7F;
    if (t > 9) return false;
    return boxes[static_cast<std::size_t>(t)];
}

}  // namespace tv
