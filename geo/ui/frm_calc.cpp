#include "geo/ui/frm_calc.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QVBoxLayout>

#include "core/cache_db.h"
#include "core/cache_rec.h"
#include "geo/ui/coord_boxes.h"
#include "platform/text_encoding.h"
#include "platform/ui/qt_text.h"
#include "platform/ui/form_events.h"

namespace tv {

namespace {

constexpr int kResultClose = 2;

DegMinBoxes Boxes(const QLineEdit* deg, const QLineEdit* min, const QComboBox* hemi) {
    return {FromQ(deg->text()), FromQ(min->text()), FromQ(hemi->currentText())};
}

QPushButton* NewPickButton(QWidget* parent, const char* name) {
    auto* b = new QPushButton(QStringLiteral("Cache..."), parent);
    b->setObjectName(name);
    b->setToolTip(ToQ(W("Cache suchen und dessen Koordinaten übernehmen")));
    return b;
}

// One row "label: degrees ° minutes ' hemisphere [button]".
void AddRow(QGridLayout* grid, int row, const QString& label, QLineEdit* deg, QLineEdit* min, QComboBox* hemi) {
    QWidget* parent = deg->parentWidget();
    grid->addWidget(new QLabel(label, parent), row, 0);
    grid->addWidget(deg, row, 1);
    grid->addWidget(new QLabel(ToQ(W("°")), parent), row, 2);
    grid->addWidget(min, row, 3);
    grid->addWidget(hemi, row, 4);
}

}  // namespace

TfrmCalc::TfrmCalc() : QDialog(nullptr) {
    setObjectName("frmCalc");
    setWindowTitle(QStringLiteral("Wegpunktberechnungen"));
    pcCalc = new QTabWidget(this);
    pcCalc->setObjectName("pcCalc");

    // Distance tab.
    ts1 = new QWidget;
    ts1->setObjectName("ts1");
    auto* g1 =
        new QGroupBox(QStringLiteral("Berechnet Entfernung und Richtungswinkel zwischen zwei Koordinatenpaaren"), ts1);
    edB1Grad = NewCoordBox(g1, "edB1Grad", 2, true, QStringLiteral("49"));
    edB1Min = NewCoordBox(g1, "edB1Min", 6, true, QStringLiteral("30.000"));
    cbNS1 = NewHemisphereBox(g1, "cbNS1", true);
    edL1Grad = NewCoordBox(g1, "edL1Grad", 3, true, QStringLiteral("10"));
    edL1Min = NewCoordBox(g1, "edL1Min", 6, true, QStringLiteral("45.000"));
    cbEW1 = NewHemisphereBox(g1, "cbEW1", false);
    edB2Grad = NewCoordBox(g1, "edB2Grad", 2, true, QStringLiteral("50"));
    edB2Min = NewCoordBox(g1, "edB2Min", 6, true, QStringLiteral("5.500"));
    cbNS2 = NewHemisphereBox(g1, "cbNS2", true);
    edL2Grad = NewCoordBox(g1, "edL2Grad", 3, true, QStringLiteral("11"));
    edL2Min = NewCoordBox(g1, "edL2Min", 6, true, QStringLiteral("2.800"));
    cbEW2 = NewHemisphereBox(g1, "cbEW2", false);
    BitBtn1 = NewPickButton(g1, "BitBtn1");
    BitBtn2 = NewPickButton(g1, "BitBtn2");
    auto* grid1 = new QGridLayout(g1);
    AddRow(grid1, 0, QStringLiteral("Start Breite:"), edB1Grad, edB1Min, cbNS1);
    AddRow(grid1, 1, ToQ(W("Start Länge:")), edL1Grad, edL1Min, cbEW1);
    grid1->addWidget(BitBtn1, 0, 5, 2, 1);
    AddRow(grid1, 2, QStringLiteral("Ziel Breite:"), edB2Grad, edB2Min, cbNS2);
    AddRow(grid1, 3, ToQ(W("Ziel Länge:")), edL2Grad, edL2Min, cbEW2);
    grid1->addWidget(BitBtn2, 2, 5, 2, 1);
    auto* r1 = new QGroupBox(QStringLiteral("Ergebnis"), ts1);
    lblErg = new QLabel(QStringLiteral("n/a"), r1);
    lblErg->setObjectName("lblErg");
    (new QVBoxLayout(r1))->addWidget(lblErg);
    auto* l1 = new QVBoxLayout(ts1);
    l1->addWidget(g1);
    l1->addWidget(r1);
    pcCalc->addTab(ts1, QStringLiteral("Koordinatenentfernung berechnen"));

    // Projection tab.
    ts2 = new QWidget;
    ts2->setObjectName("ts2");
    auto* g2 =
        new QGroupBox(QStringLiteral("Berechnet Zielkoordinaten aus Koordinatenpaar, Entfernung und Winkel"), ts2);
    edBGrad = NewCoordBox(g2, "edBGrad", 2, false, QStringLiteral("49"));
    edBMin = NewCoordBox(g2, "edBMin", 6, true, QStringLiteral("30.000"));
    cbNS = NewHemisphereBox(g2, "cbNS", true);
    edLGrad = NewCoordBox(g2, "edLGrad", 3, false, QStringLiteral("10"));
    edLMin = NewCoordBox(g2, "edLMin", 6, true, QStringLiteral("45.000"));
    cbEW = NewHemisphereBox(g2, "cbEW", false);
    edDist = NewCoordBox(g2, "edDist", 7, true, QStringLiteral("85.32"));
    edAngle = NewCoordBox(g2, "edAngle", 6, true, QStringLiteral("193.25"));
    BitBtn3 = NewPickButton(g2, "BitBtn3");
    auto* grid2 = new QGridLayout(g2);
    AddRow(grid2, 0, QStringLiteral("Breite:"), edBGrad, edBMin, cbNS);
    AddRow(grid2, 1, ToQ(W("Länge:")), edLGrad, edLMin, cbEW);
    grid2->addWidget(BitBtn3, 0, 5, 2, 1);
    grid2->addWidget(new QLabel(QStringLiteral("Entfernung in km:"), g2), 2, 0);
    grid2->addWidget(edDist, 2, 1, 1, 3);
    grid2->addWidget(new QLabel(QStringLiteral("Richtungswinkel in Grad:"), g2), 3, 0);
    grid2->addWidget(edAngle, 3, 1, 1, 3);
    auto* r2 = new QGroupBox(QStringLiteral("Ergebnis"), ts2);
    lblErgPWLat = new QLabel(QStringLiteral("n/a"), r2);
    lblErgPWLat->setObjectName("lblErgPWLat");
    lblErgPWLong = new QLabel(QStringLiteral("n/a"), r2);
    lblErgPWLong->setObjectName("lblErgPWLong");
    auto* rl2 = new QVBoxLayout(r2);
    rl2->addWidget(lblErgPWLat);
    rl2->addWidget(lblErgPWLong);
    auto* l2 = new QVBoxLayout(ts2);
    l2->addWidget(g2);
    l2->addWidget(r2);
    pcCalc->addTab(ts2, QStringLiteral("Project-Waypoint berechnen"));

    auto* buttons = new QDialogButtonBox(this);
    btnClose = buttons->addButton(ToQ(W("Schließen")), QDialogButtonBox::RejectRole);
    btnClose->setObjectName("btnClose");
    connect(btnClose, &QPushButton::clicked, this, [this] { done(kResultClose); });

    for (QLineEdit* box : {edB1Grad, edB1Min, edL1Grad, edL1Min, edB2Grad, edB2Min, edL2Grad, edL2Min})
        connect(box, &QLineEdit::textChanged, this, [this] { CalcAbst(); });
    for (QComboBox* box : {cbNS1, cbEW1, cbNS2, cbEW2})
        connect(box, &QComboBox::currentIndexChanged, this, [this] { CalcAbst(); });
    for (QLineEdit* box : {edBGrad, edBMin, edLGrad, edLMin, edDist, edAngle})
        connect(box, &QLineEdit::textChanged, this, [this] { CalcPW(); });
    for (QComboBox* box : {cbNS, cbEW}) connect(box, &QComboBox::currentIndexChanged, this, [this] { CalcPW(); });
    for (QPushButton* b : {BitBtn1, BitBtn2, BitBtn3})
        connect(b, &QPushButton::clicked, this, [this, b] { btnSearchClick(b); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pcCalc);
    layout->addWidget(buttons);
}

void TfrmCalc::SelectTab(int index) { pcCalc->setCurrentIndex(index == 1 ? 1 : 0); }

void TfrmCalc::showEvent(QShowEvent* event) {
    if (IsFormShowHide(event)) FormShow();
    QDialog::showEvent(event);
}

void TfrmCalc::FormShow() {
    for (QComboBox* box : {cbNS1, cbEW1, cbNS2, cbEW2, cbNS, cbEW}) {
        const QSignalBlocker block(box);
        box->setCurrentIndex(0);
    }
    CalcAbst();
    CalcPW();
}

void TfrmCalc::CalcAbst() {
    lblErg->setText(ToQ(DistanceText(Boxes(edB1Grad, edB1Min, cbNS1), Boxes(edL1Grad, edL1Min, cbEW1),
                                     Boxes(edB2Grad, edB2Min, cbNS2), Boxes(edL2Grad, edL2Min, cbEW2))));
}

void TfrmCalc::CalcPW() {
    const ProjectionLabels labels = ProjectionTexts(Boxes(edBGrad, edBMin, cbNS), Boxes(edLGrad, edLMin, cbEW),
                                                    FromQ(edDist->text()), FromQ(edAngle->text()));
    lblErgPWLat->setText(ToQ(labels.lat));
    lblErgPWLong->setText(ToQ(labels.lon));
}

void TfrmCalc::btnSearchClick(QPushButton* sender) {
    if (!PickCache) return;
    const std::string code = PickCache(*this);
    if (code.empty()) return;
    TCacheRec rec;
    if (!FindCacheByWaypoint(code, rec)) return;

    struct Target {
        QLineEdit *latDeg, *latMin;
        QComboBox* ns;
        QLineEdit *lonDeg, *lonMin;
        QComboBox* ew;
    };
    Target t{};
    if (sender == BitBtn1)
        t = {edB1Grad, edB1Min, cbNS1, edL1Grad, edL1Min, cbEW1};
    else if (sender == BitBtn2)
        t = {edB2Grad, edB2Min, cbNS2, edL2Grad, edL2Min, cbEW2};
    else if (sender == BitBtn3)
        t = {edBGrad, edBMin, cbNS, edLGrad, edLMin, cbEW};
    else
        return;

    // The hemispheres follow the cache as well, so southern and western
    // caches keep their sign.
    const DegMinBoxes lat = BoxesFromSigned(rec.Lat, true);
    const DegMinBoxes lon = BoxesFromSigned(rec.Lon, false);
    {
        const QSignalBlocker b1(t.latDeg), b2(t.latMin), b3(t.ns), b4(t.lonDeg), b5(t.lonMin), b6(t.ew);
        t.latDeg->setText(ToQ(lat.degrees));
        t.latMin->setText(ToQ(lat.minutes));
        t.ns->setCurrentIndex(rec.Lat < 0 ? 1 : 0);
        t.lonDeg->setText(ToQ(lon.degrees));
        t.lonMin->setText(ToQ(lon.minutes));
        t.ew->setCurrentIndex(rec.Lon < 0 ? 1 : 0);
    }
    if (sender == BitBtn3)
        CalcPW();
    else
        CalcAbst();
}

}  // namespace tv
