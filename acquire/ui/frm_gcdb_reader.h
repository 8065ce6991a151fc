#pragma once
// "Cache-DB einlesen / konvertieren": shown (not modally, on top) while one
// national list is converted into the cache database; made for one
// conversion and freed afterwards.
#include <QDialog>
#include <functional>
#include <string>

#include "acquire/national_db.h"

class QLabel;

namespace tv {

class TfrmGCDBReader : public QDialog {
    Q_OBJECT

public:
    explicit TfrmGCDBReader(QWidget* parent = nullptr);

    QLabel* Label1 = nullptr;         // action text
    QLabel* lblSourceName = nullptr;  // group "Quelldatei"
    QLabel* lblDestName = nullptr;    // group "Zieldatei"
    QLabel* Label2 = nullptr;         // "Anzahl verarbeiteter Datensätze:"
    QLabel* lblAnz = nullptr;

    void SetSourceName(const std::string& path);
    void SetDestName(const std::string& path);
    // Converts (see NationalDbConverter::ConverteHTTP); the labels follow the work.
    int ConverteHTTP(bool ShowNearest);
    int GetFailedCount() const { return converter_.GetFailedCount(); }
    int GetIncompleteCount() const { return converter_.GetIncompleteCount(); }
    int GetNewCount() const { return converter_.GetNewCount(); }
    // Everything the last conversion counted and noted.
    const NationalDbConverter& Converter() const { return converter_; }
    static int LookupCountryByFile(const std::string& fileName) { return tv::LookupCountryByFile(fileName); }

    // The cache details window for the nearest new cache (set by the caller).
    std::function<void(const TCacheRec&)> showDetails;

private:
    NationalDbConverter converter_;
    std::string source_, dest_;
};

}  // namespace tv
