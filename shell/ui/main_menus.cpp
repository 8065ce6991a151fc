#include "shell/ui/main_menus.h"

#include <QAbstractScrollArea>
#include <QAction>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStyle>
#include <QToolButton>

#include "platform/ui/command_icons.h"

namespace tv {

namespace {

QAction* Item(MainMenus& m, QMenu* menu, const char* name, const char* caption, const QKeySequence& key = {}) {
    QAction* a = menu->addAction(QString::fromUtf8(caption));
    a->setObjectName(QString::fromLatin1(name));
    if (!key.isEmpty()) a->setShortcut(key);
    a->setEnabled(false);
    m.all.push_back(a);
    return a;
}

struct ToolDef {
    QAction* MainMenus::*action;
    const char* hint;
    const char* icon;   // freedesktop icon name
    const char* badge;  // drawn when the theme has no such icon
};

}  // namespace

void BuildMainMenus(QMainWindow& window, MainMenus& m) {
    QMenuBar* bar = window.menuBar();
    bar->setObjectName("MainMenu1");

    QMenu* datei = bar->addMenu(QStringLiteral("Datei"));
    m.Grundeinstellungen1 = Item(m, datei, "Grundeinstellungen1", "Grundeinstellungen");
    m.mnuUpdateFromSite = Item(m, datei, "mnuUpdateFromSite", "Primäre Cache-DB von der Listing-Seite aktualisieren");
    m.mnuUpdateFromSite->setVisible(false);
    m.mnuLoadFinds = Item(m, datei, "mnuLoadFinds", "Eigene Funde laden");
    m.mnuBuddylist = Item(m, datei, "mnuBuddylist", "Buddy-Liste verwalten");
    datei->addSeparator();
    m.mnuExport = Item(m, datei, "mnuExport", "Export (Arbeitsliste, Ausschlussliste, CacheDB)");
    m.mnuSuitcase = Item(m, datei, "mnuSuitcase", "Aktenkoffer (Datenabgleich zwischen 2 PCs)");
    m.mnuBatch = Item(m, datei, "mnuBatch", "Batch (Laden / Konvertieren / Index erzeugen)");
    datei->addSeparator();
    QMenu* spezial = datei->addMenu(QStringLiteral("Spezial"));
    m.mnuDebugMode = Item(m, spezial, "mnuDebugMode", "Debug-Mode");
    m.mnuDebugMode->setCheckable(true);
    m.mnuRebuildIndex = Item(m, spezial, "mnuRebuildIndex", "Rebuild index");
    datei->addSeparator();
    m.Beenden1 = Item(m, datei, "Beenden1", "Beenden", QKeySequence(Qt::ALT | Qt::Key_F4));

    QMenu* ansicht = bar->addMenu(QStringLiteral("Ansicht"));
    m.mnuRefresh = Item(m, ansicht, "mnuRefresh", "Hauptfenster aktualisieren", QKeySequence(Qt::Key_F5));
    m.mnuShowToolbar = Item(m, ansicht, "mnuShowToolbar", "Toolbar anzeigen");
    m.mnuShowToolbar->setCheckable(true);
    m.mnuShowToolbar->setChecked(true);

    QMenu* db = bar->addMenu(QStringLiteral("Cache-Datenbank"));
    m.mnuReadCacheDB = Item(m, db, "mnuReadCacheDB", "Primäre Cache-DB laden und konvertieren",
                            QKeySequence(Qt::CTRL | Qt::Key_L));
    m.mnuReadAdditionalCacheDBs = Item(m, db, "mnuReadAdditionalCacheDBs", "Weitere Cache-DBs laden und konvertieren");
    db->addSeparator();
    m.lokaleCacheDBkonvertieren1 =
        Item(m, db, "lokaleCacheDBkonvertieren1", "Lokale primäre Cache-DB konvertieren");
    m.convertAdditionalCacheDBs = Item(m, db, "convertAdditionalCacheDBs", "Weitere lokale Cache-DBs konvertieren");
    db->addSeparator();
    m.mnuGPXImport =
        Item(m, db, "mnuGPXImport", "Datenbank aus GPX-Datei befüllen", QKeySequence(Qt::CTRL | Qt::Key_G));
    m.mnuDBFromPages = Item(m, db, "mnuDBFromPages", "Datenbank aus Originalbeschreibungen befüllen");
    db->addSeparator();
    m.mnuGetArchiveList = Item(m, db, "mnuGetArchiveList", "Archivliste laden");
    m.mnuEditCache = Item(m, db, "mnuEditCache", "Cache editieren");

    QMenu* wp = bar->addMenu(QStringLiteral("Waypoints"));
    m.mnuWPCollector =
        Item(m, wp, "mnuWPCollector", "Arbeits-, Fund- und Ignoreliste", QKeySequence(Qt::CTRL | Qt::Key_W));
    m.mnuAddWaypoints = Item(m, wp, "mnuAddWaypoints", "Zusätzliche Wegpunkte eines Caches zeigen");
    wp->addSeparator();
    m.mnuLoadHTML = Item(m, wp, "mnuLoadHTML", "Cachebeschreibungen laden", QKeySequence(Qt::CTRL | Qt::Key_B));

    QMenu* ausgabe = bar->addMenu(QStringLiteral("Ausgabe"));
    m.mnuCreateDescr = Item(m, ausgabe, "mnuCreateDescr", "Cachebeschreibungen erzeugen");
    m.mnuCreateIndex = Item(m, ausgabe, "mnuCreateIndex", "Indexseite erzeugen");

    QMenu* tools = bar->addMenu(QStringLiteral("Tools"));
    m.mnuCalcDistance = Item(m, tools, "mnuCalcDistance", "Entfernungen berechnen");
    m.mnuProjection = Item(m, tools, "mnuProjection", "Wegpunktprojektion berechnen");
    m.mnuUTM = Item(m, tools, "mnuUTM", "Umrechnung Länge/Breite <=> UTM");
    m.mnuROT13 = Item(m, tools, "mnuROT13", "ROT13 Encryption/Decryption");
    tools->addSeparator();
    m.mnuRoute = Item(m, tools, "mnuRoute", "Caches entlang einer Route berechnen");
    m.mnuGoogleMapsList = Item(m, tools, "mnuGoogleMapsList", "Caches in GoogleMaps zeigen");
    m.mnuGMLink = Item(m, tools, "mnuGMLink", "Koordinaten aus GoogleMaps-Link");

    QMenu* hilfe = bar->addMenu(QStringLiteral("Hilfe"));
    m.mnuAbout = Item(m, hilfe, "mnuAbout", "Über...");
    m.mnuOnlineDoc = Item(m, hilfe, "mnuOnlineDoc", "Online-Dokumentation");
    m.mnuCheckForUpdate = Item(m, hilfe, "mnuCheckForUpdate", "Updateverfügbarkeit prüfen");
    m.Errortracker1 = Item(m, hilfe, "Errortracker1", "Errortracker");

    // Tool bar: the hints name the command each button runs.
    static const ToolDef kTools[] = {
        {&MainMenus::Grundeinstellungen1, "Grundeinstellungen", "configure", "Opt"},
        {&MainMenus::mnuBuddylist, "Buddy-Liste verwalten", "system-users", "Bud"},
        {&MainMenus::mnuExport, "Export", "document-export", "Exp"},
        {&MainMenus::mnuSuitcase, "Aktenkoffer", "package-x-generic", "AK"},
        {&MainMenus::mnuRefresh, "Hauptfenster aktualisieren (F5)", "view-refresh", "F5"},
        {nullptr, nullptr, nullptr, nullptr},
        {&MainMenus::mnuReadCacheDB, "Primäre Cache-DB vom Internet laden und konvertieren", "network-server-database",
         "DB"},
        {&MainMenus::lokaleCacheDBkonvertieren1, "Lokale primäre Cache-DB konvertieren", "run-build", "Kon"},
        {&MainMenus::mnuGetArchiveList, "Archivliste laden", "document-open-remote", "Arc"},
        {&MainMenus::mnuEditCache, "Cache editieren", "document-edit", "Ed"},
        {nullptr, nullptr, nullptr, nullptr},
        {&MainMenus::mnuWPCollector, "Waypoint-Collector (Arbeits- und Ausschlußliste)", "view-list-details", "WP"},
        {&MainMenus::mnuLoadHTML, "Cachebeschreibungen laden", "download", "Ld"},
        {&MainMenus::mnuCreateDescr, "Cachebeschreibungen erzeugen", "text-html", "Htm"},
        {&MainMenus::mnuCreateIndex, "Indexdatei erzeugen", "format-list-unordered", "Idx"},
        {nullptr, nullptr, nullptr, nullptr},
        {&MainMenus::mnuCalcDistance, "Entfernungen berechnen", "measure", "km"},
        {&MainMenus::mnuProjection, "Wegpunktprojektion", "compass", "Prj"},
        {&MainMenus::mnuUTM, "UTM-Umrechnung", "map-mercator", "UTM"},
        {&MainMenus::mnuROT13, "ROT13-Ver-/Entschlüsselung", "document-encrypt", "R13"},
    };
    m.paToolbar = new QFrame(&window);
    m.paToolbar->setObjectName("paToolbar");
    // A narrow window cuts the tool bar off instead of growing.
    m.paToolbar->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    auto* row = new QHBoxLayout(m.paToolbar);
    row->setContentsMargins(4, 2, 4, 2);
    row->setSpacing(2);
    for (const ToolDef& t : kTools) {
        if (!t.action) {
            auto* line = new QFrame(m.paToolbar);
            line->setFrameShape(QFrame::VLine);
            line->setFrameShadow(QFrame::Sunken);
            row->addWidget(line);
            continue;
        }
        QAction* action = m.*(t.action);
        auto* b = new QToolButton(m.paToolbar);
        b->setAutoRaise(true);
        // The menu item shows the same icon as its button.
        action->setIcon(CommandIcon(t.icon, QString::fromLatin1(t.badge)));
        b->setIcon(action->icon());
        b->setIconSize(QSize(20, 20));
        b->setToolTip(QString::fromUtf8(t.hint));
        b->setEnabled(action->isEnabled());
        QObject::connect(b, &QToolButton::clicked, action, &QAction::trigger);
        QObject::connect(action, &QAction::enabledChanged, b, &QWidget::setEnabled);
        row->addWidget(b);
        m.toolButtons.push_back(b);
    }
    row->addStretch(1);
}

void BuildPopupMenus(QWidget* tvDir, QWidget* lvCaches, MainMenus& m) {
    m.pmDir = new QMenu(tvDir);
    m.pmDir->setObjectName("pmDir");
    m.mnuNewDir = Item(m, m.pmDir, "mnuNewDir", "neues Verzeichnis anlegen");
    m.mnuEmptyDir = Item(m, m.pmDir, "mnuEmptyDir", "gewähltes Verzeichnis leeren");
    m.mnuDeleteTree = Item(m, m.pmDir, "mnuDeleteTree", "gesamtes Ausgabeverzeichnis rekursiv löschen");
    m.mnuCleanDir = Item(m, m.pmDir, "mnuCleanDir", "gewähltes Verzeichnis aufräumen");
    m.pmDir->addSeparator();
    m.mnuOrigToWorklist = Item(m, m.pmDir, "mnuOrigToWorklist", "Originalbeschreibungen in Arbeitsliste aufnehmen");

    m.pmCaches = new QMenu(lvCaches);
    m.pmCaches->setObjectName("pmCaches");
    m.mnuShowInBrowser = Item(m, m.pmCaches, "mnuShowInBrowser", "in Browser zeigen", QKeySequence(Qt::Key_F6));
    m.mnuEditLongDescr = Item(m, m.pmCaches, "mnuEditLongDescr", "Langbeschreibung editieren");
    m.mnuShowInGoogleMaps = Item(m, m.pmCaches, "mnuShowInGoogleMaps", "in GoogleMaps zeigen");
    m.pmCaches->addSeparator();
    m.mnuMarkAll = Item(m, m.pmCaches, "mnuMarkAll", "alle Caches markieren", QKeySequence(Qt::CTRL | Qt::Key_A));
    m.mnuMarkNone =
        Item(m, m.pmCaches, "mnuMarkNone", "keinen Cache markieren", QKeySequence(Qt::CTRL | Qt::Key_N));
    m.mnuInvertMarks = Item(m, m.pmCaches, "mnuInvertMarks", "Markierungen umkehren");
    m.mnuCopyPath = Item(m, m.pmCaches, "mnuCopyPath", "Dateipfad in Zwischenablage kopieren",
                         QKeySequence(Qt::CTRL | Qt::Key_C));
    m.pmCaches->addSeparator();
    m.mnuMarkWorklist = Item(m, m.pmCaches, "mnuMarkWorklist", "Arbeitslisten-Caches markieren");
    m.mnuMarkExcluded = Item(m, m.pmCaches, "mnuMarkExcluded", "Ausschlusslisten-Caches markieren");
    m.pmCaches->addSeparator();
    m.mnuCreateDirIndex = Item(m, m.pmCaches, "mnuCreateDirIndex", "Indexdatei dieses Verzeichnisses erstellen",
                               QKeySequence(Qt::CTRL | Qt::Key_I));
    m.mnuShowIndex = Item(m, m.pmCaches, "mnuShowIndex", "Indexdatei anzeigen");
    m.mnuExportDir = Item(m, m.pmCaches, "mnuExportDir", "Caches dieses Verzeichnisses exportieren",
                          QKeySequence(Qt::CTRL | Qt::Key_E));
    m.pmCaches->addSeparator();
    m.mnuDeleteMarked =
        Item(m, m.pmCaches, "mnuDeleteMarked", "markierte Caches löschen", QKeySequence(Qt::Key_Delete));
    m.mnuReloadMarked = Item(m, m.pmCaches, "mnuReloadMarked", "markierte Caches erneut laden");
    m.mnuAddToFinds = Item(m, m.pmCaches, "mnuAddToFinds", "markierte Caches in Fundliste aufnehmen");

    // The shortcuts belong to their widget, so Ctrl+C and Ctrl+V keep working
    // in the waypoint field.
    for (QAction* a : m.pmDir->actions()) {
        a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        tvDir->addAction(a);
    }
    for (QAction* a : m.pmCaches->actions()) {
        a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        lvCaches->addAction(a);
    }
    auto attach = [](QWidget* w, QMenu* menu) {
        w->setContextMenuPolicy(Qt::CustomContextMenu);
        QObject::connect(w, &QWidget::customContextMenuRequested, menu, [w, menu](const QPoint& p) {
            // Scroll areas report the position in their viewport.
            auto* area = qobject_cast<QAbstractScrollArea*>(w);
            menu->popup((area ? area->viewport() : w)->mapToGlobal(p));
        });
    };
    attach(tvDir, m.pmDir);
    attach(lvCaches, m.pmCaches);
}

}  // namespace tv
