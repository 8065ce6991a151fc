#include "shell/ui/frm_notes_mixer.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tv {

namespace {
QLabel* BoldPanel(QWidget* parent, const char* name) {
    auto* panel = new QLabel(parent);
    panel->setObjectName(QString::fromLatin1(name));
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Sunken);
    QFont bold = panel->font();
    bold.setBold(true);
    panel->setFont(bold);
    panel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return panel;
}
}  // namespace

TfrmNotesMixer::TfrmNotesMixer() : QDialog(nullptr) {
    setObjectName("frmNotesMixer");
    setWindowTitle(QStringLiteral("Cachenotizen editieren"));

    auto* merge = new QGroupBox(QString::fromUtf8("Cachenotizen zusammenführen"), this);
    auto* text = new QLabel(QString::fromUtf8(
                                "Sowohl lokal als auch im Aktenkoffer befanden sich Cachenotizen zum gleichen "
                                "Cache. Bitte die entsprechenden Änderungen vornehmen und mit OK bestätigen."),
                            merge);
    text->setWordWrap(true);
    paWP = BoldPanel(merge, "paWP");
    paName = BoldPanel(merge, "paName");
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Waypoint:"), paWP);
    form->addRow(QStringLiteral("Cachename:"), paName);
    auto* mergeLayout = new QVBoxLayout(merge);
    mergeLayout->addWidget(text);
    mergeLayout->addLayout(form);

    auto* notes = new QGroupBox(QStringLiteral("Hinterlegte Notzien zu diesem Cache:"), this);
    mmNotes = new QPlainTextEdit(notes);
    mmNotes->setObjectName("mmNotes");
    auto* notesLayout = new QVBoxLayout(notes);
    notesLayout->addWidget(mmNotes);

    auto* buttons = new QDialogButtonBox(this);
    btnOK = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    btnOK->setObjectName("btnOK");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(merge);
    layout->addWidget(notes, 1);
    layout->addWidget(buttons);
    resize(480, 420);
}

}  // namespace tv
