#include "geo/ui/frm_coord_input.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "geo/ui/coord_boxes.h"
#include "platform/text_encoding.h"
#include "platform/ui/dialog_buttons.h"
#include "platform/ui/modal_result.h"
#include "platform/ui/qt_text.h"
#include "platform/ui/form_events.h"

namespace tv {

namespace {

// Modal results as the program numbers them (OK is QDialog::Accepted).

const char* const kCaption = "Geograpische Koordinaten eingeben/ändern";

void SetText(QLineEdit* box, const std::string& text) {
    const QSignalBlocker block(box);
    box->setText(ToQ(text));
}

}  // namespace

TfrmCoordInput::TfrmCoordInput() : QDialog(nullptr) {
    setObjectName("frmCoordInput");
    setWindowTitle(QString::fromUtf8(kCaption));

    auto* gbDM = new QGroupBox(QStringLiteral("Format dd mm.mmm"), this);
    edBGrad = NewCoordBox(gbDM, "edBGrad", 3, false);
    edBMin = NewCoordBox(gbDM, "edBMin", 7, true);
    edLGrad = NewCoordBox(gbDM, "edLGrad", 3, false);
    edLMin = NewCoordBox(gbDM, "edLMin", 7, true);
    auto* dmGrid = new QGridLayout(gbDM);
    dmGrid->addWidget(new QLabel(QStringLiteral("Breite:"), gbDM), 0, 0);
    dmGrid->addWidget(edBGrad, 0, 1);
    dmGrid->addWidget(new QLabel(ToQ(W("°")), gbDM), 0, 2);
    dmGrid->addWidget(edBMin, 0, 3);
    dmGrid->addWidget(new QLabel(ToQ(W("Länge:")), gbDM), 1, 0);
    dmGrid->addWidget(edLGrad, 1, 1);
    dmGrid->addWidget(new QLabel(ToQ(W("°")), gbDM), 1, 2);
    dmGrid->addWidget(edLMin, 1, 3);

    auto* gbDec = new QGroupBox(QStringLiteral("Format dd.ddddd"), this);
    edBDec = NewCoordBox(gbDec, "edBDec", 9, true);
    edLDec = NewCoordBox(gbDec, "edLDec", 10, true);
    auto* decGrid = new QGridLayout(gbDec);
    decGrid->addWidget(new QLabel(QStringLiteral("Breite:"), gbDec), 0, 0);
    decGrid->addWidget(edBDec, 0, 1);
    decGrid->addWidget(new QLabel(ToQ(W("Länge:")), gbDec), 1, 0);
    decGrid->addWidget(edLDec, 1, 1);

    auto* gbHemi = new QGroupBox(ToQ(W("Hemisphäre")), this);
    cbNS = NewHemisphereBox(gbHemi, "cbNS", true);
    cbEW = NewHemisphereBox(gbHemi, "cbEW", false);
    auto* hemiLayout = new QVBoxLayout(gbHemi);
    hemiLayout->addWidget(cbNS);
    hemiLayout->addWidget(cbEW);

    gbAddInfo = new QGroupBox(this);
    gbAddInfo->setObjectName("gbAddInfo");
    edAddInfo = new QLineEdit(gbAddInfo);
    edAddInfo->setObjectName("edAddInfo");
    edAddInfo->setMaxLength(80);
    auto* infoLayout = new QVBoxLayout(gbAddInfo);
    infoLayout->addWidget(edAddInfo);
    gbAddInfo->hide();

    auto* buttons = OkCancelButtons(this, btnOK, btnCancel);
    connect(btnOK, &QPushButton::clicked, this, [this] { btnOKClick(); });
    connect(btnCancel, &QPushButton::clicked, this, [this] { done(mrCancel); });

    for (QLineEdit* box : {edBGrad, edBMin, edLGrad, edLMin})
        connect(box, &QLineEdit::textChanged, this, [this] { DMChange(); });
    connect(edBDec, &QLineEdit::textChanged, this, [this] { BLChange(true); });
    connect(edLDec, &QLineEdit::textChanged, this, [this] { BLChange(false); });

    auto* views = new QHBoxLayout;
    views->addWidget(gbDM);
    views->addWidget(gbDec);
    views->addWidget(gbHemi);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(views);
    layout->addWidget(gbAddInfo);
    layout->addWidget(buttons);
}

void TfrmCoordInput::ShowAddInfo(const std::string& caption, const std::string& text, bool enabled) {
    gbAddInfo->setTitle(ToQ(caption));
    edAddInfo->setText(ToQ(text));
    edAddInfo->setEnabled(enabled);
    gbAddInfo->show();
}

std::string TfrmCoordInput::AddInfo() const { return FromQ(edAddInfo->text()); }

void TfrmCoordInput::showEvent(QShowEvent* event) {
    if (IsFormShowHide(event)) FormShow();
    QDialog::showEvent(event);
}

void TfrmCoordInput::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    if (IsFormShowHide(event)) FormHide();
}

void TfrmCoordInput::FormShow() {
    model_.SetFromSigned(lat, lon);
    {
        const QSignalBlocker blockNS(cbNS), blockEW(cbEW);
        cbNS->setCurrentIndex(model_.south() ? 1 : 0);
        cbEW->setCurrentIndex(model_.west() ? 1 : 0);
    }
    writeBoxes();
    UpdateOkButton();
}

void TfrmCoordInput::FormHide() {
    // The text stays for the caller to read after OK.
    setWindowTitle(QString::fromUtf8(kCaption));
    gbAddInfo->hide();
    gbAddInfo->setTitle(QString());
    edAddInfo->setEnabled(true);
}

void TfrmCoordInput::writeBoxes() {
    const auto& t = model_.texts();
    SetText(edBGrad, t.bGrad);
    SetText(edBMin, t.bMin);
    SetText(edLGrad, t.lGrad);
    SetText(edLMin, t.lMin);
    SetText(edBDec, t.bDec);
    SetText(edLDec, t.lDec);
}

void TfrmCoordInput::DMChange() {
    model_.OnDmEdited(FromQ(edBGrad->text()), FromQ(edBMin->text()), FromQ(edLGrad->text()), FromQ(edLMin->text()));
    SetText(edBDec, model_.texts().bDec);
    SetText(edLDec, model_.texts().lDec);
    UpdateOkButton();
}

void TfrmCoordInput::BLChange(bool latitude) {
    model_.OnDecEdited(latitude, FromQ((latitude ? edBDec : edLDec)->text()));
    const auto& t = model_.texts();
    if (latitude) {
        SetText(edBGrad, t.bGrad);
        SetText(edBMin, t.bMin);
    } else {
        SetText(edLGrad, t.lGrad);
        SetText(edLMin, t.lMin);
    }
    UpdateOkButton();
}

void TfrmCoordInput::UpdateOkButton() { btnOK->setEnabled(model_.OkEnabled()); }

void TfrmCoordInput::btnOKClick() {
    if (!model_.OkEnabled()) return;
    const LatLon p = model_.SignedResult(cbNS->currentIndex() == 1, cbEW->currentIndex() == 1);
    lat = p.lat;
    lon = p.lon;
    done(mrOk);
}

}  // namespace tv
