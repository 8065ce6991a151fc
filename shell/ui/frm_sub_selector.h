#pragma once
// The result picker: a check list of caches, entries name + " (" + code + ")",
// kept sorted. "Übernehmen" closes with mrYes, "Verwerfen" with mrCancel;
// callers take the ticked entries after mrYes.
#include <QDialog>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/cache_rec.h"
#include "platform/ui/modal_result.h"

class QListWidget;
class QPushButton;

namespace tv {

class TfrmSubSelector : public QDialog {
    Q_OBJECT

public:
    // Makes the cache-details window for a double-clicked entry: the record
    // shown, with both its plus and minus buttons. Its result mrNo unticks the
    // entry; any other ticks it.
    using DetailsFactory = std::function<std::unique_ptr<QDialog>(const TCacheRec&)>;

    TfrmSubSelector();

    QListWidget* lb = nullptr;
    QPushButton* btnOK = nullptr;      // "Übernehmen"
    QPushButton* btnCancel = nullptr;  // "Verwerfen"
    QPushButton* btnMarkAll = nullptr;
    QPushButton* btnMarkNone = nullptr;
    // Empty: a double-click shows nothing.
    DetailsFactory MakeDetailsWindow;

    // The process-wide factory new pickers start with (the main window's
    // set-up installs the cache-details window here).
    static void SetDefaultDetailsFactory(DetailsFactory factory);

    static std::string ExtractWaypoint(const std::string& entry);

    // Filling and reading lb (Windows-1252 texts).
    void Clear();
    void AddEntry(const std::string& name, const std::string& code);
    void AddLine(const std::string& line);
    std::vector<std::string> TickedLines() const;
    std::vector<std::string> TickedWaypoints() const;

    void FormShow();
    void btnMarkAllClick();
    void btnMarkNoneClick();
    void lbDblClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void tickAll(bool ticked);
};

}  // namespace tv
