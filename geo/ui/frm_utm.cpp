#include "geo/ui/frm_utm.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/cache_db.h"
#include "core/cache_rec.h"
#include "geo/ui/coord_boxes.h"
#include "platform/services.h"
#include "platform/text_encoding.h"
#include "platform/ui/modal_result.h"
#include "platform/ui/qt_text.h"
#include "platform/ui/form_events.h"

namespace tv {

namespace {

void ShowError(const std::string& text) { platform::messages().show(platform::MsgKind::Error, text); }

}  // namespace

TfrmUTM::TfrmUTM() : QDialog(nullptr) {
    setObjectName("frmUTM");
    setWindowTitle(U("Umrechnung Länge/Breite <=> UTM"));

    auto* gLB = new QGroupBox(U("Angaben in Breitengrad / Längengrad"), this);
    edB1Grad = NewCoordBox(gLB, "edB1Grad", 2, false);
    edB1Min = NewCoordBox(gLB, "edB1Min", 6, true);
    cbNS1 = NewHemisphereBox(gLB, "cbNS1", true);
    edL1Grad = NewCoordBox(gLB, "edL1Grad", 3, false);
    edL1Min = NewCoordBox(gLB, "edL1Min", 6, true);
    cbEW1 = NewHemisphereBox(gLB, "cbEW1", false);
    btnSearch = new QPushButton(U("Cachekoord. suchen"), gLB);
    btnSearch->setObjectName("btnSearch");
    btnSearch->setToolTip(U("Cache suchen und dessen Koordinaten übernehmen"));
    btn2UTM = new QPushButton(U("in UTM umrechnen"), gLB);
    btn2UTM->setObjectName("btn2UTM");
    auto* g1 = new QGridLayout(gLB);
    g1->addWidget(new QLabel(U("Breite:"), gLB), 0, 0);
    g1->addWidget(edB1Grad, 0, 1);
    g1->addWidget(new QLabel(U("°"), gLB), 0, 2);
    g1->addWidget(edB1Min, 0, 3);
    g1->addWidget(cbNS1, 0, 4);
    g1->addWidget(new QLabel(U("Länge:"), gLB), 1, 0);
    g1->addWidget(edL1Grad, 1, 1);
    g1->addWidget(new QLabel(U("°"), gLB), 1, 2);
    g1->addWidget(edL1Min, 1, 3);
    g1->addWidget(cbEW1, 1, 4);
    g1->addWidget(btnSearch, 2, 0, 1, 3);
    g1->addWidget(btn2UTM, 2, 3, 1, 2);

    auto* gUtm = new QGroupBox(U("Angaben in UTM"), this);
    edZone = NewCoordBox(gUtm, "edZone", 2, false);
    cbZFeld = new QComboBox(gUtm);
    cbZFeld->setObjectName("cbZFeld");
    for (const char letter : kBandLetters) cbZFeld->addItem(QString(QChar::fromLatin1(letter)));
    edEasting = NewCoordBox(gUtm, "edEasting", 6, false);
    edNorthing = NewCoordBox(gUtm, "edNorthing", 7, false);
    btn2LB = new QPushButton(U("in L/B umrechnen"), gUtm);
    btn2LB->setObjectName("btn2LB");
    auto* g2 = new QGridLayout(gUtm);
    const char* labels[] = {"Zone", "Z.Feld", "Ostwert", "Nordwert"};
    QWidget* boxes[] = {edZone, cbZFeld, edEasting, edNorthing};
    for (int i = 0; i < 4; ++i) {
        g2->addWidget(new QLabel(U(labels[i]), gUtm), 0, i);
        g2->addWidget(boxes[i], 1, i);
    }
    g2->addWidget(btn2LB, 2, 0, 1, 4);

    auto* buttons = new QDialogButtonBox(this);
    btnClose = buttons->addButton(U("Schließen"), QDialogButtonBox::RejectRole);
    btnClose->setObjectName("btnClose");
    connect(btnClose, &QPushButton::clicked, this, [this] { done(mrCancel); });
    connect(btn2UTM, &QPushButton::clicked, this, [this] { btn2UTMClick(); });
    connect(btn2LB, &QPushButton::clicked, this, [this] { btn2LBClick(); });
    connect(btnSearch, &QPushButton::clicked, this, [this] { btnSearchClick(); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(gLB);
    layout->addWidget(gUtm);
    layout->addWidget(buttons);
}

void TfrmUTM::showEvent(QShowEvent* event) {
    if (IsFormShowHide(event)) FormShow();
    QDialog::showEvent(event);
}

void TfrmUTM::FormShow() {
    cbNS1->setCurrentIndex(0);
    cbEW1->setCurrentIndex(0);
    cbZFeld->setCurrentIndex(cbZFeld->findText("U"));
    for (QLineEdit* box : {edB1Grad, edB1Min, edL1Grad, edL1Min, edZone, edEasting, edNorthing}) box->clear();
}

void TfrmUTM::btn2UTMClick() {
    for (QLineEdit* box : {edB1Min, edL1Min})
        if (box->text().isEmpty()) box->setText("0.000");
    const UtmFormResult r =
        ConvertToUtm(DegMinInput{FromQ(edB1Grad->text()), FromQ(edB1Min->text()), cbNS1->currentIndex() == 1,
                                 FromQ(edL1Grad->text()), FromQ(edL1Min->text()), cbEW1->currentIndex() == 1});
    if (!r.boxes) return ShowError(r.error);
    edZone->setText(ToQ(r.boxes->zone));
    cbZFeld->setCurrentIndex(cbZFeld->findText(QString(QChar::fromLatin1(r.boxes->letter))));
    edEasting->setText(ToQ(r.boxes->easting));
    edNorthing->setText(ToQ(r.boxes->northing));
}

void TfrmUTM::btn2LBClick() {
    const std::string letter = FromQ(cbZFeld->currentText());
    const DegMinFormResult r = ConvertFromUtm(FromQ(edZone->text()), letter.empty() ? 'U' : letter[0],
                                              FromQ(edEasting->text()), FromQ(edNorthing->text()));
    if (!r.boxes) return ShowError(r.error);
    showDegMin(*r.boxes);
}

void TfrmUTM::showDegMin(const DegMinInput& b) {
    edB1Grad->setText(ToQ(b.latDeg));
    edB1Min->setText(ToQ(b.latMin));
    cbNS1->setCurrentIndex(b.south ? 1 : 0);
    edL1Grad->setText(ToQ(b.lonDeg));
    edL1Min->setText(ToQ(b.lonMin));
    cbEW1->setCurrentIndex(b.west ? 1 : 0);
}

void TfrmUTM::btnSearchClick() {
    if (!PickCache) return;
    const std::string code = PickCache(*this);
    TCacheRec rec;
    if (code.empty() || !FindCacheByWaypoint(code, rec)) return;
    // The hemispheres follow the cache, so a southern or western cache keeps
    // its sign.
    showDegMin(DegMinBoxesOf(rec.Lat, rec.Lon));
}

}  // namespace tv
