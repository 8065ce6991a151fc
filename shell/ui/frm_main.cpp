#include "shell/ui/frm_main.h"

#include <algorithm>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFont>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPalette>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QSpinBox>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <filesystem>

#include "core/cache_db.h"
#include "core/debug_log.h"
#include "core/fs_name.h"
#include "core/proc_settings.h"
#include "core/settings_file.h"
#include "platform/services.h"
#include "platform/text_encoding.h"
#include "platform/ui/modal_host.h"
#include "platform/ui/qt_services.h"
#include "platform/ui/qt_text.h"
#include "shell/main_commands.h"
#include "shell/ui/frm_about.h"
#include "shell/ui/frm_xmas.h"
#include "shell/ui/main_cache_list.h"
#include "shell/ui/tooltip_gate.h"
#include "platform/ui/form_events.h"

namespace tv {

namespace {

constexpr int kRawNameRole = Qt::UserRole + 1;  // a subfolder's name as bytes

QColor kHomeBlue(0, 0, 255);

void SetLabelColor(QLabel* label, const QColor& color) {
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, color);
    label->setPalette(p);
}

}  // namespace

TfrmMain::TfrmMain() {
    // FormCreate
    setObjectName("frmMain");
    setWindowTitle(QStringLiteral("Trailvane"));
    setAcceptDrops(true);  // files dropped from the desktop
    buildLayout();
    resize(820, 600);

    for (QAction* a : menus.all)
        connect(a, &QAction::triggered, this, [this, a] { RunCommand(a); });
    BindCommand(menus.Beenden1, [this] { Beenden1Click(); });
    BindCommand(menus.mnuRefresh, [this] { BuildFolderTree(); });
    BindCommand(menus.mnuShowToolbar, [this] { menus.paToolbar->setVisible(menus.mnuShowToolbar->isChecked()); });

    RunOnceDone = false;
    Sort = SortState{};
    lblQIName->clear();
    lblQIKind->clear();
    lblQIKoords->clear();
    QuickInfoRec.Waypoint.clear();
}

TfrmMain::~TfrmMain() = default;

