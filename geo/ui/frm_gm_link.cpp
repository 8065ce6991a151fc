#include "geo/ui/frm_gm_link.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <cerrno>

#include "core/app_paths.h"
#include "core/coords.h"
#include "core/debug_log.h"
#include "core/file_procs.h"
#include "core/listing_site.h"
#include "core/number_format.h"
#include "core/proc_settings.h"
#include "geo/map_links.h"
#include "platform/services.h"
#include "platform/ui/modal_result.h"
#include "platform/ui/qt_text.h"
#include "platform/ui/form_events.h"

namespace tv {

namespace {

void ShowError(const std::string& text) { platform::messages().show(platform::MsgKind::Error, text); }

QLineEdit* NewField(QWidget* parent, const char* name) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(name);
    box->setReadOnly(true);
    return box;
}

}  // namespace

TfrmGMLink::TfrmGMLink() : QDialog(nullptr) {
    setObjectName("frmGMLink");
    setWindowTitle(U("Koordinaten aus GoogleMaps-Link ermitteln"));

    auto* gUrl = new QGroupBox(U("GoogleMaps-URL"), this);
    edURL = new QLineEdit(gUrl);
    edURL->setObjectName("edURL");
    btnPaste = new QPushButton(U("Einfügen"), gUrl);
    btnPaste->setObjectName("btnPaste");
    auto* urlRow = new QHBoxLayout(gUrl);
    urlRow->addWidget(edURL, 1);
    urlRow->addWidget(btnPaste);

    auto* gOut = new QGroupBox(U("Extrahierte Koordinaten"), this);
    lblKoord = new QLabel(U("---"), gOut);
    lblKoord->setObjectName("lblKoord");
    auto* gDM = new QGroupBox(U("DD MM.MMM"), gOut);
    edLatDM = NewField(gDM, "edLatDM");
    edLonDM = NewField(gDM, "edLonDM");
    auto* dm = new QGridLayout(gDM);
    dm->addWidget(new QLabel(U("Breite:"), gDM), 0, 0);
    dm->addWidget(edLatDM, 0, 1);
    dm->addWidget(new QLabel(U("Länge:"), gDM), 1, 0);
    dm->addWidget(edLonDM, 1, 1);
    auto* gD = new QGroupBox(U("DD.DDDDD"), gOut);
    edLatD = NewField(gD, "edLatD");
    edLonD = NewField(gD, "edLonD");
    auto* d = new QVBoxLayout(gD);
    d->addWidget(edLatD);
    d->addWidget(edLonD);
    btnCoordSave = new QPushButton(U("Koordinaten in diesem Home hinterlegen:"), gOut);
    btnCoordSave->setObjectName("btnCoordSave");
    cbHome = new QComboBox(gOut);
    cbHome->setObjectName("cbHome");
    btnRadSearch = new QPushButton(U("Caches im Umkreis von 100 km suchen"), gOut);
    btnRadSearch->setObjectName("btnRadSearch");
    auto* out = new QGridLayout(gOut);
    out->addWidget(lblKoord, 0, 0, 1, 2);
    out->addWidget(gDM, 1, 0);
    out->addWidget(gD, 1, 1);
    out->addWidget(btnCoordSave, 2, 0);
    out->addWidget(cbHome, 2, 1);
    out->addWidget(btnRadSearch, 3, 0, 1, 2);

    auto* buttons = new QDialogButtonBox(this);
    btnCalc = buttons->addButton(U("Berechnen"), QDialogButtonBox::ActionRole);
    btnCalc->setObjectName("btnCalc");
    btnClose = buttons->addButton(U("Schließen"), QDialogButtonBox::RejectRole);
    btnClose->setObjectName("btnClose");

    btnCoordSave->setEnabled(false);
    btnRadSearch->setEnabled(false);
    connect(edURL, &QLineEdit::textChanged, this, [this] { calc(false); });
    connect(btnCalc, &QPushButton::clicked, this, [this] { btnCalcClick(); });
    connect(btnPaste, &QPushButton::clicked, this, [this] { btnPasteClick(); });
    connect(cbHome, &QComboBox::currentIndexChanged, this, [this] { cbHomeChange(); });
    connect(btnCoordSave, &QPushButton::clicked, this, [this] { btnCoordSaveClick(); });
    connect(btnRadSearch, &QPushButton::clicked, this, [this] { btnRadSearchClick(); });
    connect(btnClose, &QPushButton::clicked, this, [this] { done(mrCancel); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(gUrl);
    layout->addWidget(gOut);
    layout->addWidget(buttons);
}

void TfrmGMLink::showEvent(QShowEvent* event) {
    if (IsFormShowHide(event)) FormShow();
    QDialog::showEvent(event);
}

void TfrmGMLink::FormShow() {
    {
        const QSignalBlocker block(cbHome);
        cbHome->clear();
        for (const std::string& name : ProcSettings.AddHomeTxt) cbHome->addItem(ToQ(name));
    }
    const bool homes = cbHome->count() > 0;
    cbHome->setVisible(homes);
    btnCoordSave->setVisible(homes);
    if (homes) {
        cbHome->setCurrentIndex(0);
        cbHomeChange();
    }
}

void TfrmGMLink::btnCalcClick() { calc(true); }

void TfrmGMLink::calc(bool report) {
    btnRadSearch->setEnabled(false);
    btnCoordSave->setEnabled(false);
    const std::string text = FromQ(edURL->text());
    if (text.empty()) return;
    const MapLinkResult r = ParseMapLink(text);
    if (!r.link) {
        if (report) ShowError(MapLinkErrorText(r.error));
        return;
    }
    lat = r.link->lat;
    lon = r.link->lon;
    edLatD->setText(ToQ(r.link->latText));
    edLonD->setText(ToQ(r.link->lonText));
    const DmHalves dm = SplitDmForLink(lat, lon);
    edLatDM->setText(ToQ(dm.lat));
    edLonDM->setText(ToQ(dm.lon));
    btnRadSearch->setEnabled(true);
    btnCoordSave->setEnabled(true);
}

void TfrmGMLink::btnPasteClick() {
    const std::string text = platform::clipboard().text();
    if (!text.empty() && IsMapServiceLink(text)) {
        {
            const QSignalBlocker block(edURL);
            edURL->setText(ToQ(text));
        }
        calc(true);
        return;
    }
    ShowError(text.empty() ? "Die Zwischenablage ist leer."
                           : FromQ(U("Keine gültige URL zu GoogleMaps in der Zwischenablage")));
    edURL->clear();
}

void TfrmGMLink::cbHomeChange() {
    const int i = cbHome->currentIndex();
    const auto& s = ProcSettings;
    if (i < 0 || i >= static_cast<int>(s.AddHomeLat.size()) || i >= static_cast<int>(s.AddHomeLon.size())) return;
    const auto la = ParseFloat(s.AddHomeLat[static_cast<std::size_t>(i)], '.');
    const auto lo = ParseFloat(s.AddHomeLon[static_cast<std::size_t>(i)], '.');
    if (la && lo) lblKoord->setText(ToQ(FormatCoord(*la, *lo)));
}

void TfrmGMLink::btnCoordSaveClick() {
    const int i = cbHome->currentIndex();
    auto& s = ProcSettings;
    if (i < 0 || i >= static_cast<int>(s.AddHomeLat.size()) || i >= static_cast<int>(s.AddHomeLon.size())) return;
    s.AddHomeLat[static_cast<std::size_t>(i)] = FormatFloatGeneral(lat, '.', 15);
    s.AddHomeLon[static_cast<std::size_t>(i)] = FormatFloatGeneral(lon, '.', 15);
    // Saved at once: a later cancelled settings dialog reloads the file and
    // would drop a change held only in memory.
    if (!SaveProcSettings(false)) ShowSysError(EIO, WriteErrorText(ProgramDir() + "tq.conf"));
    cbHomeChange();
}

void TfrmGMLink::btnRadSearchClick() { platform::shellOpen().open(RadiusSearchUrl(SettingsListingSite(), lat, lon)); }

}  // namespace tv
