#pragma once
// "Cache-Details": one cache record in a small white tool window. The caller
// sets Cache (and the other fields it uses), shows the window modally and
// reads the result: mrCancel (2) closed, mrYes (6) plus, mrNo (7) minus, which
// callers take as "remove this cache from my list". sbPlus and sbMinus are
// hidden until the caller shows them. MarkDifferences paints red the fields in
// which another record differs (two windows side by side compare records).
#include <QDialog>
#include <string>

#include "core/cache_rec.h"

class QGroupBox;
class QKeyEvent;
class QLabel;
class QMouseEvent;
class QShowEvent;
class QToolButton;

namespace tv {

class TfrmCacheDetails : public QDialog {
    Q_OBJECT

public:
    explicit TfrmCacheDetails(QWidget* parent = nullptr);

    // ---- set by the caller before showing (kept between showings) ----------
    TCacheRec Cache;
    std::string FoundDateText;   // "dd.mm.yyyy" of the user's find, or empty
    std::string FoundCaption;    // replaces the found caption; the date is then not shown
    std::string DescrFolder;     // folder of the converted page; empty: the description folder
    bool ShowNoteButtons = true; // false hides both note buttons
    // ---- set by the window -------------------------------------------------
    std::string FoundSubfolder;  // subfolder of the description folder holding the page, or empty

    QGroupBox* GroupBox1 = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    QLabel* img[10] = {};  // img1 .. img10: img[0] is img1
    QLabel* lblCacheName = nullptr;
    QLabel* Label1 = nullptr;  // "Cache-ID:"
    QLabel* Label2 = nullptr;  // "Waypoint:"
    QLabel* Label3 = nullptr;  // "Cachesize:"
    QLabel* Label4 = nullptr;  // "Difficulty:"
    QLabel* Label5 = nullptr;  // "Terrain:"
    QLabel* Label6 = nullptr;  // "Versteckt:"
    QLabel* Label7 = nullptr;  // "Koordinaten:"
    QLabel* Label9 = nullptr;  // "Land:"
    QLabel* lblID = nullptr;
    QLabel* lblWP = nullptr;
    QLabel* lblSize = nullptr;
    QLabel* lblDiff = nullptr;
    QLabel* lblTerr = nullptr;
    QLabel* lblHidden = nullptr;
    QLabel* lblKoord = nullptr;
    QLabel* lblCountry = nullptr;
    QLabel* imgDiff = nullptr;
    QLabel* imgTerr = nullptr;
    QLabel* Label8 = nullptr;  // found caption
    QLabel* lblFoundWhen = nullptr;
    QLabel* lblDist = nullptr;
    QToolButton* sbMinus = nullptr;
    QToolButton* sbPlus = nullptr;
    QToolButton* sbShow = nullptr;
    QToolButton* sbNoteYes = nullptr;
    QToolButton* sbNoteNo = nullptr;

    void FormShow();
    void GroupBox1Click();
    void FormKeyDown(QKeyEvent* event);
    void sbPlusClick();
    void sbMinusClick();
    void sbShowClick();
    void sbNoteYesClick();
    void MarkDifferences(const TCacheRec& other);
    void ResetFieldColors();
    void UpdateNoteButtons();

    // The cancel key closes with mrCancel like every other key.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // MarkDifferences found another name; the show step paints the name
    // after it, so it must keep the red.
    bool nameMarked_ = false;
};

}  // namespace tv