void TfrmMain::buildLayout() {
    BuildMainMenus(*this, menus);

    auto* central = new QWidget(this);
    auto* outer = new QVBoxLayout(central);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    outer->addWidget(menus.paToolbar);

    Panel2 = new QWidget(central);
    Panel2->setObjectName("Panel2");
    auto* p2 = new QHBoxLayout(Panel2);
    p2->setContentsMargins(4, 4, 4, 4);
    Splitter1 = new QSplitter(Qt::Horizontal, Panel2);
    Splitter1->setObjectName("Splitter1");
    p2->addWidget(Splitter1);

    auto* left = new QWidget(Splitter1);
    left->setObjectName("paDir");
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    auto* dirCaption = new QLabel(QStringLiteral("Ausgabeverzeichnis"), left);
    dirCaption->setFrameShape(QFrame::StyledPanel);
    dirCaption->setAlignment(Qt::AlignCenter);
    leftLayout->addWidget(dirCaption);
    tvDir = new QTreeWidget(left);
    tvDir->setObjectName("tvDir");
    tvDir->setHeaderHidden(true);
    tvDir->setColumnCount(1);
    tvDir->setEditTriggers(QAbstractItemView::NoEditTriggers);  // tvDirEditing refuses editing
    tvDir->setAcceptDrops(true);
    {
        // The chosen folder stays visible while the list has the focus.
        QPalette p = tvDir->palette();
        p.setColor(QPalette::Inactive, QPalette::Highlight, p.color(QPalette::Active, QPalette::Highlight));
        p.setColor(QPalette::Inactive, QPalette::HighlightedText,
                   p.color(QPalette::Active, QPalette::HighlightedText));
        tvDir->setPalette(p);
    }
    leftLayout->addWidget(tvDir);

    auto* right = new QWidget(Splitter1);
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    Panel4 = new QLabel(right);
    Panel4->setObjectName("Panel4");
    Panel4->setFrameShape(QFrame::StyledPanel);
    Panel4->setAlignment(Qt::AlignCenter);
    rightLayout->addWidget(Panel4);
    lvCaches = new TCacheListView(right);
    rightLayout->addWidget(lvCaches);
    Splitter1->addWidget(left);
    Splitter1->addWidget(right);
    Splitter1->setStretchFactor(0, 0);
    Splitter1->setStretchFactor(1, 1);
    Splitter1->setSizes({200, 600});
    outer->addWidget(Panel2, 1);

    BuildPopupMenus(tvDir, lvCaches, menus);

    // Footer: home selector and quick info.
    paFooter = new QWidget(central);
    paFooter->setObjectName("paFooter");
    auto* footer = new QHBoxLayout(paFooter);
    footer->setContentsMargins(4, 0, 4, 4);

    gbHome = new QGroupBox(QStringLiteral("Home-Selektor"), paFooter);
    gbHome->setObjectName("gbHome");
    auto* hl = new QGridLayout(gbHome);
    lblHome = new QLabel(gbHome);
    lblHome->setObjectName("lblHome");
    QFont bold = lblHome->font();
    bold.setBold(true);
    lblHome->setFont(bold);
    lblHome->installEventFilter(this);
    lblHomeCoord = new QLabel(gbHome);
    lblHomeCoord->setObjectName("lblHomeCoord");
    UpDown = new QSpinBox(gbHome);
    UpDown->setObjectName("UpDown");
    UpDown->setRange(0, 0);
    UpDown->setWrapping(false);
    hl->addWidget(lblHome, 0, 0);
    hl->addWidget(UpDown, 0, 1, 2, 1);
    hl->addWidget(lblHomeCoord, 1, 0);
    hl->setColumnStretch(0, 1);
    hl->setRowStretch(2, 1);
    footer->addWidget(gbHome, 2);
    connect(UpDown, &QSpinBox::valueChanged, this, [this] { UpDownClick(); });

    gbQuickinfo = new QGroupBox(QStringLiteral("Quickinfo"), paFooter);
    gbQuickinfo->setObjectName("gbQuickinfo");
    auto* ql = new QGridLayout(gbQuickinfo);
    ql->addWidget(new QLabel(QStringLiteral("Waypoint:"), gbQuickinfo), 0, 0);
    edWaypoint = new QLineEdit(gbQuickinfo);
    edWaypoint->setObjectName("edWaypoint");
    edWaypoint->setMaxLength(kWaypointMaxLength);
    edWaypoint->installEventFilter(this);
    ql->addWidget(edWaypoint, 0, 1);
    btnQuick = new QPushButton(QStringLiteral("Suchen"), gbQuickinfo);
    btnQuick->setObjectName("btnQuick");
    btnQuick->setAutoDefault(false);
    ql->addWidget(btnQuick, 0, 2);
    lblQIName = new QLabel(gbQuickinfo);
    lblQIName->setObjectName("lblQIName");
    lblQIName->setFont(bold);
    lblQIKind = new QLabel(gbQuickinfo);
    lblQIKind->setObjectName("lblQIKind");
    lblQIKoords = new QLabel(gbQuickinfo);
    lblQIKoords->setObjectName("lblQIKoords");
    ql->addWidget(lblQIName, 1, 0, 1, 4);
    ql->addWidget(lblQIKind, 2, 0, 1, 2);
    ql->addWidget(lblQIKoords, 3, 0, 1, 2);
    btnShowInMap = new QPushButton(QStringLiteral("Karte"), gbQuickinfo);
    btnShowInMap->setObjectName("btnShowInMap");
    btnShowInMap->setAutoDefault(false);
    btnShowInMap->setVisible(false);
    btnQuickInfo = new QPushButton(QStringLiteral("Details"), gbQuickinfo);
    btnQuickInfo->setObjectName("btnQuickInfo");
    btnQuickInfo->setAutoDefault(false);
    btnQuickInfo->setVisible(false);
    ql->addWidget(btnShowInMap, 2, 2);
    ql->addWidget(btnQuickInfo, 3, 2);
    ql->setColumnStretch(1, 1);
    // Long texts are cut rather than widening the window.
    for (QLabel* l : {lblQIName, lblQIKind, lblQIKoords, lblHomeCoord, lblHome, Panel4})
        l->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    footer->addWidget(gbQuickinfo, 3);
    outer->addWidget(paFooter);
    setCentralWidget(central);

    connect(btnQuick, &QPushButton::clicked, this, [this] { btnQuickClick(); });
    connect(edWaypoint, &QLineEdit::returnPressed, this, [this] { btnQuickClick(); });
    connect(btnShowInMap, &QPushButton::clicked, this, [this] { btnShowInMapClick(); });
    connect(btnQuickInfo, &QPushButton::clicked, this, [this] { btnQuickInfoClick(); });

    StatusBar = statusBar();
    StatusBar->setObjectName("StatusBar");
    StatusPanel0 = new QLabel(StatusBar);
    StatusPanel0->setObjectName("StatusPanel0");
    StatusBar->addWidget(StatusPanel0, 1);

    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(200);
    connect(Timer1, &QTimer::timeout, this, [this] { RunOnce(); });
    tiAutoLoad = new QTimer(this);
    tiAutoLoad->setObjectName("tiAutoLoad");
    tiAutoLoad->setInterval(500);
    connect(tiAutoLoad, &QTimer::timeout, this, [this] {
        if (tiAutoLoadTimer) tiAutoLoadTimer();
    });

    connect(tvDir, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* node) {
        if (node) tvDirChange(node);
    });
    connect(lvCaches->header(), &QHeaderView::sectionClicked, this, [this](int c) { lvCachesColumnClick(c); });
    connect(lvCaches, &QTreeWidget::itemDoubleClicked, this, [this] { lvCachesDblClick(); });
}

