#pragma once
// "Eigene Finds einlesen": loads the user's finds from the listing site one
// page per timer tick and merges them into "Finds.bin". Made per use by the
// main window and freed afterwards.
#include <QDialog>
#include <array>
#include <functional>
#include <string>

#include "acquire/finds_loader.h"
#include "core/listing_site.h"

class QCheckBox;
class QDateEdit;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTimer;

namespace tv {

class TfrmLoadFinds : public QDialog {
    Q_OBJECT

public:
    explicit TfrmLoadFinds(QWidget* parent = nullptr);

    QPushButton* btnLoad = nullptr;
    QPushButton* btnClose = nullptr;
    QPushButton* btnCancel = nullptr;
    QDateEdit* dtPicker = nullptr;
    QCheckBox* cbLoadall = nullptr;
    QPlainTextEdit* mmProt = nullptr;
    std::array<QLabel*, 6> pictures{};  // i1..i6
    QTimer* Timer = nullptr;            // next page
    QTimer* imgTimer = nullptr;         // animation

    // The site asked; the settings' site unless the caller sets another.
    ListingSite Site;
    // Told before (true) and after (false) each page request, so that a
    // progress window can follow the transfer.
    std::function<void(bool loading, const std::string& url)> PageProgress;

    void btnLoadClick();
    void btnCancelClick();
    void cbLoadallClick();
    void TimerTimer();
    void imgTimerTimer();

    FindsLoad& Load() { return load_; }

protected:
    void showEvent(QShowEvent* event) override;
    // Closing is possible only while "Schließen" is: a running or failed load
    // is left with "Abbrechen".
    void done(int result) override;

private:
    void loadOnePage();
    void animate(bool on);
    void addLine(const std::string& line);

    FindsLoad load_;
    bool inPage_ = false;  // a page request runs (events are pumped meanwhile)
    int phase_ = 0;
    int direction_ = 1;
};

}  // namespace tv
