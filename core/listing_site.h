#pragma once
// The geocaching listing site the program talks to: its host, the host of
// its pictures and the address of a cache's details page. One value, owned by
// the settings and handed to the loader, the parser, the description pages
// and the exports in their parameter structs.
#include <string>
#include <string_view>

namespace tv {

struct ListingSite {
    std::string host = "www.geocaching.com";
    std::string pictureHost = "img.geocaching.com";

    // "http://" + host + "/seek/cache_details.aspx?wp=" + code.
    std::string DetailsUrl(std::string_view code) const {
        std::string url = "http://" + host + "/seek/cache_details.aspx?wp=";
        url.append(code);
        return url;
    }

    bool operator==(const ListingSite&) const = default;
};

// The site of the settings (ProcSettings.Site).
const ListingSite& SettingsListingSite();

}  // namespace tv
