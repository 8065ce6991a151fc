#include "acquire/ui/frm_load_url.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>
#include <QShowEvent>
#include <QTimer>

#include "platform/services.h"
#include "platform/text_encoding.h"
#include "platform/ui/qt_text.h"
#include "platform/ui/form_events.h"

namespace tv {

TfrmLoadURL::TfrmLoadURL(QWidget* parent) : QDialog(parent) {
    setObjectName("frmLoadURL");
    setWindowTitle(QStringLiteral("Load from URL"));
    auto label = [this](const char* name, const QString& text) {
        auto* l = new QLabel(text, this);
        l->setObjectName(name);
        return l;
    };
    Label1 = label("Label1", QStringLiteral("Loading from internet resource..."));
    Label4 = label("Label4", QStringLiteral("URL:"));
    lblURL = label("lblURL", {});
    lblBytes = label("lblBytes", QStringLiteral("00000"));
    lblBytes->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Label2 = label("Label2", QStringLiteral("bytes loaded"));
    Label3 = label("Label3", QStringLiteral("Proxy:"));
    lblProxy = label("lblProxy", {});
    Label5 = label("Label5", QStringLiteral("Status:"));
    lblStatus = label("lblStatus", {});
    auto* grid = new QGridLayout(this);
    grid->addWidget(Label1, 0, 0, 1, 2);
    grid->addWidget(Label4, 1, 0);
    grid->addWidget(lblURL, 1, 1);
    grid->addWidget(lblBytes, 2, 0);
    grid->addWidget(Label2, 2, 1);
    grid->addWidget(Label3, 3, 0);
    grid->addWidget(lblProxy, 3, 1);
    grid->addWidget(Label5, 4, 0);
    grid->addWidget(lblStatus, 4, 1);
    setMinimumWidth(420);

    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setSingleShot(true);
    Timer1->setInterval(250);
    connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });

    loader_.onStatus = [this](const std::string& s) { lblStatus->setText(ToQ(s)); };
    loader_.onBytes = [this](std::int64_t received, std::int64_t expected) {
        lblBytes->setText(ToQ(ByteProgressText(received, expected)));
    };
}

void TfrmLoadURL::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!IsFormShowHide(event)) return;
    lblBytes->setText(QStringLiteral("0"));
    lblURL->setText(ToQ(loader_.URL()));
    lblProxy->setText(ToQ(loader_.Proxy().host));
    lblStatus->setText(QStringLiteral("Ready"));
    Timer1->start();
}

void TfrmLoadURL::closeEvent(QCloseEvent* event) {
    Timer1->stop();
    QDialog::closeEvent(event);
}

void TfrmLoadURL::Timer1Timer() {
    Timer1->stop();
    succeeded_ = false;
    Result<void> r = Error{};
    try {
        r = loader_.Download();
    } catch (const std::exception& e) {
        r = Error{-1, e.what()};
    }
    if (!r) {
        lblStatus->setText(QStringLiteral("Error"));
        platform::messages().show(platform::MsgKind::Error,
                                  W("Fehler beim Laden von ") + loader_.URL() + ":\r\n" + r.error().message);
        return;
    }
    succeeded_ = true;
    accept();
}

}  // namespace tv
