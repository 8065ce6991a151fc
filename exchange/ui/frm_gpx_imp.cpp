#include "exchange/ui/frm_gpx_imp.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFont>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QScreen>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "core/cache_db.h"
#include "core/coords.h"
#include "core/file_procs.h"
#include "core/number_format.h"
#include "core/proc_settings.h"
#include "pages/ui/frm_cache_details.h"
#include "platform/services.h"
#include "platform/text_encoding.h"
#include "platform/ui/modal_host.h"
#include "platform/ui/modal_result.h"
#include "platform/ui/qt_text.h"
#include "platform/ui/form_events.h"

namespace tv {

namespace {

using platform::MsgKind;

void Tell(MsgKind kind, const std::string& text) { platform::messages().show(kind, text); }

QFont Courier() {
    QFont f(QStringLiteral("Courier New"));
    f.setStyleHint(QFont::Monospace);
    return f;
}

}  // namespace

TfrmGPXImp::TfrmGPXImp(QWidget* parent) : QDialog(parent) {
    setObjectName("frmGPXImp");
    setWindowTitle(U("GPX-Import"));
    resize(556, 372);
    auto* top = new QVBoxLayout(this);

    GroupBox1 = new QGroupBox;
    auto* group = new QVBoxLayout(GroupBox1);
    lblStatus = new QLabel;
    lblStatus->setTextFormat(Qt::PlainText);
    lblStatus->setWordWrap(true);
    // The window gives the line its width, never the other way round.
    lblStatus->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    group->addWidget(lblStatus);
    mmSrc = new QPlainTextEdit;
    mmSrc->setReadOnly(true);
    mmSrc->setFont(Courier());
    mmSrc->setLineWrapMode(QPlainTextEdit::NoWrap);
    ListBox = new QListWidget;
    ListBox->setFont(Courier());
    ListBox->setVisible(false);
    group->addWidget(mmSrc);
    group->addWidget(ListBox);
    top->addWidget(GroupBox1, 1);

    auto* panel = new QGridLayout;
    cbRadSearch = new QCheckBox(U("nach Verarbeitung Umkreissuche durchführen"));
    panel->addWidget(cbRadSearch, 0, 0, 1, 6);
    Label1 = new QLabel(U("Zentrum:"));
    cbHome = new QComboBox;
    lblKoord = new QLabel;
    panel->addWidget(Label1, 1, 0);
    panel->addWidget(cbHome, 1, 1, 1, 2);
    panel->addWidget(lblKoord, 1, 3, 1, 3);
    Label2 = new QLabel(U("Radius:"));
    edRad = new QLineEdit(U("10"));
    edRad->installEventFilter(this);
    Label3 = new QLabel(U("km"));
    panel->addWidget(Label2, 2, 0);
    panel->addWidget(edRad, 2, 1);
    panel->addWidget(Label3, 2, 2);
    cbGetDescr = new QCheckBox(U("für Caches im angegebenen Radius die Beschreibungen extrahieren"));
    cbGetDescr->setChecked(true);
    panel->addWidget(cbGetDescr, 3, 0, 1, 6);
    cbKeepOld = new QCheckBox(U("bereits vorhandene Beschreibungen behalten"));
    cbKeepOld->setChecked(true);
    panel->addWidget(cbKeepOld, 4, 0, 1, 6);
    cbSaveOptions = new QCheckBox(U("Einstellungen speichern"));
    cbSaveOptions->setChecked(true);
    panel->addWidget(cbSaveOptions, 5, 0, 1, 3);
    btnStart = new QPushButton(U("1: Einlesen"));
    btnWork = new QPushButton(U("2: Verarbeiten"));
    btnClose = new QPushButton(U("Schließen"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnStart);
    buttons->addWidget(btnWork);
    buttons->addWidget(btnClose);
    panel->addLayout(buttons, 6, 0, 1, 6);
    top->addLayout(panel);

    Details1 = std::make_unique<TfrmCacheDetails>();
    Details2 = std::make_unique<TfrmCacheDetails>();

    connect(btnStart, &QPushButton::clicked, this, &TfrmGPXImp::btnStartClick);
    connect(btnWork, &QPushButton::clicked, this, &TfrmGPXImp::btnWorkClick);
    connect(btnClose, &QPushButton::clicked, this, &TfrmGPXImp::btnCloseClick);
    connect(cbRadSearch, &QCheckBox::clicked, this, &TfrmGPXImp::cbRadSearchClick);
    connect(cbHome, &QComboBox::activated, this, &TfrmGPXImp::cbHomeChange);
    connect(ListBox, &QListWidget::itemDoubleClicked, this, &TfrmGPXImp::ListBoxDblClick);
}

TfrmGPXImp::~TfrmGPXImp() = default;

void TfrmGPXImp::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (IsFormShowHide(e)) FormShow();
}

void TfrmGPXImp::FormShow() {
    GpxImportOptions o;
    o.radius = FromQ(edRad->text());
    LoadGpxImportOptions(o);
    cbSaveOptions->setChecked(o.saveOptions);
    if (o.saveOptions) {
        cbRadSearch->setChecked(o.radiusSearch);
        cbGetDescr->setChecked(o.getDescriptions);
        cbKeepOld->setChecked(o.keepOld);
        edRad->setText(ToQ(o.radius));
    }
    ListBox->setVisible(false);
    ListBox->clear();
    mmSrc->setVisible(true);
    session_.reset();

    const GpxFileSummary s = SummarizeGpxFile(FileName);
    mmSrc->setPlainText(ToQ(s.preview));
    lblStatus->setText(ToQ("Importdatei: " + FileName + " (" + std::to_string(s.lines) + " Zeilen, " +
                           std::to_string(s.definitions) + " Cachedefinitionen)"));
    btnStart->setEnabled(s.readable);
    btnClose->setEnabled(true);
    btnWork->setEnabled(false);
    if (edRad->text().isEmpty()) edRad->setText(ToQ(FormatFixed(ProcSettings.Radius, 15, 1)));

    cbHome->clear();
    cbHome->addItem(U("HOME"));
    for (const std::string& name : ProcSettings.AddHomeTxt) cbHome->addItem(ToQ(name));
    cbHome->setEnabled(!ProcSettings.AddHomeTxt.empty());
    cbHome->setCurrentIndex(0);
    cbHomeChange();
    setWindowTitle(s.gpxName.empty() ? U("GPX-Import") : ToQ("GPX-Import [" + s.gpxName + "]"));
    cbRadSearchClick();

    if (!s.readable) {
        Tell(MsgKind::Error, ReadErrorText(FileName));
        QTimer::singleShot(0, this, [this] {
            if (isVisible()) done(QDialog::Rejected);
        });
    }
}

void TfrmGPXImp::cbRadSearchClick() {
    const bool on = cbRadSearch->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*>{Label1, cbHome, lblKoord, Label2, edRad, Label3, cbGetDescr,
                                                      cbKeepOld})
        w->setVisible(on);
}

