#include "shell/ui/frm_get_day.h"

#include <QCalendarWidget>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace tv {

TfrmGetDay::TfrmGetDay() : QDialog(nullptr) {
    setObjectName("frmGetDay");
    setWindowTitle(QString::fromUtf8("Datum auswählen"));
    Calendar = new QCalendarWidget(this);
    Calendar->setObjectName("Calendar");
    Calendar->setFirstDayOfWeek(Qt::Monday);
    auto* buttons = new QDialogButtonBox(this);
    btnOK = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    btnOK->setObjectName("btnOK");
    btnCancel = buttons->addButton(QStringLiteral("Abbrechen"), QDialogButtonBox::RejectRole);
    btnCancel->setObjectName("btnCancel");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Calendar);
    layout->addWidget(buttons);
}

}  // namespace tv
