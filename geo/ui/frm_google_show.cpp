#include "geo/ui/frm_google_show.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "geo/map_links.h"
#include "platform/ui/dialog_buttons.h"
#include "platform/ui/modal_result.h"
#include "platform/ui/qt_text.h"
#include "platform/ui/radio_group.h"
#include "platform/ui/form_events.h"

namespace tv {

TfrmGoogleShow::TfrmGoogleShow() : QDialog(nullptr) {
    setObjectName("frmGoogleShow");
    setWindowTitle(U("in GoogleMaps zeigen"));
    QGroupBox* map = RadioGroup("Darstellung", {"Karte", "Luftbild", "Hybrid"}, 3, rgMap, this, 0);
    map->setParent(this);
    auto* zoom = new QGroupBox(U("Zoomstufe"), this);
    cbZoom = new QComboBox(zoom);
    cbZoom->setObjectName("cbZoom");
    cbZoom->addItems({U("Haus"), U("Straße"), U("Viertel/Ortsteil"), U("Stadt")});
    cbZoom->setCurrentIndex(1);
    (new QVBoxLayout(zoom))->addWidget(cbZoom);
    QDialogButtonBox* buttons = OkCancelButtons(this, btnShow, btnCancel);
    btnShow->setObjectName("btnShow");
    connect(btnShow, &QPushButton::clicked, this, [this] { btnShowClick(); });
    connect(btnCancel, &QPushButton::clicked, this, [this] { done(mrCancel); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(map);
    layout->addWidget(zoom);
    layout->addWidget(buttons);
    KeepTitleVisible(this);
}

void TfrmGoogleShow::showEvent(QShowEvent* event) {
    if (IsFormShowHide(event)) FormShow();
    QDialog::showEvent(event);
}

void TfrmGoogleShow::FormShow() {
    if (cbZoom->currentIndex() < 0) cbZoom->setCurrentIndex(1);
    if (rgMap->checkedId() < 0) rgMap->button(0)->setChecked(true);
}

void TfrmGoogleShow::btnShowClick() {
    URL = BuildMapUrl(lat, lon, cbZoom->currentIndex(), CheckedId(rgMap));
    done(mrOk);
}

}  // namespace tv
