#pragma once
// Plain text put into HTML pages: user notes, names from the database or the
// settings. Text that is HTML already (parts of a stored listing page) is
// never passed through here.
#include <string>
#include <string_view>

namespace tv::html {

// Element content: '&', '<' and '>' become entities; every other byte
// (Windows-1252 letters included) stays as it is.
std::string Text(std::string_view text);
// Attribute values in double or single quotes: as Text, and '"' and '\''
// become entities too.
std::string Attr(std::string_view text);

// The policy of every page the program writes and the user opens from disk:
// the page shows its text and the pictures and style stored beside it, and
// nothing in it runs, frames, submits or loads from the network (listing
// pages are written by strangers).
inline constexpr std::string_view kOfflinePagePolicy =
    "default-src 'none'; img-src file: data:; style-src 'unsafe-inline' file:; font-src file: data:; "
    "media-src file:; base-uri 'none'; form-action 'none'";

// The policy as a meta element.
std::string PolicyMeta(std::string_view policy);
// `page` with PolicyMeta(policy) right after its <head> tag (after <html>, or
// in front, when it has none), before anything of the page can run.
std::string WithPagePolicy(std::string_view page, std::string_view policy = kOfflinePagePolicy);

}  // namespace tv::html
