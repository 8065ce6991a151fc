#include "shell/ui/cachedb_menu.h"

#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QWidget>
#include <exception>

#include "acquire/ui/frm_gcdb_reader.h"
#include "acquire/ui/frm_load_html.h"
#include "acquire/ui/frm_load_url.h"
#include "core/proc_settings.h"
#include "platform/services.h"
#include "platform/text_encoding.h"
#include "platform/ui/modal_host.h"
#include "platform/ui/qt_text.h"

namespace tv {

void UpdateStatusBar(QLabel* statusPanel) {
    const std::string text = ReadStatusBarText();
    if (statusPanel) statusPanel->setText(ToQ(text));
}

CacheDbMenu::CacheDbMenu(QWidget* mainWindow, QLabel* statusPanel)
    : mainWindow_(mainWindow), statusPanel_(statusPanel), commands_(WindowHooks()) {}

CacheDbHooks CacheDbMenu::WindowHooks() {
    CacheDbHooks h = DefaultCacheDbHooks();
    h.download = [this](const DownloadRequest& req) {
        // A loader window of its own, showing only its protocol.
        TfrmLoadHTML w(mainWindow_);
        w.NoWarning = req.noWarning;
        w.Unattended = true;
        w.gbProtocol->show();
        w.btnAbort->show();
        w.gbOptions->hide();
        w.btnLoad->hide();
        w.pb1->hide();
        CenterFormOver(mainWindow_, &w);
        w.show();
        w.lblTask->setText(ToQ(req.task));
        w.lblContent->setText(ToQ(req.content));
        platform::pump().pump();
        const bool ok = w.getBinaryToFile(req.url, req.dest, false);
        w.close();
        return ok;
    };
    h.convert = [this](const std::string& source, const std::string& dest, bool showNearest) {
        TfrmGCDBReader w(mainWindow_);
        w.showDetails = [this](const TCacheRec& rec) {
            if (showDetails) showDetails(rec);
        };
        w.SetSourceName(source);
        w.SetDestName(dest);
        CenterFormOver(mainWindow_, &w);
        w.show();
        platform::pump().pump();
        const int result = w.ConverteHTTP(showNearest);
        w.close();
        return OutcomeOf(result, w.Converter());
    };
    h.loadArchiveList = [this](const std::string& url, const std::string& dest) -> std::optional<int> {
        TfrmLoadURL w(mainWindow_);
        w.SetMemoryOnly(false);
        if (ProcSettings.UseProxy)
            w.SetProxy(ProcSettings.ProxyServer, ProcSettings.ProxyAuth, ProcSettings.ProxyUser,
                       ProcSettings.ProxyPass);
        else
            w.SetProxy("", false, "", "");
        w.SetDestFile(dest);
        w.SetURL(url);
        platform::modalHost().exec(w, mainWindow_);
        if (!w.Succeeded()) return std::nullopt;
        return w.LineCount();
    };
    h.setStatusText = [this](const std::string& text) {
        if (statusPanel_) statusPanel_->setText(ToQ(text));
    };
    return h;
}

void CacheDbMenu::Guard(const std::function<void()>& command) {
    try {
        command();
    } catch (const std::exception& e) {
        platform::pump().setBusy(false);
        platform::messages().show(platform::MsgKind::Error, W("Unerwarteter Fehler: ") + e.what());
    }
}

void CacheDbMenu::mnuReadCacheDBClick() {
    Guard([this] { commands_.DownloadPrimaryCacheDB(); });
}
void CacheDbMenu::mnuReadAdditionalCacheDBsClick() {
    Guard([this] { commands_.DownloadAdditionalCacheDBs(); });
}
void CacheDbMenu::lokaleCacheDBkonvertieren1Click() {
    Guard([this] { commands_.ConvertLocalPrimaryCacheDB(); });
}
void CacheDbMenu::convertAdditionalCacheDBsClick() {
    Guard([this] { commands_.ConvertLocalAdditionalCacheDBs(); });
}
void CacheDbMenu::mnuGetArchiveListClick() {
    Guard([this] { commands_.DownloadArchiveList(); });
}
void CacheDbMenu::mnuCheckForUpdateClick() {
    Guard([this] { commands_.CheckForUpdate(); });
}
void CacheDbMenu::UpdateStatusBar() {
    Guard([this] { commands_.UpdateStatusBar(); });
}
int CacheDbMenu::ConvertCacheDB(const std::string& name, int mode, bool report) {
    int n = 0;
    Guard([&] { n = commands_.ConvertCacheDB(name, mode, report); });
    return n;
}

}  // namespace tv
