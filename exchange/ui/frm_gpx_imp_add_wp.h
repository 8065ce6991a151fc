#pragma once
// Import of a GPX file of additional waypoints: shows the file's text in its
// own encoding (which the user may edit; a big file only in part, read-only)
// and merges its waypoints into the store on "Einlesen".
#include <QDialog>
#include <string>

#include "exchange/add_wp_import.h"

class QGroupBox;
class QPlainTextEdit;
class QPushButton;

namespace tv {

class TfrmGPXImpAddWP : public QDialog {
    Q_OBJECT

public:
    explicit TfrmGPXImpAddWP(QWidget* parent = nullptr);

    std::string FileName;  // set before showing
    // Where the waypoints go; the work folder's "CacheWaypoints.bin" when empty.
    std::string StorePath;

    QGroupBox* GroupBox1 = nullptr;
    QPlainTextEdit* mmSrc = nullptr;
    QPushButton* btnStart = nullptr;
    QPushButton* btnClose = nullptr;

    void btnStartClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    // What the memo shows: the file's encoding, and whether it is the whole
    // file (then its text, edits included, is imported; else the file).
    TextEncoding encoding_ = TextEncoding::Utf8;
    bool whole_ = true;
};

}  // namespace tv
