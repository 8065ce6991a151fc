#pragma once
// The six tabs of the settings dialog, one class each. A page builds its
// controls, shows its part of SettingsFormData and reads it back; the
// handlers that open other windows live in TfrmSettings.
#include <QWidget>

#include "shell/settings_edit.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace tv {

// "Pfade+Dateien"
class SettingsPathsPage : public QWidget {
    Q_OBJECT
public:
    explicit SettingsPathsPage(QWidget* parent);
    void Fill(const SettingsFormData& f);
    void Read(SettingsFormData& f) const;

    QLineEdit* edWorkdir = nullptr;
    QPushButton* btnChooseWrkDir = nullptr;
    QLineEdit* edCacheOutDir = nullptr;
    QPushButton* btnChooseOutDir = nullptr;
    QLineEdit* edOfflineCacheDir = nullptr;  // hidden, still kept
    QPushButton* btnChooseOfflineDir = nullptr;
    QLineEdit* edTemplate = nullptr;
    QPushButton* btnChooseTemplate = nullptr;
};

// "Cache-Datenbank"
class SettingsDatabasePage : public QWidget {
    Q_OBJECT
public:
    explicit SettingsDatabasePage(QWidget* parent);
    void Fill(const SettingsFormData& f);
    void Read(SettingsFormData& f) const;
    // Both lists from the texts and ticks; the primary entry selected.
    void FillDatabaseLists(const SettingsFormData& f);

    QLineEdit* edDBURL = nullptr;
    QLineEdit* edArchiveUrl = nullptr;
    QCheckBox* cbZipped = nullptr;
    QListWidget* clbDatabases = nullptr;  // checkable items
    QComboBox* cbPrimaryDB = nullptr;
    QGroupBox* gbLoadCacheDB = nullptr;
    QButtonGroup* rbLoadCacheDB = nullptr;  // ids 0..4
};

// "Heimkoordinaten"
class SettingsHomesPage : public QWidget {
    Q_OBJECT
public:
    explicit SettingsHomesPage(QWidget* parent);
    // Labels of the primary home and the sorted list; each row carries the
    // index of its entry (Qt::UserRole). `select`: the entry to select, or -1.
    void ShowHome(double lat, double lon);
    void FillList(const HomesEditor& homes, int select);
    // The entry index of the selected row, -1 when none.
    int SelectedIndex() const;

    QLabel* lblLatitude = nullptr;
    QLabel* lblLongitude = nullptr;
    QPushButton* btnChangeHomeCoord = nullptr;
    QListWidget* lbAddHomes = nullptr;
    QLabel* lblLat2 = nullptr;
    QLabel* lblLon2 = nullptr;
    QPushButton* btnAddChange = nullptr;
    QPushButton* btnAddNew = nullptr;
    QPushButton* btnAddRemove = nullptr;
};

// "Ausgabe"
class SettingsOutputPage : public QWidget {
    Q_OBJECT
public:
    explicit SettingsOutputPage(QWidget* parent);
    void Fill(const SettingsFormData& f);
    void Read(SettingsFormData& f) const;

    QLineEdit* edMaxWidth = nullptr;  // at most 5 characters
};

// "Proxy"
class SettingsProxyPage : public QWidget {
    Q_OBJECT
public:
    explicit SettingsProxyPage(QWidget* parent);
    void Fill(const SettingsFormData& f);
    void Read(SettingsFormData& f) const;
    void cbProxyClick();
    void cbProxyAuthClick();

    QCheckBox* cbProxy = nullptr;
    QGroupBox* gbProxy = nullptr;
    QLineEdit* edProxy = nullptr;
    QCheckBox* cbProxyAuth = nullptr;
    QLabel* lblProxyUser = nullptr;
    QLabel* lblProxyPass = nullptr;
    QLineEdit* edProxyUser = nullptr;
    QLineEdit* edProxyPass = nullptr;  // masked
    QLineEdit* edUpdateURL = nullptr;
};

// "Sonstiges"
class SettingsMiscPage : public QWidget {
    Q_OBJECT
public:
    explicit SettingsMiscPage(QWidget* parent);
    void Fill(const SettingsFormData& f);
    void Read(SettingsFormData& f) const;

    QLineEdit* edUsername = nullptr;
    QCheckBox* cbShowHints = nullptr;
    QCheckBox* cbShowInfo = nullptr;
    QLineEdit* edXMLInittag = nullptr;
    QLineEdit* edGPXInittag = nullptr;
    QCheckBox* cbMemorizeWinSize = nullptr;
    QCheckBox* cbMemorizeColSize = nullptr;
};

}  // namespace tv
