#pragma once
// The online map page of the work list, the finds or the current output
// folder ("dirlist.txt", written by the main window just before): OK writes
// "caches.xml" and "gmshow.html" in the work folder and opens the page.
#include <QDialog>

class QButtonGroup;
class QPushButton;

namespace tv {

class TfrmGoogleMaps : public QDialog {
    Q_OBJECT

public:
    TfrmGoogleMaps();

    QButtonGroup* rgWhich = nullptr;
    QButtonGroup* rgMapsize = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn2 = nullptr;

    void BitBtn1Click();
};

}  // namespace tv
