#include "acquire/ui/frm_load_from_gc.h"

#include <cstdint>

#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include "acquire/url_loader.h"
#include "platform/services.h"
#include "platform/ui/form_events.h"

namespace tv {

TfrmLoadFromGC::TfrmLoadFromGC(QWidget* parent) : QDialog(parent), http_(std::make_unique<HttpClient>()) {
    setObjectName("frmLoadFromGC");
    setWindowTitle(QStringLiteral("Laden"));
    auto* group = new QGroupBox(QStringLiteral("geocaching.com"), this);
    auto* inner = new QVBoxLayout(group);
    inner->addWidget(new QLabel(QStringLiteral("Ladefortschritt:"), group));
    inner->addWidget(new QLabel(QStringLiteral("Lade Datei / Resource:"), group));
    lblResource = new QLabel(group);
    lblResource->setObjectName("lblResource");
    inner->addWidget(lblResource);
    pb = new QProgressBar(group);
    pb->setObjectName("pb");
    pb->setValue(0);
    inner->addWidget(pb);
    btnCancel = new QPushButton(QStringLiteral("Abbrechen"), this);
    btnCancel->setObjectName("btnCancel");
    connect(btnCancel, &QPushButton::clicked, this, [this] { btnCancelClick(); });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(btnCancel, 0, Qt::AlignRight);

    http_->setUserAgent(std::string(kUrlLoaderAgent));
    http_->setProgress([this](std::int64_t received, std::int64_t total) {
        if (total > 0) {
            pb->setMaximum(static_cast<int>(total > INT32_MAX ? INT32_MAX : total));
            pb->setValue(static_cast<int>(received > INT32_MAX ? INT32_MAX : received));
        } else {
            pb->setValue(0);
        }
        platform::pump().pump();
        return !Cancelled;
    });
}

void TfrmLoadFromGC::btnCancelClick() {
    Cancelled = true;
    http_->cancel();
}

void TfrmLoadFromGC::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!IsFormShowHide(event)) return;
    Cancelled = false;
    lblResource->clear();
}

}  // namespace tv
