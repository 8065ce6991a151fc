// The cache-details window offscreen: a record with every field, marks of a
// comparison, the converted page, keys and clicks, and the note buttons.
#include "pages/ui/frm_cache_details.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <functional>
#include <string>
#include <vector>

#include "core/cachedb_table.h"
#include "core/debug_log.h"
#include "core/proc_settings.h"
#include "pages/personal_notes.h"
#include "pages/ui/frm_add_info.h"
#include "support/fakes.h"
#include "platform/text_encoding.h"
#include "platform/ui/modal_host.h"
#include "support/ui/fake_modal_host.h"
#include "platform/ui/qt_text.h"
#include "support/temp_dir.h"

namespace tv {
namespace {

TCacheRec Sample() {
    TCacheRec r;
    r.Id = 12345;
    r.Name = W("<b>Alte Mühle</b>");
    r.Hidden = *DayCountFromDate(2007, 11, 5);
    r.Lat = 48.5;
    r.Lon = 8.25;
    r.CacheType = "MULTI-CACHE";
    r.Size = "Regular";
    r.Waypoint = "GC1ABC";
    r.Difficulty = "2";
    r.Terrain = "3.5";
    r.CountryId = 7;
    return r;
}

class CacheDetailsWindow : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = ProcSettings;
        ProcSettings.WorkDir = work_.str();
        ProcSettings.OutDir = out_.str();
        ProcSettings.HomeLat = 48.5;
        ProcSettings.HomeLong = 7.25;
        fakes_.clock.time = {2007, 11, 15, 18, 30, 0, 0};
        ArchiveList.Clear();
        CacheDBTable() = TCacheDBTable::Parse(
            "[CacheDB]\r\nGCDatabaseCount=1\r\nDB_CountryID1=7\r\nDB_CName1=Germany\r\nDB_CNameDE1=Deutschland\r\n");
    }
    void TearDown() override {
        ProcSettings = saved_;
        ArchiveList.Clear();
        CacheDBTable() = TCacheDBTable{};
    }
    // Shows the window through the modal host; `step` looks at it while open.
    int Show(TfrmCacheDetails& w, std::function<int(TfrmCacheDetails&)> step) {
        modal_.host.script.push_back([step](QDialog& d) { return step(static_cast<TfrmCacheDetails&>(d)); });
        return platform::modalHost().exec(w, nullptr);
    }
    static std::string Text(const QLabel* l) { return FromQ(l->text()); }
    static bool Red(const QLabel* l) { return l->palette().color(QPalette::WindowText) == QColor(Qt::red); }

    tvtest::TempDir work_, out_;
    platform::ScopedFakes fakes_;
    platform::ScopedFakeModalHost modal_;
    TProcSettings saved_;
};

