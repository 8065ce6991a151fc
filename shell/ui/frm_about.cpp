#include "shell/ui/frm_about.h"

#include <QFont>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>

#include "core/app_paths.h"
#include "core/proc_settings.h"
#include "platform/services.h"
#include "platform/text_encoding.h"
#include "platform/ui/qt_text.h"
#include "shell/about_info.h"
#include "platform/ui/form_events.h"

namespace tv {

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

    // The one link: the documentation shipped in the program folder. The box
    // links no page on a server.
    btnDoc = new QPushButton(QStringLiteral("Dokumentation"), this);
    btnDoc->setObjectName("btnDoc");
    btnDoc->setAutoDefault(false);
    btnDoc->setFlat(true);
    btnDoc->setCursor(Qt::PointingHandCursor);
    if (showHints) btnDoc->setToolTip(ToQ(DocumentationPath()));
    connect(btnDoc, &QPushButton::clicked, this, [this] { btnDocClick(); });
    auto* links = new QHBoxLayout;
    links->addStretch();
    links->addWidget(btnDoc);
    links->addStretch();

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

void TfrmAbout::btnDocClick() {
    if (const std::string error = OpenDocumentation(); !error.empty())
        platform::messages().show(platform::MsgKind::Error, error);
}

void TfrmAbout::Timer1Timer() { reject(); }

void TfrmAbout::btnCloseClick() { reject(); }

void TfrmAbout::done(int result) {
    Timer1->stop();
    btnClose->setVisible(true);
    QDialog::done(result);
}

}  // namespace tv
