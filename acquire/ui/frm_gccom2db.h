#pragma once
// "Datenbank aus Cachebeschreibungen befüllen": fills the cache database
// from the listing pages stored in the description folder or another
// folder. Made per use by the main window.
#include <QDialog>

class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace tv {

class TfrmGCCom2DB : public QDialog {
    Q_OBJECT

public:
    explicit TfrmGCCom2DB(QWidget* parent = nullptr);

    QButtonGroup* rgSrc = nullptr;  // 0 "Ausgabeverzeichnis", 1 "Anderer Speicherort"
    QLabel* Label1 = nullptr;
    QLineEdit* edDir = nullptr;
    QPushButton* btnSearch = nullptr;
    QButtonGroup* rgExist = nullptr;  // 0 "überspringen", 1 "Datenbank updaten"
    QCheckBox* cbAddToWL = nullptr;
    QPlainTextEdit* mmProt = nullptr;
    QPushButton* btnStart = nullptr;
    QPushButton* btnCancel = nullptr;

    void btnStartClick();
    void btnSearchClick();
    void btnCancelClick();
    void rgSrcClick();

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    void setOptionsEnabled(bool on);

    bool running_ = false;
    bool stop_ = false;
};

}  // namespace tv
