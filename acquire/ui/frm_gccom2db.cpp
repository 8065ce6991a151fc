#include "acquire/ui/frm_gccom2db.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include "acquire/page_to_cache_rec.h"
#include "core/app_paths.h"
#include "core/debug_log.h"
#include "core/file_procs.h"
#include "core/proc_settings.h"
#include "platform/services.h"
#include "platform/text_encoding.h"
#include "platform/ui/qt_text.h"
#include "platform/ui/radio_group.h"
#include "platform/ui/form_events.h"

namespace tv {

TfrmGCCom2DB::TfrmGCCom2DB(QWidget* parent) : QDialog(parent) {
    setObjectName("frmGCCom2DB");
    setWindowTitle(U("Datenbank aus Cachebeschreibungen befüllen"));
    auto* options = new QGroupBox(U("Datenquelle und Optionen"), this);
    QGroupBox* src = RadioGroup("Folgendes Verzeichnis durchsuchen", {"Ausgabeverzeichnis", "Anderer Speicherort"}, 2,
                                rgSrc, this, 0);
    Label1 = new QLabel(U("Verzeichnis:"), options);
    edDir = new QLineEdit(options);
    edDir->setObjectName("edDir");
    btnSearch = new QPushButton(U("durchsuchen"), options);
    btnSearch->setObjectName("btnSearch");
    btnSearch->setAutoDefault(false);
    QGroupBox* exist =
        RadioGroup("Bereits in DB vorhandene Caches", {"überspringen", "Datenbank updaten"}, 2, rgExist, this, 0);
    cbAddToWL = new QCheckBox(U("Neue Caches zu Arbeitsliste hinzufügen"), options);
    cbAddToWL->setObjectName("cbAddToWL");
    cbAddToWL->setChecked(true);
    auto* dirRow = new QHBoxLayout;
    dirRow->addWidget(Label1);
    dirRow->addWidget(edDir, 1);
    dirRow->addWidget(btnSearch);
    auto* optLayout = new QVBoxLayout(options);
    optLayout->addWidget(src);
    optLayout->addLayout(dirRow);
    optLayout->addWidget(exist);
    optLayout->addWidget(cbAddToWL);

    auto* prot = new QGroupBox(U("Protokoll"), this);
    mmProt = new QPlainTextEdit(prot);
    mmProt->setObjectName("mmProt");
    mmProt->setReadOnly(true);
    (new QVBoxLayout(prot))->addWidget(mmProt);

    btnStart = new QPushButton(U("Start"), this);
    btnStart->setObjectName("btnStart");
    btnStart->setDefault(true);
    btnCancel = new QPushButton(U("Schließen"), this);
    btnCancel->setObjectName("btnCancel");
    btnCancel->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnStart);
    buttons->addWidget(btnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(options);
    layout->addWidget(prot, 1);
    layout->addLayout(buttons);
    resize(520, 460);

    connect(btnStart, &QPushButton::clicked, this, [this] { btnStartClick(); });
    connect(btnSearch, &QPushButton::clicked, this, [this] { btnSearchClick(); });
    connect(btnCancel, &QPushButton::clicked, this, [this] { btnCancelClick(); });
    connect(rgSrc, &QButtonGroup::idClicked, this, [this] { rgSrcClick(); });
    rgSrcClick();
}

void TfrmGCCom2DB::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!IsFormShowHide(event)) return;
    mmProt->clear();
    btnStart->setEnabled(true);
    rgSrcClick();
}

void TfrmGCCom2DB::done(int result) {
    // Closing during a run ends it after the current page.
    stop_ = true;
    if (running_) return;
    QDialog::done(result);
}

void TfrmGCCom2DB::rgSrcClick() {
    const bool other = CheckedId(rgSrc) == 1;
    for (QWidget* w : std::initializer_list<QWidget*>{Label1, edDir, btnSearch}) w->setVisible(other);
}

void TfrmGCCom2DB::setOptionsEnabled(bool on) {
    for (QAbstractButton* b : rgSrc->buttons()) b->setEnabled(on);
    for (QAbstractButton* b : rgExist->buttons()) b->setEnabled(on);
    for (QWidget* w : std::initializer_list<QWidget*>{edDir, btnSearch, cbAddToWL}) w->setEnabled(on);
}

void TfrmGCCom2DB::btnStartClick() {
    btnStart->setEnabled(false);
    setOptionsEnabled(false);
    mmProt->clear();
    const std::string folder = CheckedId(rgSrc) == 1 ? FromQ(edDir->text().trimmed()) : GetOutDir();
    if (folder.empty()) {
        platform::messages().show(platform::MsgKind::Error, "Kein Suchverzeichnis festgelegt.");
        btnStart->setEnabled(true);
        setOptionsEnabled(true);
        return;
    }
    PageImportParams params;
    params.folder = folder;
    params.updateExisting = CheckedId(rgExist) == 1;
    params.addToWorkList = cbAddToWL->isChecked();
    running_ = true;
    stop_ = false;
    btnCancel->setEnabled(false);
    const PageImportResult result = ImportStoredPages(
        params,
        [this](const std::string& line) {
            mmProt->appendPlainText(ToQ(line));
            platform::pump().pump();
        },
        [this] { return !stop_; });
    running_ = false;
    if (result.noPages) {
        platform::messages().show(platform::MsgKind::Information,
                                  "Keine Cachebeschreibungen im angegebenen Verzeichnis gefunden.");
        btnStart->setEnabled(true);
        setOptionsEnabled(true);
    }
    if (result.workListRead.code != 0)
        ShowSysError(result.workListRead.code, result.workListRead.message);
    else if (result.workListError)
        platform::messages().show(
            platform::MsgKind::Error,
            W("Die Arbeitsliste konnte nicht gelesen oder geschrieben werden: ") + GetWorkDir() + "WPList.txt");
    btnCancel->setEnabled(true);
    if (stop_) QDialog::done(QDialog::Rejected);
}

void TfrmGCCom2DB::btnSearchClick() {
    if (edDir->text().isEmpty()) edDir->setText(ToQ(ProgramDir()));
    const auto chosen = platform::fileDialogs().chooseFolder(W("Bitte Verzeichnis auswählen"), FromQ(edDir->text()));
    if (chosen) edDir->setText(ToQ(*chosen));
}

void TfrmGCCom2DB::btnCancelClick() {
    btnStart->setEnabled(true);
    setOptionsEnabled(true);
    done(QDialog::Rejected);
}

}  // namespace tv
