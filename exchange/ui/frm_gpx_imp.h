#pragma once
// "GPX-Import": a pocket-query file into the cache database. The caller sets
// FileName and shows the window modally. "1: Einlesen" reads and compares
// (exchange/gpx_import.h), the list shows new and changed caches, a double
// click compares one with the stored record and "Nein" there drops it;
// "2: Verarbeiten" writes, runs the radius search and closes the window.
#include <QDialog>
#include <memory>
#include <string>

#include "exchange/gpx_import.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

namespace tv {

class TfrmCacheDetails;

class TfrmGPXImp : public QDialog {
    Q_OBJECT

public:
    explicit TfrmGPXImp(QWidget* parent = nullptr);
    ~TfrmGPXImp() override;

    // Full path of the GPX file; set by the caller before showing.
    std::string FileName;
    // Centre of the radius search.
    LatLon Centre;

    QGroupBox* GroupBox1 = nullptr;
    // The status line at the top of GroupBox1. It wraps, so a long count line
    // never widens the window past the screen.
    QLabel* lblStatus = nullptr;
    QPlainTextEdit* mmSrc = nullptr;
    QListWidget* ListBox = nullptr;
    QPushButton* btnClose = nullptr;
    QPushButton* btnStart = nullptr;
    QPushButton* btnWork = nullptr;
    QCheckBox* cbRadSearch = nullptr;
    QLabel* Label1 = nullptr;
    QComboBox* cbHome = nullptr;
    QLabel* lblKoord = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* edRad = nullptr;
    QLabel* Label3 = nullptr;
    QCheckBox* cbGetDescr = nullptr;
    QCheckBox* cbKeepOld = nullptr;
    QCheckBox* cbSaveOptions = nullptr;
    std::unique_ptr<TfrmCacheDetails> Details1, Details2;

    void FormShow();
    void btnStartClick();
    void ListBoxDblClick();
    void btnWorkClick();
    void btnCloseClick();
    void cbRadSearchClick();
    void cbHomeChange();
    // Saves the options and forgets the results.
    void done(int r) override;

protected:
    void showEvent(QShowEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::unique_ptr<GpxImportSession> session_;
};

}  // namespace tv
