#include "shell/ui/frm_about.h"

#include <QFont>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>

#include "core/proc_settings.h"
#include "platform/services.h"
#include "platform/text_encoding.h"
#include "platform/ui/qt_text.h"
#include "shell/about_info.h"
#include "platform/ui/form_events.h"

namespace tv {

namespace {

struct Link {
    const char* caption;
    const char* url;
};

constexpr Link kLinks[5] = {
    {"Trailvane im Web", "https://trailvane.org/"},
    {"geocaching.com", "https://www.geocaching.com/"},
    {"geocaching.de", "https://www.geocaching.de/"},
    {"Geoclub-Forum", "https://forum.geoclub.de/"},
    {"opencaching.de", "https://www.opencaching.de/"},
};

}  // namespace

const char* TfrmAbout::LinkUrl(int index) { return kLinks[index].url; }

TfrmAbout::TfrmAbout(bool showHints) : QDialog(nullptr) {
    setObjectName("frmAbout");
    setWindowTitle(QStringLiteral("Programminformation"));

    auto* title = new QLabel(QStringLiteral("Trailvane"), this);
    QFont big = title->font();
    big.setPointSizeF(big.pointSizeF() * 2.0);
    big.setBold(true);
    title->setFont(big);
    title->setAlignment(Qt::AlignCenter);
    lblVersion = new QLabel(this);
    lblVersion->setObjectName("lblVersion");
    lblVersion->setAlignment(Qt::AlignCenter);
    auto* about = new QLabel(QString::fromUtf8(
                                 "Das Werkzeug für Geocacher: Cache-Datenbank, Offline-Beschreibungen,\n"
                                 "GPX-Import, Wegpunkt-Exporte, Karten und Koordinaten."),
                             this);
    about->setAlignment(Qt::AlignCenter);
    auto* free = new QLabel(QString::fromUtf8("Freie Software, ohne Gewähr."), this);
    free->setAlignment(Qt::AlignCenter);

    auto* links = new QGridLayout;
    for (int i = 0; i < 5; ++i) {
        btnLink[i] = new QPushButton(QString::fromUtf8(kLinks[i].caption), this);
        btnLink[i]->setObjectName(QStringLiteral("btnLink%1").arg(i + 1));
        btnLink[i]->setAutoDefault(false);
        btnLink[i]->setFlat(true);
        btnLink[i]->setCursor(Qt::PointingHandCursor);
        // The fifth link always shows its address; the others follow the switch.
        if (i == 4 || showHints) btnLink[i]->setToolTip(QString::fromUtf8(kLinks[i].url));
        const char* url = kLinks[i].url;
        connect(btnLink[i], &QPushButton::clicked, this, [url] { platform::shellOpen().open(url); });
        links->addWidget(btnLink[i], i / 3, i % 3);
    }

    btnClose = new QPushButton(QString::fromUtf8("Schließen"), this);
    btnClose->setObjectName("btnClose");
    btnClose->setDefault(true);
    connect(btnClose, &QPushButton::clicked, this, [this] { btnCloseClick(); });

    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(3000);
    connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });

    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(btnClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(title);
    layout->addWidget(lblVersion);
    layout->addWidget(about);
    layout->addWidget(free);
    layout->addLayout(links);
    layout->addLayout(bottom);
    lblVersion->setText(ToQ(DefaultAboutVersionText()));
}

void TfrmAbout::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (IsFormShowHide(event)) FormShow();
}

void TfrmAbout::FormShow() {
    btnClose->setVisible(!Timer1->isActive());
    lblVersion->setText(ToQ(ReadAboutVersionText(GetWorkDir())));
}

void TfrmAbout::Timer1Timer() { reject(); }

void TfrmAbout::btnCloseClick() { reject(); }

void TfrmAbout::done(int result) {
    Timer1->stop();
    btnClose->setVisible(true);
    QDialog::done(result);
}

}  // namespace tv
