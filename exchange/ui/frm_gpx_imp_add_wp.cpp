#include "exchange/ui/frm_gpx_imp_add_wp.h"

#include <QFontDatabase>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/addwp_db.h"
#include "exchange/add_wp_import.h"
#include "pages/ui/memo_text.h"
#include "platform/services.h"
#include "platform/ui/qt_text.h"
#include "platform/ui/form_events.h"

namespace tv {

TfrmGPXImpAddWP::TfrmGPXImpAddWP(QWidget* parent) : QDialog(parent) {
    setObjectName("frmGPXImpAddWP");
    setWindowTitle(U("GPX-Import zusätzlicher Wegpunkte"));
    GroupBox1 = new QGroupBox(this);
    GroupBox1->setObjectName("GroupBox1");
    mmSrc = new QPlainTextEdit(GroupBox1);
    mmSrc->setObjectName("mmSrc");
    mmSrc->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    mmSrc->setLineWrapMode(QPlainTextEdit::NoWrap);
    (new QVBoxLayout(GroupBox1))->addWidget(mmSrc);
    btnStart = new QPushButton(U("Einlesen"), this);
    btnStart->setObjectName("btnStart");
    btnStart->setDefault(true);
    btnClose = new QPushButton(U("Schließen"), this);
    btnClose->setObjectName("btnClose");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnStart);
    buttons->addWidget(btnClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(GroupBox1, 1);
    layout->addLayout(buttons);
    setFixedSize(627, 409);
    connect(btnStart, &QPushButton::clicked, this, &TfrmGPXImpAddWP::btnStartClick);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::reject);
}

void TfrmGPXImpAddWP::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!IsFormShowHide(event)) return;
    GroupBox1->setTitle(ToQ("Dateiname: " + FileName));
    // Read once in blocks: the memo gets the file, or of a big one its
    // beginning, in the encoding the file declares.
    const AddWpFileSummary s = SummarizeAddWpFile(FileName);
    encoding_ = s.encoding;
    whole_ = s.whole;
    mmSrc->setPlainText(QString::fromUtf8(s.shown.data(), static_cast<qsizetype>(s.shown.size())));
    mmSrc->setReadOnly(!s.whole);
    GroupBox1->setTitle(ToQ(AddWpCaption(FileName, s)));
    btnStart->setEnabled(true);
}

void TfrmGPXImpAddWP::btnStartClick() {
    btnStart->setEnabled(false);
    const std::string store = StorePath.empty() ? AddWaypointsPath() : StorePath;
    platform::pump().setBusy(true);
    Result<AddWpImportResult> r = Error{};
    if (whole_) {
        // The memo's text, edits included, in the file's own encoding.
        const QByteArray utf8 = MemoText(mmSrc).toUtf8();
        r = ImportAddWaypoints(FileTextFromMemo(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())),
                                                encoding_),
                               store);
    } else {
        r = ImportAddWaypointsFile(FileName, store);
    }
    platform::pump().setBusy(false);
    if (!r.ok()) {
        // The text stays as it is, so the user can mend it and try again.
        platform::messages().show(platform::MsgKind::Error, r.error().message);
        btnStart->setEnabled(true);
        return;
    }
    QString log;
    for (const std::string& line : r->log) log += ToQ(line) + '\n';
    mmSrc->setReadOnly(false);
    mmSrc->setPlainText(log);
    GroupBox1->setTitle(QString::number(r->inFile) + U(" Waypoints gefunden"));
}

}  // namespace tv