// ---- commands ------------------------------------------------------------------

void TfrmMain::BindCommand(QAction* item, Command handler) {
    if (!item) return;
    if (handler)
        commands_[item] = std::move(handler);
    else
        commands_.erase(item);
    updateItemState(item);
}

bool TfrmMain::IsBound(QAction* item) const { return commands_.count(item) != 0; }

void TfrmMain::SetAllowed(QAction* item, bool allowed) {
    allowed_[item] = allowed;
    updateItemState(item);
}

bool TfrmMain::IsAllowed(QAction* item) const {
    auto it = allowed_.find(item);
    return it == allowed_.end() || it->second;
}

void TfrmMain::updateItemState(QAction* item) { item->setEnabled(IsBound(item) && IsAllowed(item)); }

void TfrmMain::RunCommand(QAction* item) {
    auto it = commands_.find(item);
    if (it == commands_.end()) return;
    Command handler = it->second;  // the handler may rebind itself
    handler();
}

void TfrmMain::SetStatusText(const std::string& text) { StatusPanel0->setText(ToQ(text)); }

// ---- start-up and shutdown -------------------------------------------------------

void TfrmMain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (IsFormShowHide(event)) FormShow();
}

void TfrmMain::FormShow() {
    LoadProcSettings(lvCaches->viewport()->width());
    UpDownClick();
    BuildFolderTree();

    QRect screenArea;
    if (QScreen* s = screen()) screenArea = s->availableGeometry();
    const WindowRect r = RestoredGeometry(
        ProcSettings, {x(), y(), width(), height()},
        {screenArea.x(), screenArea.y(), screenArea.width(), screenArea.height()});
    if (ProcSettings.Main_MemWinSize) {
        move(r.left, r.top);
        resize(r.width, r.height);
    }

    Sort.column = ProcSettings.Main_ColumnToSort;
    Sort.descending = ProcSettings.Main_SortDir;
    SortList();
    SetDefaultColumnWidths();
    Timer1->start();
}

void TfrmMain::RunOnce() {
    Timer1->stop();
    if (RunOnceDone) return;
    RunOnceDone = true;
    StartupTask task(MakeStartupHooks());
    task.Run();
}