TEST_F(CacheDetailsWindow, ShowsEveryFieldOfTheRecord) {
    ArchiveList.Add("a;gc1abc");  // archived, written in any case
    TfrmCacheDetails w;
    EXPECT_EQ(w.size(), QSize(570, 193));
    EXPECT_TRUE(w.windowFlags() & Qt::Tool);
    w.Cache = Sample();
    w.FoundDateText = "10.11.2007";
    Show(w, [](TfrmCacheDetails& d) {
        EXPECT_EQ(d.windowTitle(), QStringLiteral("Cache-Details"));
        for (int i = 0; i < 10; ++i) EXPECT_EQ(d.img[i]->isVisible(), i == 1) << "img" << i + 1;
        // Shown as plain text, tags and all.
        EXPECT_EQ(d.lblCacheName->textFormat(), Qt::PlainText);
        EXPECT_EQ(Text(d.lblCacheName), W("<b>Alte Mühle</b>"));
        EXPECT_TRUE(d.lblCacheName->font().bold());
        EXPECT_TRUE(d.lblCacheName->font().strikeOut());
        EXPECT_TRUE(Red(d.lblCacheName));
        EXPECT_EQ(Text(d.lblID), "12345");
        EXPECT_EQ(Text(d.lblWP), "GC1ABC");
        EXPECT_EQ(Text(d.lblSize), "Regular");
        EXPECT_EQ(Text(d.lblDiff), "2,0");
        EXPECT_EQ(Text(d.lblTerr), "3,5");
        EXPECT_EQ(d.imgDiff->width(), 36);
        EXPECT_EQ(d.imgTerr->width(), 63);
        EXPECT_EQ(Text(d.lblHidden), "05. November 2007 (vor 10 Tagen)");
        EXPECT_EQ(Text(d.lblKoord), W("N 48° 30.000 E 008° 15.000"));
        EXPECT_EQ(Text(d.lblDist), W("Entfernung von den Heimkoordinaten: 73,679 km in Richtung 89,6 °"));
        EXPECT_EQ(Text(d.lblCountry), "Deutschland");
        EXPECT_TRUE(d.Label8->isVisible());
        EXPECT_EQ(Text(d.Label8), "Du hast diesen Cache gefunden");
        EXPECT_TRUE(d.lblFoundWhen->isVisible());
        EXPECT_EQ(Text(d.lblFoundWhen), "am 10. November 2007 (vor 5 Tagen)");
        EXPECT_FALSE(d.sbShow->isVisible());  // no converted page anywhere
        EXPECT_FALSE(d.sbNoteYes->isVisible());
        EXPECT_TRUE(d.sbNoteNo->isVisible());
        EXPECT_FALSE(d.sbMinus->isVisible());
        EXPECT_FALSE(d.sbPlus->isVisible());
        return 0;
    });
    EXPECT_EQ(modal_.host.shown, (std::vector<std::string>{"frmCacheDetails"}));

    // The next showing fills everything anew: disabled, other type, unknown
    // date and place, a caller's caption, no find date.
    ArchiveList.Clear();
    ArchiveList.Add("D;GC1ABC");
    TCacheRec r = Sample();
    r.CacheType = "Wherigo Cache";
    r.Hidden = 0;
    r.Lat = 200;
    r.Difficulty = "";
    w.Cache = r;
    w.FoundCaption = "Neuer Cache";
    Show(w, [](TfrmCacheDetails& d) {
        for (int i = 0; i < 10; ++i) EXPECT_FALSE(d.img[i]->isVisible()) << "img" << i + 1;
        EXPECT_TRUE(d.lblCacheName->font().strikeOut());
        EXPECT_FALSE(Red(d.lblCacheName));
        EXPECT_EQ(Text(d.lblHidden), "unbekannt");
        EXPECT_EQ(Text(d.lblKoord), "unbekannt");
        EXPECT_EQ(Text(d.lblDist), "");
        EXPECT_EQ(Text(d.lblDiff), "");
        EXPECT_FALSE(d.imgDiff->isVisible());
        EXPECT_EQ(Text(d.Label8), "Neuer Cache");
        EXPECT_TRUE(d.Label8->isVisible());
        EXPECT_FALSE(d.lblFoundWhen->isVisible());
        return 0;
    });
    // Neither a caption nor a date: the found line is gone; not archived: plain bold.
    ArchiveList.Clear();
    w.FoundCaption.clear();
    w.FoundDateText.clear();
    Show(w, [](TfrmCacheDetails& d) {
        EXPECT_FALSE(d.Label8->isVisible());
        EXPECT_FALSE(d.lblFoundWhen->isVisible());
        EXPECT_TRUE(d.lblCacheName->font().bold());
        EXPECT_FALSE(d.lblCacheName->font().strikeOut());
        return 0;
    });
}

