// The calculator and the coordinate-entry window offscreen: defaults, typing,
// cache picks and the round trip of a signed position.
#include <gtest/gtest.h>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include <QLineEdit>
#include <QTest>

#include "core/cache_db.h"
#include "core/cache_rec.h"
#include "core/number_format.h"
#include "core/proc_settings.h"
#include "geo/ui/frm_calc.h"
#include "geo/ui/frm_coord_input.h"
#include "geo/ui/frm_gm_link.h"
#include "geo/ui/frm_utm.h"
#include "support/fakes.h"
#include "platform/ui/modal_host.h"
#include "support/ui/fake_modal_host.h"
#include "platform/ui/qt_text.h"
#include "support/records.h"
#include "support/temp_dir.h"

namespace tv {
namespace {

// Replaces the box's text as a user would: select all, then type.
void Retype(QLineEdit* box, const QString& text) {
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Backspace);
    QTest::keyClicks(box, text);
}

TEST(CalcWindow, EveryChangeRecomputes) {
    TfrmCalc w;
    w.show();
    w.edB1Min->clear();
    EXPECT_EQ(w.lblErg->text(), U("Fehler bei Startkoordinate Breite"));
    w.edB1Min->setText("30.000");
    w.edL2Min->clear();
    EXPECT_EQ(w.lblErg->text(), U("Fehler bei Zielkoordinate Länge"));
    Retype(w.edL2Min, "2,8");  // the comma becomes a point
    EXPECT_EQ(w.edL2Min->text(), U("2.8"));
    EXPECT_EQ(w.lblErg->text(), U("Entfernung = 69.150 km in Richtung 17.82 Grad"));

    Retype(w.edDist, "8x");  // the filter drops the letter
    EXPECT_EQ(w.edDist->text(), U("8"));
    w.edDist->setText("8x");
    EXPECT_EQ(w.lblErgPWLat->text(), U("Fehler bei Entfernung"));
    EXPECT_EQ(w.lblErgPWLong->text(), QString());

    // Showing again resets the hemispheres but keeps the numbers.
    w.hide();
    w.show();
    EXPECT_EQ(w.cbNS2->currentIndex(), 0);
    EXPECT_EQ(w.edL2Min->text(), U("2.8"));
}

class CalcPickTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(AppendCacheRec(tvtest::CacheRecord("GCSUED", "", -33.5, -70.25)));
        ASSERT_TRUE(AppendCacheRec(tvtest::CacheRecord("GCNORD", "", 48.1234, 8.5)));
    }
    tvtest::WorkFolder dir;
    platform::ScopedFakes fakes;
};

TEST_F(CalcPickTest, TargetButtonFillsOnlyTheTargetBoxesWithTheirHemispheres) {
    TfrmCalc w;
    std::vector<std::string> answers{"GCSUED", "", "GCNORD"};
    int calls = 0;
    w.PickCache = [&](QWidget& over) {
        EXPECT_EQ(&over, &w);
        return answers[static_cast<size_t>(calls++)];
    };
    w.show();
    QTest::mouseClick(w.BitBtn2, Qt::LeftButton);
    EXPECT_EQ(w.edB2Grad->text(), U("33"));
    EXPECT_EQ(w.edB2Min->text(), U("30.000"));
    EXPECT_EQ(w.cbNS2->currentText(), U("Süd"));
    EXPECT_EQ(w.cbEW2->currentText(), U("West"));
    double d = 0, b = 0;
    ASSERT_TRUE(CalcDistanceBearing(d, b, 49.5, 10.75, -33.5, -70.25));
    EXPECT_EQ(FromQ(w.lblErg->text()),
              "Entfernung = " + FormatFixed(d, 8, 3) + " km in Richtung " + FormatFixed(b, 4, 2) + " Grad");

    // Nothing chosen: nothing changes.
    QTest::mouseClick(w.BitBtn1, Qt::LeftButton);
    EXPECT_EQ(w.edB1Grad->text(), U("49"));

    QTest::mouseClick(w.BitBtn3, Qt::LeftButton);
    EXPECT_EQ(w.edBGrad->text(), U("48"));
    EXPECT_EQ(w.edBMin->text(), U("7.404"));
    double la = 0, lo = 0;
    ASSERT_TRUE(ProjectCoordinate(la, lo, 48 + 7.404 / 60, 8.5, 85.32, 193.25));
    EXPECT_EQ(FromQ(w.lblErgPWLat->text()), FormatCoordHalf(kHalfLatitude, la));
    EXPECT_EQ(FromQ(w.lblErgPWLong->text()), FormatCoordHalf(kHalfLongitude, lo));
    EXPECT_EQ(calls, 3);
}