StartupHooks TfrmMain::MakeStartupHooks() {
    StartupHooks h;
    h.showSplash = [this] {
        TfrmAbout about(ProcSettings.ShowTooltips);
        about.Timer1->start();
        platform::modalHost().exec(about, this);
    };
    h.hideErrortracker = [this] { menus.Errortracker1->setVisible(false); };
    if (IsBound(menus.Grundeinstellungen1)) h.settingsCommand = [this] { RunCommand(menus.Grundeinstellungen1); };
    h.applyShowHints = [this] { ApplyShowHints(); };
    h.checkCacheDBVersion = CheckCacheDBVersion;
    h.updateStatusBar = UpdateStatusBar;
    if (IsBound(menus.mnuReadCacheDB)) h.primaryDownload = [this] { RunCommand(menus.mnuReadCacheDB); };
    h.showStatus = [this](const std::string& text) {
        auto* note = new QLabel(ToQ(text), StatusBar);
        note->setObjectName("StatusNote");
        StatusBar->addPermanentWidget(note);
    };
    h.quit = [this] { QTimer::singleShot(0, this, &QWidget::close); };
    h.showGreeting = [this] {
        TfrmXMas greeting;
        platform::modalHost().exec(greeting, this);
    };
    return h;
}

void TfrmMain::ApplyShowHints() {
    SetShowHints(this, ProcSettings.ShowTooltips);
    if (ApplyShowHintsToOthers) ApplyShowHintsToOthers(ProcSettings.ShowTooltips);
}

void TfrmMain::closeEvent(QCloseEvent* event) {
    FormClose();
    event->accept();
}

void TfrmMain::FormClose() {
    TProcSettings& s = ProcSettings;
    s.Main_ColumnToSort = Sort.column;
    s.Main_SortDir = Sort.descending;
    // A maximised window keeps the rectangle it returns to.
    const bool normal = !(windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen));
    const QRect g = normal ? QRect(pos(), size()) : normalGeometry();
    s.Main_Left = g.x();
    s.Main_Top = g.y();
    s.Main_Width = g.width();
    s.Main_Height = g.height();
    s.Main_Col1Width = lvCaches->columnWidth(0);
    s.Main_Col2Width = lvCaches->columnWidth(1);
    s.Main_Col3Width = lvCaches->columnWidth(2);
    SaveProcSettings(false);
}

void TfrmMain::FormDestroy() {
    if (destroyed_) return;
    destroyed_ = true;
    DebugLog("Terminating application");
    IniFile().update([this] {
        WriteSectionInt("MainForm", "PosX", x());
        WriteSectionInt("MainForm", "PosY", y());
        WriteSectionInt("MainForm", "Width", width());
        WriteSectionInt("MainForm", "Height", height());
    });
    const std::string work = GetWorkDir();
    for (const char* name : {"Caches.bin.tmp", "db.tmp", "db.tmp.zip", "tmpdescr.html"}) {
        std::error_code ec;
        std::filesystem::remove(FsPath(work + name), ec);
    }
}

void TfrmMain::Beenden1Click() {
    // Ends the event loop at once: the close handler does not run, nothing is saved.
    QCoreApplication::exit(0);
}

// ---- folder tree and list ----------------------------------------------------------

void TfrmMain::BuildFolderTree() {
    const QSignalBlocker block(tvDir);
    tvDir->clear();
    auto* root = new QTreeWidgetItem(tvDir, QStringList{QStringLiteral("root")});
    root->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsDropEnabled);
    const std::string outDir = GetOutDir();
    tvDir->setToolTip(ToQ("root=" + outDir));
    std::vector<std::string> skipped;
    for (const std::string& name : ListSubfolders(outDir, &skipped)) {
        auto* child = new QTreeWidgetItem(root, QStringList{ToQ(name)});
        child->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsDropEnabled);
        child->setData(0, kRawNameRole, QByteArray::fromStdString(name));
    }
    tvDir->expandAll();
    tvDir->setCurrentItem(root);
    reportSkippedNames(skipped);
    tvDirChange(root);
}

void TfrmMain::reportSkippedNames(const std::vector<std::string>& utf8Names) {
    const bool queued = !pendingNames_.empty();
    for (const std::string& name : utf8Names)
        if (reportedNames_.insert(name).second) pendingNames_.push_back(name);
    if (queued || pendingNames_.empty()) return;
    // The tree is built inside showEvent and selection signals: the box waits
    // for the event loop, so the window is in place behind it.
    QTimer::singleShot(0, this, [this] {
        std::vector<std::string> names;
        names.swap(pendingNames_);
        platform::messages().show(platform::MsgKind::Warning, SkippedNamesText(names));
    });
}

