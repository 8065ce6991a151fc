#include "geo/ui/frm_google_maps.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QPushButton>
#include <QVBoxLayout>
#include <cerrno>

#include "core/app_paths.h"
#include "core/debug_log.h"
#include "core/proc_settings.h"
#include "geo/map_links.h"
#include "platform/services.h"
#include "platform/ui/dialog_buttons.h"
#include "platform/ui/modal_result.h"
#include "platform/ui/qt_text.h"
#include "platform/ui/radio_group.h"

namespace tv {

namespace {

// The busy cursor for a scope, also when it is left early.
struct BusyCursor {
    BusyCursor() { platform::pump().setBusy(true); }
    ~BusyCursor() { platform::pump().setBusy(false); }
};

}  // namespace

TfrmGoogleMaps::TfrmGoogleMaps() : QDialog(nullptr) {
    setObjectName("frmGoogleMaps");
    setWindowTitle(U("Caches in GoogleMaps zeigen"));
    QGroupBox* which = RadioGroup("Welche Caches anzeigen?",
                                  {"Arbeitsliste", "Fundliste", "aktives Ausgabeverzeichnis"}, 1, rgWhich, this, 0);
    QGroupBox* size = RadioGroup("Kartengröße", {"640 x 480", "800 x 600", "1024 x 768"}, 1, rgMapsize, this, 0);
    which->setParent(this);
    size->setParent(this);
    QDialogButtonBox* buttons = OkCancelButtons(this, BitBtn1, BitBtn2);
    BitBtn1->setObjectName("BitBtn1");
    BitBtn2->setObjectName("BitBtn2");
    connect(BitBtn1, &QPushButton::clicked, this, [this] {
        BitBtn1Click();
        done(mrOk);
    });
    connect(BitBtn2, &QPushButton::clicked, this, [this] { done(mrCancel); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(which);
    layout->addWidget(size);
    layout->addWidget(buttons);
    KeepTitleVisible(this);
}

void TfrmGoogleMaps::BitBtn1Click() {
    MapPageParams params;
    params.workDir = GetWorkDir();
    params.templateFallbackDir = ProgramDir();
    params.source = static_cast<MapListSource>(CheckedId(rgWhich));
    params.mapSizeItem = CheckedId(rgMapsize);
    MapPageResult r;
    {
        const BusyCursor busy;
        r = WriteMapPage(params);
    }
    if (r.status == MapPageResult::Failed) ShowSysError(EIO, r.error);
    if (r.status == MapPageResult::Written) platform::shellOpen().open(r.pagePath);
}

}  // namespace tv
