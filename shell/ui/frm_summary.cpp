#include "shell/ui/frm_summary.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace tv {

TfrmSummary::TfrmSummary() : QDialog(nullptr) {
    setObjectName("frmSummary");
    setWindowTitle(QStringLiteral("Zusammenfassung"));
    auto* group = new QGroupBox(QStringLiteral("Folgende Caches aus dem Aktenkoffer wurden verarbeitet"), this);
    lbCaches = new QListWidget(group);
    lbCaches->setObjectName("lbCaches");
    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(lbCaches);
    auto* buttons = new QDialogButtonBox(this);
    btnOK = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    btnOK->setObjectName("btnOK");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group, 1);
    layout->addWidget(buttons);
    resize(420, 360);
}

}  // namespace tv