void TfrmMain::tvDirChange(QTreeWidgetItem* node) {
    if (!node) return;
    if (lvCaches->columnCount() >= 2) {
        ProcSettings.Main_Col1Width = lvCaches->columnWidth(0);
        ProcSettings.Main_Col2Width = lvCaches->columnWidth(1);
        ProcSettings.Main_Col3Width = lvCaches->columnWidth(2);
    }
    if (QTreeWidgetItem* root = tvDir->topLevelItem(0)) {
        root->setIcon(0, TCacheListView::FolderIcon(2));
        for (int i = 0; i < root->childCount(); ++i)
            root->child(i)->setIcon(0, TCacheListView::FolderIcon(root->child(i) == node ? 1 : 3));
    }
    const bool sub = node->parent() != nullptr;
    CurrentFolder = sub ? GetOutDir() + node->data(0, kRawNameRole).toByteArray().toStdString() + "/" : GetOutDir();
    SetAllowed(menus.mnuEditLongDescr, sub);
    SetAllowed(menus.mnuOrigToWorklist, !sub);
    const IndexMenu index = IndexMenuState(CurrentFolder);
    SetAllowed(menus.mnuShowIndex, index.enabled);
    menus.mnuShowIndex->setText(ToQ(index.caption));

    const CacheLookup lookup = Lookup ? Lookup : DatabaseLookup();
    std::vector<std::string> skipped;
    const std::vector<CacheRow> rows = BuildCacheRows(CurrentFolder, lookup, CurrentHome, &skipped);
    lvCaches->SetRows(rows);
    SetDefaultColumnWidths();
    SortList();
    Panel4->setText(ToQ(RowCountText(rows.size())));
    reportSkippedNames(skipped);
}

void TfrmMain::RefreshCacheList() {
    if (QTreeWidgetItem* node = tvDir->currentItem()) tvDirChange(node);
}

void TfrmMain::SetDefaultColumnWidths() {
    ColumnWidthSet w = ColumnWidths(ProcSettings, lvCaches->viewport()->width());
    if (!ProcSettings.Main_MemColSize) {
        // The default widths were measured for a small Windows font; make sure
        // a whole code with its icon and the distance header fit this font.
        const QFontMetrics fm(lvCaches->font());
        const int margin = 2 * fm.horizontalAdvance(QLatin1Char(' ')) + 8;
        w.w1 = std::max(w.w1, fm.horizontalAdvance(QStringLiteral("GC9ZZZZ")) + lvCaches->iconSize().width() + margin);
        w.w3 = std::max(w.w3, fm.horizontalAdvance(QStringLiteral("Entf. (km)")) + margin + 12);
    }
    lvCaches->setColumnWidth(0, w.w1);
    lvCaches->setColumnWidth(1, w.w2);
    lvCaches->setColumnWidth(2, w.w3);
}

void TfrmMain::lvCachesColumnClick(int column) {
    Sort = NextSort(Sort, column);
    SortList();
}

void TfrmMain::SortList() { lvCaches->SortBy(Sort.column, Sort.descending != 0); }

std::optional<std::string> TfrmMain::FolderOfNode(const QTreeWidgetItem* node) const {
    if (!node) return std::nullopt;
    if (!node->parent()) return NodeFolder(GetOutDir(), {});
    return NodeFolder(GetOutDir(), node->data(0, kRawNameRole).toByteArray().toStdString());
}

std::vector<CacheRow> TfrmMain::Rows() const { return lvCaches->RowsInOrder(); }

std::vector<std::string> TfrmMain::MarkedCaptions() const { return lvCaches->MarkedCaptions(); }

void TfrmMain::lvCachesDblClick() {
    const std::optional<CacheRow> row = lvCaches->SelectedRow();
    if (!row) return;
    const CacheLookup lookup = Lookup ? Lookup : DatabaseLookup();
    TCacheRec rec;
    if (!lookup(row->caption, rec)) return;
    if (ShowCacheDetails) ShowCacheDetails(rec, CurrentFolder);
}

