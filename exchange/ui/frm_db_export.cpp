#include "exchange/ui/frm_db_export.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/proc_settings.h"
#include "core/program_files.h"
#include "platform/services.h"
#include "platform/text_encoding.h"
#include "platform/ui/qt_text.h"
#include "platform/ui/form_events.h"

namespace tv {

TfrmDBExport::TfrmDBExport(QWidget* parent) : QDialog(parent) {
    setObjectName("frmDBExport");
    setWindowTitle(U("CSV-Export der Cache-Datenbank"));
    auto* group = new QGroupBox(U("zu exportierende Spalten definieren"), this);
    group->setObjectName("GroupBox1");
    auto* grid = new QGridLayout(group);
    int i = 0;
    auto box = [&](QCheckBox*& cb, const char* name, const char* caption, bool checked) {
        cb = new QCheckBox(U(caption), group);
        cb->setObjectName(name);
        cb->setChecked(checked);
        grid->addWidget(cb, i % 6, i / 6);
        ++i;
    };
    box(cbID, "cbID", "Cache-ID", false);
    box(cbName, "cbName", "Cachename", true);
    box(cbHiddendate, "cbHiddendate", "Versteckdatum", true);
    box(cbCoord, "cbCoord", "Koordinaten (Lage)", true);
    box(cbSize, "cbSize", "Cachegröße", true);
    box(cbType, "cbType", "Cachetyp", true);
    box(cbWaypoint, "cbWaypoint", "Waypoint", true);
    box(cbDifficulty, "cbDifficulty", "Difficulty", true);
    box(cbTerrain, "cbTerrain", "Terrain", true);
    box(cbCountry, "cbCountry", "Land", true);
    box(cbHomedist, "cbHomedist", "Home-Entfernung", true);
    box(cbInDB, "cbInDB", "Datenbankverfügbarkeit", false);
    cbInDB->setVisible(false);
    cbHeadline = new QCheckBox(U("Zeile mit Überschrift ausgeben"), this);
    cbHeadline->setObjectName("cbHeadline");
    cbHeadline->setChecked(true);
    btnStart = new QPushButton(U("CSV-Export"), this);
    btnStart->setObjectName("btnStart");
    btnClose = new QPushButton(U("Schließen"), this);
    btnClose->setObjectName("btnClose");
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cbHeadline, 1);
    buttons->addWidget(btnStart);
    buttons->addWidget(btnClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addLayout(buttons);
    setFixedSize(407, 247);
    connect(btnStart, &QPushButton::clicked, this, &TfrmDBExport::btnStartClick);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::reject);
}

void TfrmDBExport::SetShowHints(bool show) {
    btnStart->setToolTip(show ? U("Zieldatei wählen und Export starten") : QString());
    findChild<QGroupBox*>("GroupBox1")
        ->setToolTip(show ? U("Hier werden die Spalten definiert, aus denen die Exportdatei besteht") : QString());
    cbHeadline->setToolTip(show ? U("Erste Zeile=Überschrift wenn markiert") : QString());
    btnClose->setToolTip(show ? U("Fenster schließen und nichts exportieren") : QString());
}

void TfrmDBExport::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!IsFormShowHide(event)) return;
    btnStart->setEnabled(true);
    btnClose->setEnabled(true);
}

CsvColumns TfrmDBExport::Columns() const {
    return CsvColumns{cbID->isChecked(),       cbName->isChecked(),       cbHiddendate->isChecked(),
                      cbCoord->isChecked(),    cbSize->isChecked(),       cbType->isChecked(),
                      cbWaypoint->isChecked(), cbDifficulty->isChecked(), cbTerrain->isChecked(),
                      cbCountry->isChecked(),  cbHomedist->isChecked(),   cbInDB->isChecked()};
}

void TfrmDBExport::btnStartClick() {
    const auto file =
        platform::fileDialogs().saveFile("CSV-Export", "CSV-Dateien (*.csv)", GetWorkDir() + "GCrecords.csv");
    if (!file) return reject();
    // Never over the database or another file the program reads.
    if (const auto refused =
            ProgramFileRefusal(*file, GetWorkDir(), TargetRole::Export, {GetWorkDir() + "Caches.bin"})) {
        ShowWriteFailure(*refused);
        return;
    }
    btnStart->setEnabled(false);
    platform::pump().setBusy(true);
    platform::pump().pump();
    const Result<int> r =
        ExportCachesCsv(GetWorkDir() + "Caches.bin", *file, Columns(), cbHeadline->isChecked(), CacheDBTable());
    platform::pump().setBusy(false);
    btnStart->setEnabled(true);
    if (!r.ok()) {
        ShowWriteFailure(r.error());
        // A refused name may be chosen again.
        if (r.error().code == kErrProgramFile) return;
    }
    accept();
}

}  // namespace tv
