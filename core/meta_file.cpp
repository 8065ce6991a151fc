#include "core/meta_file.h"

namespace tv {

std::vector<TDescrImage> ParseMetaLines(const std::vector<std::string>& lines) {
    auto value = [&](std::size_t i) -> std::string {
        if (i >= lines.size()) return {};
        const std::string& line = lines[i];
        const std::size_t hash = line.find('#');
        return hash == std::string::npos ? line : line.substr(hash + 1);
    };
    std::vector<TDescrImage> images;
    for (std::size_t i = 0; i < lines.size() && images.size() < static_cast<std::size_t>(kMaxDescrImages); i += 3) {
        TDescrImage im;
        im.FileName = value(i);
        im.Caption = value(i + 1);
        im.Description = value(i + 2);
        images.push_back(std::move(im));
    }
    return images;
}

std::string BareFileName(std::string_view path) {
    const auto cut = path.find_last_of("\\/");
    return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
}

}  // namespace tv
