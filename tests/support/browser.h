#pragma once
// Pages opened in headless Chromium for tests that must see what a browser
// does with a written page. Every run gets a fresh profile; host names never
// resolve, and every request goes to `proxy` ("127.0.0.1:<port>", a test
// server that counts them) or, without one, to a closed port.
#include <filesystem>
#include <string>

namespace tvtest {

bool HaveChromium();

// The DOM after the page loaded and its scripts ran, as Chromium serialises
// it; empty when the browser failed.
std::string DumpDom(const std::filesystem::path& scratch, const std::filesystem::path& page,
                    const std::string& proxy = {});

// A PNG screenshot of the page in a window of the given size; false when the
// browser failed.
bool Screenshot(const std::filesystem::path& scratch, const std::filesystem::path& page,
                const std::filesystem::path& png, int width, int height, const std::string& proxy = {});

}  // namespace tvtest
