#pragma once
// A loader window for single resources of the listing site, made at start-up
// and kept; no command shows it at present.
#include <QDialog>
#include <memory>

#include "acquire/http_client.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace tv {

class TfrmLoadFromGC : public QDialog {
    Q_OBJECT

public:
    explicit TfrmLoadFromGC(QWidget* parent = nullptr);

    QLabel* lblResource = nullptr;
    QProgressBar* pb = nullptr;
    QPushButton* btnCancel = nullptr;
    bool Cancelled = false;
    HttpClient& Http() { return *http_; }

    void btnCancelClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    std::unique_ptr<HttpClient> http_;
};

}  // namespace tv
