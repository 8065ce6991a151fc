#pragma once
// Import of a GPX file of additional waypoints: shows the file's text (which
// the user may edit) and merges its waypoints into the store on "Einlesen".
#include <QDialog>
#include <string>

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
};

}  // namespace tv
