// The UTM and map-link windows offscreen: their controls reach
// the conversions and the results reach the boxes, messages and browser.
#include <gtest/gtest.h>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include <QTest>

#include "core/cache_db.h"
#include "geo/ui/frm_gm_link.h"
#include "geo/ui/frm_utm.h"
#include "platform/ui/qt_text.h"
#include "support/fakes.h"
#include "support/records.h"

namespace tv {
namespace {

TEST(UtmWindow, ConvertsBothWaysAndTakesOverACache) {
    platform::ScopedFakes fakes;
    TfrmUTM w;
    w.show();
    QTest::keyClicks(w.edB1Grad, "6x0");  // the filter drops the letter
    w.edL1Grad->setText("5");
    w.btn2UTM->click();
    EXPECT_EQ(w.edZone->text() + w.cbZFeld->currentText(), U("32V"));
    EXPECT_EQ(w.edEasting->text() + " " + w.edNorthing->text(), U("276980 6658157"));

    w.edZone->setText("19");
    w.cbZFeld->setCurrentText("H");
    w.edEasting->setText("383890");
    w.edNorthing->setText("6292582");
    w.btn2LB->click();
    EXPECT_EQ(w.edB1Grad->text() + " " + w.edB1Min->text() + " " + w.cbNS1->currentText(), U("33 30.000 Süd"));

    tvtest::WorkFolder work;
    work.writeCaches({tvtest::CacheRecord("GC7", "Sued", -12.5, 45.25)});
    w.PickCache = [](QWidget&) { return std::string("GC7"); };
    w.cbNS1->setCurrentIndex(0);
    w.btnSearch->click();
    EXPECT_EQ(w.edB1Grad->text() + " " + w.edB1Min->text() + " " + w.cbNS1->currentText(), U("12 30.000 Süd"));
    EXPECT_EQ(w.edL1Grad->text() + " " + w.edL1Min->text() + " " + w.cbEW1->currentText(), U("45 15.000 Ost"));
}

TEST(GMLinkWindow, TypingIsSilentButtonsAndPasteReport) {
    platform::ScopedFakes fakes;
    TfrmGMLink w;
    w.show();
    QTest::keyClicks(w.edURL, "http://maps.google.de/?x&ll=48.137,11");  // no box per keystroke
    EXPECT_TRUE(fakes.messages.shown.empty());
    EXPECT_FALSE(w.btnRadSearch->isEnabled());
    w.btnCalc->click();
    ASSERT_EQ(fakes.messages.shown.size(), 1u);
    EXPECT_EQ(fakes.messages.shown[0].text, "Konnte in der URL keine Koordinatenangabe finden.");

    QTest::keyClicks(w.edURL, ".575&z=3");
    EXPECT_EQ(w.edLatD->text() + "|" + w.edLonD->text(), U("48.137|11.575"));
    EXPECT_EQ(w.edLatDM->text() + "|" + w.edLonDM->text(), U("N 48° 8.220|E 011° 34.500"));
    ASSERT_TRUE(w.btnRadSearch->isEnabled());
    w.btnRadSearch->click();
    EXPECT_EQ(fakes.shell.opened.at(0),
              "http://www.geocaching.com/seek/nearest.aspx?origin_lat=48.137"
              "&origin_long=11.575&dist=100&submit3=Search");

    fakes.clipboard.contents = "https://example.org/?&ll=1,2&";
    w.btnPaste->click();
    EXPECT_EQ(fakes.messages.shown.back().text, W("Keine gültige URL zu GoogleMaps in der Zwischenablage"));
    EXPECT_TRUE(w.edURL->text().isEmpty());
    EXPECT_EQ(fakes.messages.shown.size(), 2u);  // the emptied box says nothing more
    fakes.clipboard.contents = "https://maps.google.com/maps?q=a&ll=-33.5,-70.25&z=3";
    w.btnPaste->click();
    EXPECT_EQ(fakes.messages.shown.size(), 2u);
    EXPECT_EQ(w.edLatDM->text(), U("S 33° 30.000"));
}

}  // namespace
}  // namespace tv