TEST_F(CacheDetailsWindow, MarksEachDifferingFieldInTurn) {
    TfrmCacheDetails w;
    w.Cache = Sample();
    w.show();
    const std::vector<QLabel*> all = {w.lblCacheName, w.Label1, w.Label2, w.Label3, w.Label4,  w.Label5,
                                      w.Label6,       w.Label7, w.Label9, w.lblID,  w.lblWP,   w.lblSize,
                                      w.lblDiff,      w.lblTerr, w.lblHidden, w.lblKoord, w.lblCountry, w.lblDist};
    struct Case {
        const char* what;
        std::function<void(TCacheRec&)> change;
        std::vector<QLabel*> red;
    } cases[] = {
        {"id", [](TCacheRec& r) { r.Id = 1; }, {w.Label1, w.lblID}},
        {"name", [](TCacheRec& r) { r.Name = "Anders"; }, {w.lblCacheName}},
        {"hidden", [](TCacheRec& r) { r.Hidden += 0.5; }, {w.Label6, w.lblHidden}},
        {"coordinates", [](TCacheRec& r) { r.Lon += 0.002; }, {w.Label7, w.lblKoord, w.lblDist}},
        {"size", [](TCacheRec& r) { r.Size = "Small"; }, {w.Label3, w.lblSize}},
        {"waypoint", [](TCacheRec& r) { r.Waypoint = "GC1ABD"; }, {w.Label2, w.lblWP}},
        {"difficulty", [](TCacheRec& r) { r.Difficulty = "2.5"; }, {w.Label4, w.lblDiff}},
        {"terrain", [](TCacheRec& r) { r.Terrain = "1"; }, {w.Label5, w.lblTerr}},
        {"country", [](TCacheRec& r) { r.CountryId = 3; }, {w.Label9, w.lblCountry}},
        {"type only", [](TCacheRec& r) { r.CacheType = "EARTHCACHE"; }, {}},
    };
    for (const auto& c : cases) {
        TCacheRec other = Sample();
        c.change(other);
        w.MarkDifferences(other);
        for (QLabel* l : all) {
            const bool expected = std::find(c.red.begin(), c.red.end(), l) != c.red.end();
            EXPECT_EQ(Red(l), expected) << c.what << ": " << l->objectName().toStdString();
        }
    }
    // The same record: nothing left red.
    w.MarkDifferences(Sample());
    for (QLabel* l : all) EXPECT_FALSE(Red(l)) << l->objectName().toStdString();
}

TEST_F(CacheDetailsWindow, ConvertedPageIsFoundAndOpened) {
    TfrmCacheDetails w;
    w.Cache = Sample();
    out_.write("A/GC1ABC_converted.html", "a");
    out_.write("B/GC1ABC_converted.html", "b");
    Show(w, [&](TfrmCacheDetails& d) {
        EXPECT_TRUE(d.sbShow->isVisible());
        EXPECT_EQ(d.FoundSubfolder, out_.str() + "B/");
        d.sbShow->click();
        return 0;
    });
    EXPECT_EQ(fakes_.shell.opened, (std::vector<std::string>{out_.str() + "B/GC1ABC_converted.html"}));

    // A caller's folder without the page: hidden, and no subfolder is searched.
    tvtest::TempDir other;
    w.DescrFolder = other.str();
    Show(w, [](TfrmCacheDetails& d) {
        EXPECT_FALSE(d.sbShow->isVisible());
        EXPECT_EQ(d.FoundSubfolder, "");
        return 0;
    });
    // ... with the page: opened from there.
    other.write("GC1ABC_converted.html", "o");
    Show(w, [](TfrmCacheDetails& d) {
        EXPECT_TRUE(d.sbShow->isVisible());
        d.sbShow->click();
        return 0;
    });
    EXPECT_EQ(fakes_.shell.opened.back(), other.str() + "GC1ABC_converted.html");
    // The description folder itself comes before its subfolders.
    w.DescrFolder.clear();
    out_.write("GC1ABC_converted.html", "top");
    Show(w, [](TfrmCacheDetails& d) {
        EXPECT_EQ(d.FoundSubfolder, "");
        d.sbShow->click();
        return 0;
    });
    EXPECT_EQ(fakes_.shell.opened.back(), out_.str() + "GC1ABC_converted.html");
    EXPECT_EQ(fakes_.shell.opened.size(), 3u);
}