void TfrmGPXImp::cbHomeChange() {
    const int i = cbHome->currentIndex();
    Centre = LatLon{ProcSettings.HomeLat, ProcSettings.HomeLong};
    if (i > 0 && static_cast<std::size_t>(i) <= ProcSettings.AddHomeLat.size() &&
        static_cast<std::size_t>(i) <= ProcSettings.AddHomeLon.size())
        Centre = LatLon{ParseFloat(ProcSettings.AddHomeLat[i - 1]).value_or(0.0),
                        ParseFloat(ProcSettings.AddHomeLon[i - 1]).value_or(0.0)};
    lblKoord->setText(ToQ(FormatCoord(Centre)));
}

bool TfrmGPXImp::eventFilter(QObject* watched, QEvent* event) {
    if (watched == edRad && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        const QString text = key->text();
        if (text == QStringLiteral(",")) {
            edRad->insert(QStringLiteral("."));
            return true;
        }
        // Digits, the point and editing keys pass; other characters are swallowed.
        if (!text.isEmpty() && text.at(0).isPrint() && !text.at(0).isDigit() && text != QStringLiteral("."))
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmGPXImp::btnStartClick() {
    btnStart->setEnabled(false);
    btnWork->setEnabled(false);
    btnClose->setEnabled(false);
    ListBox->setVisible(false);
    ListBox->clear();

    session_ = std::make_unique<GpxImportSession>(
        GpxImportParams{FileName, LatLon{ProcSettings.HomeLat, ProcSettings.HomeLong}, {}});
    auto& progress = platform::progress();
    progress.setRange(0, 1000);
    progress.setAction(W("Cacheliste wird gelesen"));
    session_->setProgress([&progress](std::uint64_t done, std::uint64_t total) {
        progress.setPosition(total ? static_cast<int>(done * 1000 / total) : 0);
        platform::pump().pump();
    });
    const GpxPass1Result& r = session_->pass1();
    progress.hide();

    std::string memo = "---------- Pass 1: GPX-Datei wird eingelesen ----------\n";
    for (const std::string& line : r.memoLines) memo += line + "\n";
    if (r.refused.count() > 0) memo += r.refused.Text() + "\n";
    mmSrc->setPlainText(ToQ(memo));
    lblStatus->setText(ToQ(GpxPass1StatusText(r)));
    btnClose->setEnabled(true);
    if (r.refused.count() > 0) Tell(MsgKind::Warning, r.refused.Text());
    if (r.error) Tell(MsgKind::Error, r.error->message);
    if (r.error && r.entries.empty()) return;

    for (const GpxImportEntry& e : r.entries) ListBox->addItem(ToQ(GpxListLine(e)));
    mmSrc->setVisible(false);
    ListBox->setVisible(true);
    btnWork->setEnabled(true);
    if (r.entries.empty()) {
        Tell(MsgKind::Information, GpxNothingToImportText(r));
        done(QDialog::Rejected);
    }
}

void TfrmGPXImp::ListBoxDblClick() {
    QListWidgetItem* item = ListBox->currentItem();
    if (!item || !session_) return;
    const std::string line = FromQ(item->text());
    const GpxImportEntry* entry = session_->FindResult(GpxLineCode(line));
    if (!entry) return;
    TfrmCacheDetails& d1 = *Details1;
    d1.Cache = entry->rec;
    d1.FoundCaption = "Neuer Cache";
    d1.FoundDateText.clear();
    d1.GroupBox1->setStyleSheet(QString());
    d1.ShowNoteButtons = true;
    int result = 0;
    TCacheRec stored;
    if (line.find(": Diff=") == std::string::npos || !FindCacheByWaypoint(entry->rec.Waypoint.view(), stored)) {
        d1.MarkDifferences(entry->rec);
        result = platform::modalHost().exec(d1, this);
    } else {
        TfrmCacheDetails& d2 = *Details2;
        d1.MarkDifferences(stored);
        d1.ShowNoteButtons = false;
        d1.GroupBox1->setStyleSheet(QStringLiteral("QGroupBox { background-color: #FFFFE0; }"));
        d2.Cache = stored;
        d2.FoundCaption = "Vorhandener Cache";
        d2.FoundDateText.clear();
        d2.ShowNoteButtons = false;
        d2.MarkDifferences(entry->rec);
        for (QWidget* w : std::initializer_list<QWidget*>{d2.sbMinus, d2.sbPlus, d2.sbShow}) w->setVisible(false);
        // The two records one above the other around the centre of this
        // window: the imported one above, the stored one below.
        CenterFormOver(this, &d2);
        d2.move(d2.x(), d2.y() + d2.frameGeometry().height() / 2);
        d2.show();
        CenterFormOver(this, &d1);
        int top = d1.y() - d1.frameGeometry().height() / 2;
        // Its caption stays on the screen.
        if (const QScreen* screen = window()->screen()) top = std::max(top, screen->availableGeometry().top());
        d1.move(d1.x(), top);
        // Placed already: the host shows it where it is.
        result = platform::modalHost().exec(d1, nullptr);
        d2.hide();
    }
    d1.hide();
    if (result == mrNo) delete ListBox->takeItem(ListBox->row(item));
}

void TfrmGPXImp::btnWorkClick() {
    if (!session_) return;
    GpxPass2Options o;
    o.radiusSearch = cbRadSearch->isChecked();
    if (o.radiusSearch) {
        const auto radius = ParseRadius(FromQ(edRad->text()));
        if (!radius) {
            Tell(MsgKind::Error, "Der eingegebene Radius ist falsch.");
            return;
        }
        o.radiusKm = *radius;
    }
    o.centre = Centre;
    o.getDescriptions = cbGetDescr->isChecked();
    o.keepOld = cbKeepOld->isChecked();
    o.outDir = GetOutDir();
    o.site = SettingsListingSite();
    for (QWidget* w : std::initializer_list<QWidget*>{btnStart, btnWork, btnClose, cbRadSearch, cbHome, edRad})
        w->setEnabled(false);
    std::vector<std::string> lines;
    for (int i = 0; i < ListBox->count(); ++i) lines.push_back(FromQ(ListBox->item(i)->text()));

    platform::pump().setBusy(true);
    const GpxPass2Result r = session_->pass2(lines, o);
    platform::pump().setBusy(false);
    ListBox->setVisible(false);
    ListBox->clear();
    mmSrc->clear();
    if (ProcSettings.ShowMessages) Tell(MsgKind::Information, r.summary);
    if (!r.errors.empty()) {
        std::string text;
        for (const std::string& e : r.errors) text += (text.empty() ? "" : "\r\n") + e;
        Tell(MsgKind::Error, text);
    }
    if (o.radiusSearch && (r.hits.empty() || ProcSettings.ShowMessages)) Tell(MsgKind::Information, r.hitsText);
    for (QWidget* w : std::initializer_list<QWidget*>{btnClose, cbRadSearch, cbHome, edRad}) w->setEnabled(true);
    done(QDialog::Accepted);
}

void TfrmGPXImp::btnCloseClick() { done(QDialog::Rejected); }

void TfrmGPXImp::done(int r) {
    GpxImportOptions o;
    o.saveOptions = cbSaveOptions->isChecked();
    o.radiusSearch = cbRadSearch->isChecked();
    o.getDescriptions = cbGetDescr->isChecked();
    o.keepOld = cbKeepOld->isChecked();
    o.radius = FromQ(edRad->text());
    SaveGpxImportOptions(o);
    session_.reset();
    Details1->hide();
    Details2->hide();
    QDialog::done(r);
}

}  // namespace tv
