#include "support/browser.h"

#include <cstdlib>

#include "core/str_util.h"
#include "support/temp_dir.h"

namespace tvtest {

namespace fs = std::filesystem;

namespace {

int g_profiles = 0;

// Runs chromium on the page with `action` (--dump-dom, --screenshot=...).
bool Run(const fs::path& scratch, const fs::path& page, const std::string& action, const std::string& proxy,
         const fs::path& out) {
    const fs::path profile = scratch / ("profile" + std::to_string(++g_profiles));
    const std::string command =
        "timeout -k 5 90 chromium --headless --no-sandbox --disable-gpu --disable-background-networking "
        "--disable-component-update --disable-sync --no-first-run "
        "--host-resolver-rules='MAP * ~NOTFOUND, EXCLUDE 127.0.0.1' --proxy-bypass-list='<-loopback>' "
        "--proxy-server=" +
        (proxy.empty() ? std::string("127.0.0.1:9") : proxy) + " --user-data-dir='" + profile.string() + "' " +
        action + " '" + tv::PathToFileUrl(page.string()) + "' > '" + out.string() + "' 2>/dev/null";
    return std::system(command.c_str()) == 0;
}

}  // namespace

bool HaveChromium() { return std::system("command -v chromium >/dev/null 2>&1") == 0; }

std::string DumpDom(const fs::path& scratch, const fs::path& page, const std::string& proxy) {
    const fs::path out = scratch / "dom.html";
    if (!Run(scratch, page, "--dump-dom", proxy, out)) return {};
    return ReadFileBytes(out);
}

bool Screenshot(const fs::path& scratch, const fs::path& page, const fs::path& png, int width, int height,
                const std::string& proxy) {
    std::error_code ec;
    fs::remove(png, ec);
    const std::string action = "--window-size=" + std::to_string(width) + "," + std::to_string(height) +
                               " --hide-scrollbars --screenshot='" + png.string() + "'";
    return Run(scratch, page, action, proxy, scratch / "screenshot.log") && fs::exists(png);
}

}  // namespace tvtest
