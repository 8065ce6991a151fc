#include "shell/ui/frm_wait.h"

#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

#include "platform/text_encoding.h"
#include "platform/ui/qt_text.h"

namespace tv {

TfrmWait::TfrmWait() : QDialog(nullptr, Qt::Tool | Qt::WindowStaysOnTopHint) {
    setObjectName("frmWait");
    setWindowTitle(QStringLiteral("Bitte warten..."));
    setModal(false);
    lblAction = new QLabel(this);
    lblAction->setObjectName("lblAction");
    lblAction->setMinimumWidth(320);
    Progress = new QProgressBar(this);
    Progress->setObjectName("Progress");
    Progress->setRange(0, 100);
    Progress->setValue(0);
    Progress->setTextVisible(false);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblAction);
    layout->addWidget(Progress);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TfrmWait::SetAction(const std::string& text) {
    lblAction->setText(ToQ(text));
    if (!isVisible()) show();
    raise();
    platform::pump().pump();
}

void TfrmWait::setRange(int minimum, int maximum) { Progress->setRange(minimum, maximum); }

void TfrmWait::setPosition(int position) { Progress->setValue(position); }

void TfrmWait::hide() { QDialog::hide(); }

platform::Services InstallWaitWindow(TfrmWait& w) {
    platform::Services s = platform::services();
    s.progress = &w;
    return platform::install(s);
}

}  // namespace tv
