#include "shell/ui/plain_main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QShowEvent>

#include "core/proc_settings.h"
#include "core/settings_file.h"

namespace tv {

namespace {

QAction* Item(QMenu* menu, const char* caption, const QKeySequence& key = {}) {
    QAction* a = menu->addAction(QString::fromUtf8(caption));
    if (!key.isEmpty()) a->setShortcut(key);
    a->setEnabled(false);
    return a;
}

}  // namespace

PlainMainWindow::PlainMainWindow() {
    setObjectName("frmMain");
    setWindowTitle(QStringLiteral("Trailvane"));
    setCentralWidget(new QWidget(this));
    resize(800, 600);

    QMenu* datei = menuBar()->addMenu(QStringLiteral("Datei"));
    Item(datei, "Grundeinstellungen");
    Item(datei, "Eigene Funde laden");
    Item(datei, "Buddy-Liste verwalten");
    Item(datei, "Export (Arbeitsliste, Ausschlussliste, CacheDB)");
    Item(datei, "Aktenkoffer (Datenabgleich zwischen 2 PCs)");
    Item(datei, "Batch (Laden / Konvertieren / Index erzeugen)");
    QMenu* spezial = datei->addMenu(QStringLiteral("Spezial"));
    Item(spezial, "Debug-Mode")->setCheckable(true);
    Item(spezial, "Rebuild index");
    datei->addSeparator();
    actBeenden = datei->addAction(QStringLiteral("Beenden"));
    actBeenden->setShortcut(QKeySequence(Qt::ALT | Qt::Key_F4));
    connect(actBeenden, &QAction::triggered, this, [] { QCoreApplication::exit(0); });

    QMenu* ansicht = menuBar()->addMenu(QStringLiteral("Ansicht"));
    Item(ansicht, "Hauptfenster aktualisieren", QKeySequence(Qt::Key_F5));
    Item(ansicht, "Toolbar anzeigen")->setCheckable(true);

    QMenu* db = menuBar()->addMenu(QStringLiteral("Cache-Datenbank"));
    Item(db, "Primäre Cache-DB laden und konvertieren", QKeySequence(Qt::CTRL | Qt::Key_L));
    Item(db, "Weitere Cache-DBs laden und konvertieren");
    Item(db, "Lokale primäre Cache-DB konvertieren");
    Item(db, "Weitere lokale Cache-DBs konvertieren");
    Item(db, "Datenbank aus GPX-Datei befüllen", QKeySequence(Qt::CTRL | Qt::Key_G));
    Item(db, "Datenbank aus Originalbeschreibungen befüllen");
    Item(db, "Archivliste laden");
    Item(db, "Cache editieren");

    QMenu* wp = menuBar()->addMenu(QStringLiteral("Waypoints"));
    Item(wp, "Arbeits-, Fund- und Ignoreliste", QKeySequence(Qt::CTRL | Qt::Key_W));
    Item(wp, "Zusätzliche Wegpunkte eines Caches zeigen");
    Item(wp, "Cachebeschreibungen laden", QKeySequence(Qt::CTRL | Qt::Key_B));

    QMenu* ausgabe = menuBar()->addMenu(QStringLiteral("Ausgabe"));
    Item(ausgabe, "Cachebeschreibungen erzeugen");
    Item(ausgabe, "Indexseite erzeugen");

    QMenu* tools = menuBar()->addMenu(QStringLiteral("Tools"));
    Item(tools, "Entfernungen berechnen");
    Item(tools, "Wegpunktprojektion berechnen");
    Item(tools, "Umrechnung Länge/Breite <=> UTM");
    Item(tools, "ROT13 Encryption/Decryption");
    Item(tools, "Caches entlang einer Route berechnen");
    Item(tools, "Caches in GoogleMaps zeigen");
    Item(tools, "Koordinaten aus GoogleMaps-Link");

    QMenu* hilfe = menuBar()->addMenu(QStringLiteral("Hilfe"));
    Item(hilfe, "Über...");
    Item(hilfe, "Online-Dokumentation");
    Item(hilfe, "Updateverfügbarkeit prüfen");
}

void PlainMainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (event->spontaneous()) return;
    LoadProcSettings(centralWidget()->width());
    const TProcSettings& s = ProcSettings;
    if (s.Main_MemWinSize) {
        move(s.Main_Left, s.Main_Top);
        resize(s.Main_Width > 500 ? s.Main_Width : width(), s.Main_Height > 400 ? s.Main_Height : height());
    }
}

void PlainMainWindow::closeEvent(QCloseEvent* event) {
    ProcSettings.Main_Left = x();
    ProcSettings.Main_Top = y();
    ProcSettings.Main_Width = width();
    ProcSettings.Main_Height = height();
    SaveProcSettings(false);
    event->accept();
}

void PlainMainWindow::shutdown() {
    IniFile().update([this] {
        WriteSectionInt("MainForm", "PosX", x());
        WriteSectionInt("MainForm", "PosY", y());
        WriteSectionInt("MainForm", "Width", width());
        WriteSectionInt("MainForm", "Height", height());
    });
}

}  // namespace tv
