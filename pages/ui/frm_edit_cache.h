#pragma once
// "Cache editieren": one record of the cache database shown, changed or typed
// anew, stored (overwriting the record of the same waypoint, else appended)
// with the index rebuilt, or deleted from the database. Callers put a record
// into EditRecord and call Execute(mode): mode 1 from the main window (search
// by waypoint, the dialog stays open after storing), mode 0 from the
// waypoint collections (no search, the dialog closes after storing).
#include <QDialog>
#include <cstdint>
#include <functional>
#include <string>

#include "core/cache_rec.h"

class QComboBox;
class QDateEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QShowEvent;

namespace tv {

class TfrmEditCache : public QDialog {
    Q_OBJECT

public:
    explicit TfrmEditCache(QWidget* parent = nullptr);

    TCacheRec EditRecord;
    std::uint8_t EditMode = 0;

    // The coordinate entry: gets the record's position, returns true with the
    // new one on OK. Empty (the default): the coordinate entry window
    // TfrmCoordInput shown through the modal host.
    std::function<bool(double& lat, double& lon)> EditCoordinates;

    QGroupBox* gbDB = nullptr;
    QLineEdit* edDBWP = nullptr;
    QPushButton* btnSearch = nullptr;
    QGroupBox* gbData = nullptr;
    QComboBox* cbType = nullptr;
    QLineEdit* edName = nullptr;
    QLabel* lblCacheID = nullptr;
    QComboBox* cbSize = nullptr;
    QLineEdit* edWaypoint = nullptr;
    QComboBox* cbDifficulty = nullptr;
    QComboBox* cbTerrain = nullptr;
    QComboBox* cbLand = nullptr;
    QPushButton* btnCoord = nullptr;
    QLabel* lblCoord = nullptr;
    QDateEdit* DateTimePicker1 = nullptr;
    QPushButton* btnCommit = nullptr;
    QPushButton* btnErase = nullptr;
    QPushButton* btnNew = nullptr;
    QPushButton* btnOK = nullptr;  // "Schließen"

    // Sets the mode, shows the dialog modally (through the modal host, over
    // `over`) and returns its result (1 when closed).
    int Execute(int mode, QWidget* over = nullptr);

    void FormShow();
    void btnSearchClick();
    void edDBWPChange();
    void btnCoordClick();
    void btnNewClick();
    void btnCommitClick();
    void btnEraseClick();
    void ResetFields();
    void ShowRecord();
    void ReadRecord();
    void SaveRecord();

    // The hidden date of the picker as a day count, and back.
    double PickerDate() const;
    void SetPickerDate(double dayCount);

    // The cancel key closes like "Schließen", with OK.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
};

}  // namespace tv
