#include "acquire/ui/frm_load_finds.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>

#include "core/debug_log.h"
#include "core/proc_settings.h"
#include "platform/services.h"
#include "platform/ui/qt_text.h"
#include "platform/ui/form_events.h"

namespace tv {

namespace {

std::chrono::year_month_day DayOf(const QDate& d) {
    return std::chrono::year_month_day{std::chrono::year{d.year()},
                                       std::chrono::month{static_cast<unsigned>(d.month())},
                                       std::chrono::day{static_cast<unsigned>(d.day())}};
}

QDate Today() {
    const platform::DateTime now = platform::clock().now();
    return QDate(now.year, now.month, now.day);
}

}  // namespace

TfrmLoadFinds::TfrmLoadFinds(QWidget* parent) : QDialog(parent), Site(SettingsListingSite()) {
    setObjectName("frmLoadFinds");
    setWindowTitle(U("Eigene Finds einlesen"));
    auto button = [this](const char* name, const char* caption, const char* hint) {
        auto* b = new QPushButton(U(caption), this);
        b->setObjectName(name);
        b->setToolTip(U(hint));
        b->setAutoDefault(false);
        return b;
    };
    btnLoad = button("btnLoad", "Finds laden", "Start des Ladevorgangs");
    btnClose = button("btnClose", "Schließen", "diesen Dialog beenden");
    btnCancel = button("btnCancel", "Abbrechen", "bricht einen laufenden Ladevorgang ab");

    auto* group = new QGroupBox(U("Optionen und Ladeprotokoll"), this);
    dtPicker = new QDateEdit(group);
    dtPicker->setObjectName("dtPicker");
    dtPicker->setCalendarPopup(true);
    dtPicker->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    dtPicker->setToolTip(U("frühester zu ladender Zeitbereich"));
    cbLoadall = new QCheckBox(U("meine Finds komplett laden"), group);
    cbLoadall->setObjectName("cbLoadall");
    cbLoadall->setChecked(true);
    cbLoadall->setToolTip(U("Lädt die komplette Liste aller Funde (meist nur einmalig notwendig)"));
    mmProt = new QPlainTextEdit(group);
    mmProt->setObjectName("mmProt");
    mmProt->setReadOnly(true);
    auto* range = new QHBoxLayout;
    range->addWidget(new QLabel(U("zu ladender Zeitbereich:  vom"), group));
    range->addWidget(dtPicker);
    range->addWidget(new QLabel(U("bis heute"), group));
    range->addStretch();
    auto* inner = new QVBoxLayout(group);
    inner->addLayout(range);
    inner->addWidget(cbLoadall);
    inner->addWidget(new QLabel(U("Ladeprotokoll:"), group));
    inner->addWidget(mmProt);

    auto* bottom = new QHBoxLayout;
    for (std::size_t k = 0; k < pictures.size(); ++k) {
        pictures[k] = new QLabel(U("●"), this);
        pictures[k]->setObjectName(QStringLiteral("i%1").arg(k + 1));
        pictures[k]->setVisible(false);
        bottom->addWidget(pictures[k]);
    }
    bottom->addStretch();
    bottom->addWidget(btnLoad);
    bottom->addWidget(btnCancel);
    bottom->addWidget(btnClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addLayout(bottom);
    resize(520, 420);

    Timer = new QTimer(this);
    Timer->setObjectName("Timer");
    Timer->setSingleShot(true);
    Timer->setInterval(1000);
    imgTimer = new QTimer(this);
    imgTimer->setObjectName("imgTimer");
    imgTimer->setInterval(200);

    connect(btnLoad, &QPushButton::clicked, this, [this] { btnLoadClick(); });
    connect(btnCancel, &QPushButton::clicked, this, [this] { btnCancelClick(); });
    connect(btnClose, &QPushButton::clicked, this, [this] { done(QDialog::Rejected); });
    connect(cbLoadall, &QCheckBox::toggled, this, [this] { cbLoadallClick(); });
    connect(Timer, &QTimer::timeout, this, [this] { TimerTimer(); });
    connect(imgTimer, &QTimer::timeout, this, [this] { imgTimerTimer(); });
    load_.protocol = [this](const std::string& line) { addLine(line); };
}

void TfrmLoadFinds::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!IsFormShowHide(event)) return;
    mmProt->clear();
    for (QWidget* w : std::initializer_list<QWidget*>{btnLoad, btnClose, cbLoadall, dtPicker}) w->setEnabled(true);
    btnCancel->setEnabled(false);
    dtPicker->setDate(Today().addDays(-30));
    cbLoadallClick();
    animate(false);
}