TEST_F(CacheDetailsWindow, KeysButtonsAndClicksClose) {
    TfrmCacheDetails w;
    w.Cache = Sample();
    auto press = [](Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        return [key, mods](TfrmCacheDetails& d) {
            QTest::keyClick(&d, key, mods);
            return d.isVisible() ? 99 : d.result();
        };
    };
    // Delete: minus when it is shown, else a plain close.
    EXPECT_EQ(Show(w, press(Qt::Key_Delete)), 2);
    w.sbMinus->show();
    w.sbPlus->show();
    EXPECT_EQ(Show(w, press(Qt::Key_Delete)), 7);
    // A modifier on its own or a key with one keeps the window open.
    EXPECT_EQ(Show(w, press(Qt::Key_Shift, Qt::ShiftModifier)), 99);
    EXPECT_EQ(Show(w, press(Qt::Key_Control)), 99);
    EXPECT_EQ(Show(w, press(Qt::Key_A, Qt::ControlModifier)), 99);
    EXPECT_EQ(Show(w, press(Qt::Key_A)), 2);
    EXPECT_EQ(Show(w, press(Qt::Key_Escape)), 2);
    EXPECT_EQ(Show(w, press(Qt::Key_Return)), 2);

    EXPECT_EQ(Show(w, [](TfrmCacheDetails& d) {
                  d.sbPlus->click();
                  return 99;
              }),
              6);
    EXPECT_EQ(Show(w, [](TfrmCacheDetails& d) {
                  d.sbMinus->click();
                  return 99;
              }),
              7);
    for (const char* name : {"lblKoord", "lblID", "GroupBox2", "img2"}) {
        EXPECT_EQ(Show(w, [name](TfrmCacheDetails& d) {
                      QWidget* target = d.findChild<QWidget*>(name);
                      EXPECT_NE(target, nullptr) << name;
                      QTest::mouseClick(target, Qt::LeftButton, {}, QPoint(2, 2));
                      return d.isVisible() ? 99 : d.result();
                  }),
                  2)
            << name;
    }
}

TEST_F(CacheDetailsWindow, NoteButtonsFollowThePersonalNote) {
    ASSERT_TRUE(WritePersonalNote("GC1ABC", {"Dose unter der Wurzel"}));
    TfrmCacheDetails w;
    w.Cache = Sample();
    Show(w, [&](TfrmCacheDetails& d) {
        EXPECT_TRUE(d.sbNoteYes->isVisible());
        EXPECT_FALSE(d.sbNoteNo->isVisible());
        // The notes window gets the waypoint; erasing the note there flips the buttons.
        modal_.host.script.push_back([](QDialog& n) {
            auto& notes = static_cast<TfrmAddInfo&>(n);
            EXPECT_EQ(notes.NoteWaypoint, "GC1ABC");
            EXPECT_EQ(notes.Memo1->toPlainText(), QStringLiteral("Dose unter der Wurzel"));
            notes.btnErase->click();
            return 0;
        });
        d.sbNoteYes->click();
        EXPECT_FALSE(d.sbNoteYes->isVisible());
        EXPECT_TRUE(d.sbNoteNo->isVisible());
        EXPECT_TRUE(d.isVisible());  // the details stay open
        // And a new note written there flips them back.
        modal_.host.script.push_back([](QDialog& n) {
            auto& notes = static_cast<TfrmAddInfo&>(n);
            notes.Memo1->setPlainText(QStringLiteral("neu"));
            notes.btnSave->click();
            return 0;
        });
        d.sbNoteNo->click();
        EXPECT_TRUE(d.sbNoteYes->isVisible());
        return 0;
    });
    EXPECT_EQ(modal_.host.shown, (std::vector<std::string>{"frmCacheDetails", "frmAddInfo", "frmAddInfo"}));
    EXPECT_EQ(ReadPersonalNote("GC1ABC"), (std::vector<std::string>{"neu"}));

    w.ShowNoteButtons = false;
    Show(w, [](TfrmCacheDetails& d) {
        EXPECT_FALSE(d.sbNoteYes->isVisible());
        EXPECT_FALSE(d.sbNoteNo->isVisible());
        return 0;
    });
}

}  // namespace
}  // namespace tv
