#include "platform/ui/dialog_buttons.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>

namespace tv {

QDialogButtonBox* OkCancelButtons(QWidget* parent, QPushButton*& ok, QPushButton*& cancel) {
    auto* buttons = new QDialogButtonBox(parent);
    ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName("btnOK");
    ok->setDefault(true);
    cancel = buttons->addButton(QStringLiteral("Abbrechen"), QDialogButtonBox::RejectRole);
    cancel->setObjectName("btnCancel");
    return buttons;
}

void KeepTitleVisible(QWidget* window) {
    QFont font = QApplication::font();
    font.setBold(true);
    const bool tool = (window->windowFlags() & Qt::Tool) == Qt::Tool;
    const int need = QFontMetrics(font).horizontalAdvance(window->windowTitle()) + (tool ? 40 : 110);
    if (window->minimumWidth() < need) window->setMinimumWidth(need);
}

void KeepTabsWhole(QTabWidget* tabs) {
    // Without scroll arrows the tab bar's minimum width is that of all its
    // tabs, and the tab widget's minimum follows it.
    tabs->setUsesScrollButtons(false);
    tabs->setElideMode(Qt::ElideNone);
}

}  // namespace tv