TEST(CoordInputWindow, SouthWestRoundTrip) {
    platform::ScopedFakeModalHost modal;
    TfrmCoordInput w;
    w.lat = -33.5;
    w.lon = -70.25;
    modal.host.script.push_back([](QDialog& d) {
        auto& f = static_cast<TfrmCoordInput&>(d);
        EXPECT_EQ(f.cbNS->currentText(), U("Süd"));
        EXPECT_EQ(f.cbEW->currentText(), U("West"));
        EXPECT_EQ(f.edBMin->text(), U("30.000"));
        QTest::mouseClick(f.btnOK, Qt::LeftButton);
        return 0;
    });
    EXPECT_EQ(platform::modalHost().exec(w, nullptr), 1);
    EXPECT_EQ(w.lat, -33.5);
    EXPECT_EQ(w.lon, -70.25);
}

// Every field a user sees: texts, choices, enabled and shown states, titles.
QStringList Fields(const QWidget& w) {
    QStringList out{w.windowTitle()};
    for (const QWidget* c : w.findChildren<QWidget*>()) {
        QString f = c->objectName() + (c->isVisible() ? "+" : "-") + (c->isEnabled() ? "e" : "d") + ":";
        if (const auto* e = qobject_cast<const QLineEdit*>(c)) f += e->text();
        if (const auto* b = qobject_cast<const QComboBox*>(c)) f += QString::number(b->currentIndex()) + b->currentText();
        if (const auto* l = qobject_cast<const QLabel*>(c)) f += l->text();
        if (const auto* g = qobject_cast<const QGroupBox*>(c)) f += g->title();
        out << f;
    }
    return out;
}

// Minimising and restoring as the window system does: both arrive as
// spontaneous hide and show events.
void MinimiseAndRestore(QWidget& w) {
    w.setWindowState(Qt::WindowMinimized);
    w.setWindowState(Qt::WindowNoState);
    EXPECT_TRUE(w.isVisible());
}

TEST(CoordWindows, MinimiseAndRestoreKeepEveryField) {
    platform::ScopedFakes fakes;
    ProcSettings.AddHomeTxt = {"Arbeit", "Ferienhaus"};
    ProcSettings.AddHomeLat = {"48.1", "47.2"};
    ProcSettings.AddHomeLon = {"11.5", "9.3"};

    TfrmCoordInput input;
    input.lat = 48.5;
    input.lon = 9.25;
    input.show();
    input.setWindowTitle(U("Koordinaten für Station 2"));
    input.ShowAddInfo("Beschreibung", "Parkplatz", true);
    Retype(input.edBDec, "33.25");
    input.cbNS->setCurrentIndex(1);
    input.cbEW->setCurrentIndex(1);
    const QStringList typedInput = Fields(input);
    MinimiseAndRestore(input);
    EXPECT_EQ(Fields(input), typedInput);
    QTest::mouseClick(input.btnOK, Qt::LeftButton);
    EXPECT_EQ(input.lat, -33.25);
    EXPECT_EQ(input.lon, -9.25);

    TfrmUTM utm;
    utm.show();
    utm.cbNS1->setCurrentIndex(1);
    utm.edB1Grad->setText("33");
    utm.edZone->setText("32");
    utm.edEasting->setText("512345");
    const QStringList typedUtm = Fields(utm);
    MinimiseAndRestore(utm);
    EXPECT_EQ(Fields(utm), typedUtm);

    TfrmCalc calc;
    calc.show();
    calc.cbNS2->setCurrentIndex(1);
    calc.cbEW->setCurrentIndex(1);
    Retype(calc.edL2Min, "2.8");
    const QStringList typedCalc = Fields(calc);
    MinimiseAndRestore(calc);
    EXPECT_EQ(Fields(calc), typedCalc);

    TfrmGMLink link;
    link.show();
    link.cbHome->setCurrentIndex(1);
    link.edURL->setText("https://maps.example/?ll=48.123456,11.654321");
    const QStringList typedLink = Fields(link);
    MinimiseAndRestore(link);
    EXPECT_EQ(Fields(link), typedLink);
    EXPECT_EQ(link.cbHome->currentIndex(), 1);

    // Shown again by the program, the windows start afresh as before.
    calc.hide();
    calc.show();
    EXPECT_EQ(calc.cbNS2->currentIndex(), 0);
    ProcSettings.AddHomeTxt.clear();
    ProcSettings.AddHomeLat.clear();
    ProcSettings.AddHomeLon.clear();
}

}  // namespace
}  // namespace tv