// ---- home selector -------------------------------------------------------------------

void TfrmMain::UpDownClick() {
    const HomeView view = SelectHome(UpDown->value(), ProcSettings);
    {
        const QSignalBlocker block(UpDown);
        UpDown->setRange(0, HomeCount(ProcSettings));
        UpDown->setValue(view.pos);
    }
    lblHome->setText(ToQ(view.label));
    SetLabelColor(lblHome, view.blue ? kHomeBlue : QColor(Qt::black));
    CurrentHome = view.home;
    lblHomeCoord->setText(ToQ(view.coordText));
    RefreshCacheList();
}

void TfrmMain::lblHomeDblClick() {
    {
        const QSignalBlocker block(UpDown);
        UpDown->setValue(0);
    }
    UpDownClick();
}

// ---- quick info --------------------------------------------------------------------------

void TfrmMain::showQuickInfo(const QuickInfoView& view) {
    lblQIName->setText(ToQ(view.name));
    QFont f = lblQIName->font();
    f.setStrikeOut(view.found && view.archiveState != 0);
    lblQIName->setFont(f);
    SetLabelColor(lblQIName, view.found && view.archiveState == 2 ? QColor(Qt::red) : QColor(Qt::black));
    lblQIKind->setText(ToQ(view.kind));
    lblQIKoords->setText(ToQ(view.coords));
    btnShowInMap->setVisible(view.found);
    btnQuickInfo->setVisible(view.found);
    btnShowInMap->setEnabled(static_cast<bool>(ShowInMap));
    btnQuickInfo->setEnabled(static_cast<bool>(ShowCacheDetails));
}

void TfrmMain::btnQuickClick() {
    const std::string typed = FromQ(edWaypoint->text());
    const CacheLookup lookup = Lookup ? Lookup : DatabaseLookup();
    TCacheRec rec;
    if (!typed.empty() && lookup(typed, rec)) {
        QuickInfoRec = rec;
        showQuickInfo(QuickInfoFound(rec, GetArchiveState(rec.Waypoint.view())));
    } else {
        QuickInfoRec.Waypoint.clear();
        showQuickInfo(QuickInfoNotFound(typed));
    }
}

void TfrmMain::btnQuickInfoClick() {
    if (QuickInfoRec.Waypoint.empty() || !ShowCacheDetails) return;
    ShowCacheDetails(QuickInfoRec, std::nullopt);
}

void TfrmMain::btnShowInMapClick() {
    if (QuickInfoRec.Waypoint.empty() || !ShowInMap) return;
    ShowInMap(QuickInfoRec);
}

// ---- events ----------------------------------------------------------------------------------

bool TfrmMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lblHome && event->type() == QEvent::MouseButtonDblClick) {
        lblHomeDblClick();
        return true;
    }
    if (watched == edWaypoint && event->type() == QEvent::KeyPress) {
        // edWaypointKeyPress: typed characters only; Enter, editing keys and
        // Ctrl combinations (copy, paste) pass untouched.
        auto* key = static_cast<QKeyEvent*>(event);
        const QString text = key->text();
        if (text.size() != 1 || (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) ||
            text[0].unicode() < 0x20 || text[0].unicode() == 0x7F)
            return false;
        const std::string cp = FromQ(text);
        const std::optional<char> ch = cp.size() == 1 ? FilterWaypointChar(cp[0]) : std::nullopt;
        if (!ch) return true;  // dropped
        if (*ch != cp[0]) {
            edWaypoint->insert(QString(QChar(*ch)));
            return true;
        }
        return false;
    }
    return QMainWindow::eventFilter(watched, event);
}

void TfrmMain::dragEnterEvent(QDragEnterEvent* event) {
    if (FilesDropped && event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void TfrmMain::dropEvent(QDropEvent* event) {
    std::vector<std::string> files;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile())
            if (auto path = platform::PathFromQ(url.toLocalFile())) files.push_back(*path);
    event->acceptProposedAction();
    if (files.empty() || !FilesDropped) return;
    raise();
    activateWindow();
    FilesDropped(files);
}

}  // namespace tv
