#pragma once
// The content security policy of the pages the program writes for the
// browser. Listing texts are HTML written by strangers: nothing in them may
// run a script, open a frame, object or form, or load anything over the
// network. Pictures and style kept beside the page still show.
#include <string_view>

namespace tv {

inline constexpr std::string_view kOfflinePagePolicy =
    "default-src 'none'; img-src 'self' file: data:; style-src 'self' file: 'unsafe-inline'; "
    "form-action 'none'; base-uri 'none'";

// The policy as the head element that declares it.
inline constexpr std::string_view kOfflinePagePolicyMeta =
    "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; img-src 'self' file: data:; "
    "style-src 'self' file: 'unsafe-inline'; form-action 'none'; base-uri 'none'\">";

}  // namespace tv
