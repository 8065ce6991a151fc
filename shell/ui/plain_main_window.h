#pragma once
// The program's main window until the full one arrives: title, the menu bar
// with the commands' names (disabled until they are connected) and the
// settings record loaded when shown and saved when closed.
#include <QMainWindow>

class QAction;

namespace tv {

class PlainMainWindow : public QMainWindow {
    Q_OBJECT

public:
    PlainMainWindow();

    // Datei / Beenden: ends the event loop at once; the close handler does
    // not run, so nothing is saved.
    QAction* actBeenden = nullptr;

    // Writes section "MainForm" (left, top, width, height) to tq.conf. main()
    // calls it after the event loop, however the loop ended.
    void shutdown();

protected:
    // Loads the settings record and, when asked to, the stored rectangle.
    void showEvent(QShowEvent* event) override;
    // Copies the rectangle into the settings record and saves it.
    void closeEvent(QCloseEvent* event) override;
};

}  // namespace tv
