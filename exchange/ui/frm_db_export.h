#pragma once
// The cache database as a CSV file with the columns the user ticks.
#include <QDialog>

#include "exchange/db_csv_export.h"

class QCheckBox;
class QPushButton;

namespace tv {

class TfrmDBExport : public QDialog {
    Q_OBJECT

public:
    explicit TfrmDBExport(QWidget* parent = nullptr);

    QPushButton* btnStart = nullptr;
    QPushButton* btnClose = nullptr;
    QCheckBox *cbID = nullptr, *cbName = nullptr, *cbHiddendate = nullptr, *cbCoord = nullptr, *cbSize = nullptr,
              *cbType = nullptr, *cbWaypoint = nullptr, *cbDifficulty = nullptr, *cbTerrain = nullptr,
              *cbCountry = nullptr, *cbHomedist = nullptr, *cbInDB = nullptr;
    QCheckBox* cbHeadline = nullptr;

    // Hints follow the program's tooltip switch.
    void SetShowHints(bool show);
    CsvColumns Columns() const;
    void btnStartClick();

protected:
    void showEvent(QShowEvent* event) override;
};

}  // namespace tv
