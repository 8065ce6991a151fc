#pragma once
// The suitcase window: packs this PC's data into a suitcase file on the first
// tab; on the second it opens one, shows what it holds, and merges the parts
// the user ticks into the local stores.
#include <QDialog>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "exchange/suitcase_format.h"

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTabWidget;

namespace tv {

class TfrmSuitcase : public QDialog {
    Q_OBJECT

public:
    // `settingsFile`: the tq.conf whose [Suitcase] section keeps the options.
    explicit TfrmSuitcase(std::string settingsFile, QWidget* parent = nullptr);
    ~TfrmSuitcase() override;

    // Set by a commit that took pages while "Cachebeschr. erzeugen" was ticked.
    bool DescriptionsTaken = false;
    // The notes mixer: shown for a cache with notes on both sides; returns the
    // edited lines. Without it both notes are kept as they are.
    std::function<std::vector<std::string>(const std::string& waypoint, const std::string& name,
                                           const std::vector<std::string>& lines)>
        MixNotes;
    // The summary window of the taken and discarded pages.
    std::function<void(const std::vector<std::string>& lines)> ShowSummary;

    QPushButton* btnClose = nullptr;
    QLabel* paAction = nullptr;
    QProgressBar* progress = nullptr;
    QCheckBox* cbSaveSettings = nullptr;
    QTabWidget* PageControl1 = nullptr;
    QWidget* tsExp = nullptr;
    QWidget* tsImp = nullptr;
    QCheckBox *cbExpCacheDB = nullptr, *cbExpWorklist = nullptr, *cbExpFinds = nullptr, *cbExpDescr = nullptr,
              *cbExpNotes = nullptr, *cbExpDescrSubdir = nullptr, *cbExpIgnore = nullptr;
    QPushButton* btnSave = nullptr;
    QGroupBox* gbBeforeRead = nullptr;
    QPushButton* btnLoad = nullptr;
    QGroupBox* gbAfterRead = nullptr;
    QTabWidget* PageControl2 = nullptr;
    QPushButton* btnCommit = nullptr;
    QLabel *lblThisDB = nullptr, *lblCaseDB = nullptr, *lblCaseWL = nullptr, *lblCaseFL = nullptr, *lblCaseIL = nullptr,
           *lblCaseCache = nullptr, *lblCaseNotes = nullptr;
    QGroupBox *gbDB = nullptr, *gbWorklist = nullptr, *gbFoundlist = nullptr, *gbIgnorelist = nullptr,
              *gbNotes = nullptr;
    QCheckBox *cbGetDB = nullptr, *cbAddNewDBRecsToCliplist = nullptr, *cbGetWorklist = nullptr,
              *cbGetFoundList = nullptr, *cbGetIgnoreList = nullptr, *cbGetCaches = nullptr, *cbShowSummary = nullptr,
              *cbInsertWorklist = nullptr, *cbPostActionCreateDescr = nullptr, *cbGetNotes = nullptr;
    QButtonGroup *rgImpDB = nullptr, *rgFoundlist = nullptr, *rgCacheDouble = nullptr, *rgNotes = nullptr;
    QGroupBox *rgImpDBBox = nullptr, *rgFoundlistBox = nullptr, *rgCacheDoubleBox = nullptr, *rgNotesBox = nullptr;
    QLabel* paFilename = nullptr;
    QPushButton* btnFilename = nullptr;

    void btnSaveClick();
    void btnLoadClick();
    void btnCommitClick();
    void btnFilenameClick();
    void PageControl1Change();
    void cbExpDescrClick();
    void cbGetDBClick();
    void cbGetFoundListClick();
    void cbGetCachesClick();
    void cbGetNotesClick();
    void LoadSettings();
    void SaveSettings();

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    void buildLayout();
    void setAction(const std::string& text);
    void showLoaded();

    std::string settingsFile_;
    SuitcaseReader reader_;
    bool loaded_ = false;
    Result<std::vector<CacheRecBytes>> localDb_{Error{}};
};

}  // namespace tv