void TfrmLoadFinds::done(int result) {
    if (!btnClose->isEnabled() || inPage_) return;
    Timer->stop();
    animate(false);
    QDialog::done(result);
}

void TfrmLoadFinds::addLine(const std::string& line) { mmProt->appendPlainText(ToQ(line)); }

void TfrmLoadFinds::cbLoadallClick() {
    if (btnLoad->isEnabled()) dtPicker->setEnabled(!cbLoadall->isChecked());
}

void TfrmLoadFinds::btnLoadClick() {
    // "Abbrechen" during a request enables this button before the request has ended.
    if (inPage_) return;
    mmProt->clear();
    animate(true);
    btnCancel->setEnabled(true);
    for (QWidget* w : std::initializer_list<QWidget*>{btnLoad, btnClose, cbLoadall, dtPicker}) w->setEnabled(false);

    FindsLoadParams params;
    params.site = Site;
    params.userName = ProcSettings.Username;
    params.proxy = ProxyFromSettings();
    params.loadAll = cbLoadall->isChecked();
    params.minDate = DayOf(dtPicker->date());
    params.today = DayOf(Today());
    params.workDir = GetWorkDir();
    params.debug = DebugMode;
    load_.Start(params);
    platform::pump().pump();
    loadOnePage();
}

void TfrmLoadFinds::TimerTimer() { loadOnePage(); }

void TfrmLoadFinds::loadOnePage() {
    Timer->stop();
    if (load_.state() == FindsLoad::State::Cancelled) return;
    if (PageProgress) PageProgress(true, load_.url());
    inPage_ = true;
    const bool more = load_.LoadOnePage();
    inPage_ = false;
    if (PageProgress) PageProgress(false, load_.url());
    if (more) {
        Timer->start();
        return;
    }
    switch (load_.state()) {
        case FindsLoad::State::Saved:
            btnCancel->setEnabled(false);
            btnLoad->setEnabled(false);
            btnClose->setEnabled(true);
            animate(false);
            break;
        case FindsLoad::State::Failed:
            animate(false);  // "Abbrechen" is the way out
            break;
        default:
            break;
    }
}

void TfrmLoadFinds::btnCancelClick() {
    Timer->stop();
    load_.Cancel();
    btnCancel->setEnabled(false);
    for (QWidget* w : std::initializer_list<QWidget*>{btnLoad, btnClose, cbLoadall, dtPicker}) w->setEnabled(true);
    cbLoadallClick();
    animate(false);
}

void TfrmLoadFinds::animate(bool on) {
    phase_ = on ? 1 : 0;
    direction_ = 1;
    if (on)
        imgTimer->start();
    else
        imgTimer->stop();
    imgTimerTimer();
}

void TfrmLoadFinds::imgTimerTimer() {
    for (std::size_t k = 0; k < pictures.size(); ++k) pictures[k]->setVisible(static_cast<int>(k) + 1 == phase_);
    if (phase_ < 1) return;
    phase_ += direction_;
    if (phase_ > 6) {
        phase_ = 5;
        direction_ = -1;
    } else if (phase_ < 1) {
        phase_ = 2;
        direction_ = 1;
    }
}

}  // namespace tv
