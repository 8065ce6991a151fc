#pragma once
// The map address of one position: the caller sets lat and lon, shows the
// window and, after OK (mrOk), opens URL.
#include <QDialog>
#include <string>

class QButtonGroup;
class QComboBox;
class QPushButton;

namespace tv {

class TfrmGoogleShow : public QDialog {
    Q_OBJECT

public:
    TfrmGoogleShow();

    // 32-bit on purpose: the addresses keep the digits they always had.
    float lat = 0.0f;
    float lon = 0.0f;
    std::string URL;

    QButtonGroup* rgMap = nullptr;
    QComboBox* cbZoom = nullptr;
    QPushButton* btnShow = nullptr;
    QPushButton* btnCancel = nullptr;

    void FormShow();
    void btnShowClick();

protected:
    void showEvent(QShowEvent* event) override;
};

}  // namespace tv
