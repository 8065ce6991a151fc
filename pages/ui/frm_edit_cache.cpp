#include "pages/ui/frm_edit_cache.h"

#include <QComboBox>
#include <QDate>
#include <QDateEdit>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <algorithm>

#include "core/cache_db.h"
#include "core/cachedb_table.h"
#include "core/coords.h"
#include "core/debug_log.h"
#include "core/proc_settings.h"
#include "geo/ui/frm_coord_input.h"
#include "pages/cache_edit.h"
#include "platform/services.h"
#include "platform/text_encoding.h"
#include "platform/ui/modal_host.h"
#include "platform/ui/modal_result.h"
#include "platform/ui/qt_text.h"
#include "platform/ui/form_events.h"

namespace tv {

namespace {

void FillCombo(QComboBox* box, const std::vector<std::string>& items) {
    box->clear();
    for (const std::string& item : items) box->addItem(ToQ(item));
}

// The chosen item's text; empty when none is chosen.
std::string ChosenText(const QComboBox* box) { return box->currentIndex() < 0 ? std::string() : FromQ(box->currentText()); }

// The item equal to the text ignoring case; none when there is no such item.
void ChooseText(QComboBox* box, const std::vector<std::string>& items, const std::string& text) {
    box->setCurrentIndex(FindItemNoCase(items, text));
}

// Waypoint boxes keep upper case while the user types.
void KeepUpperCase(QLineEdit* edit) {
    QObject::connect(edit, &QLineEdit::textEdited, edit, [edit](const QString& text) {
        const QString upper = text.toUpper();
        if (upper == text) return;
        const int pos = edit->cursorPosition();
        edit->setText(upper);
        edit->setCursorPosition(pos);
    });
}

void ShowInfo(const std::string& text) { platform::messages().show(platform::MsgKind::Information, text); }

}  // namespace

TfrmEditCache::TfrmEditCache(QWidget* parent) : QDialog(parent) {
    setObjectName("frmEditCache");
    setWindowTitle(QStringLiteral("Cache editieren"));
    setFixedSize(554, 264);

    auto caption = [](QWidget* owner, const QString& text, int x, int y, int w) {
        auto* l = new QLabel(text, owner);
        l->setGeometry(x, y, w, 20);
        return l;
    };
    auto push = [](QWidget* owner, const char* name, const QString& text, int x, int y, int w) {
        auto* b = new QPushButton(text, owner);
        b->setObjectName(name);
        b->setAutoDefault(false);
        b->setGeometry(x, y, w, 25);
        return b;
    };
    auto combo = [](QWidget* owner, const char* name, int x, int y, int w) {
        auto* c = new QComboBox(owner);
        c->setObjectName(name);
        c->setGeometry(x, y, w, 22);
        return c;
    };

    gbDB = new QGroupBox(QStringLiteral("Cache aus Datenbank editieren"), this);
    gbDB->setObjectName("gbDB");
    gbDB->setGeometry(8, 4, 538, 52);
    caption(gbDB, QStringLiteral("Waypoint:"), 10, 20, 70);
    edDBWP = new QLineEdit(QStringLiteral("GC"), gbDB);
    edDBWP->setObjectName("edDBWP");
    edDBWP->setMaxLength(16);
    edDBWP->setGeometry(84, 20, 140, 22);
    KeepUpperCase(edDBWP);
    btnSearch = push(gbDB, "btnSearch", QStringLiteral("Suchen / Anzeigen"), 236, 19, 140);

    gbData = new QGroupBox(QStringLiteral("Cachedaten"), this);
    gbData->setObjectName("gbData");
    gbData->setGeometry(8, 60, 538, 164);
    // The right column starts after the widest coordinate text (the label
    // beside "Koordinaten:"), its fields after the widest caption.
    const QFontMetrics fm(font());
    int capRight = 0;
    for (const char* t : {"Listing ID:", "Waypoint:", "Land:", "Versteckt am:"})
        capRight = std::max(capRight, fm.horizontalAdvance(QString::fromUtf8(t)) + 8);
    const int coordX = 112;
    const int coordW = fm.horizontalAdvance(QString::fromUtf8("N 88° 88.888 E 188° 88.888")) + 6;
    int capLeft = 0;
    for (const char* t : {"Cachename:", "Cachetyp:", "Cachegröße:", "Difficulty:"})
        capLeft = std::max(capLeft, fm.horizontalAdvance(QString::fromUtf8(t)) + 6);
    const int terrainCap = fm.horizontalAdvance(QStringLiteral("Terrain:")) + 6;
    const int c1 = 10, e1 = std::max(84, c1 + capLeft), c2 = std::max(276, coordX + coordW + 4), e2 = c2 + capRight;
    const int rightW = 530 - e2;
    caption(gbData, QStringLiteral("Cachename:"), c1, 20, capLeft);
    edName = new QLineEdit(gbData);
    edName->setObjectName("edName");
    edName->setMaxLength(120);
    edName->setGeometry(e1, 20, 528 - e1, 22);
    caption(gbData, QStringLiteral("Cachetyp:"), c1, 48, capLeft);
    cbType = combo(gbData, "cbType", e1, 48, 180);
    caption(gbData, QStringLiteral("Listing ID:"), c2, 48, capRight);
    lblCacheID = new QLabel(QStringLiteral("n/a"), gbData);
    lblCacheID->setObjectName("lblCacheID");
    lblCacheID->setTextFormat(Qt::PlainText);
    lblCacheID->setGeometry(e2, 48, rightW, 20);
    caption(gbData, QStringLiteral("Cachegröße:"), c1, 76, capLeft);
    cbSize = combo(gbData, "cbSize", e1, 76, 180);
    caption(gbData, QStringLiteral("Waypoint:"), c2, 76, capRight);
    edWaypoint = new QLineEdit(gbData);
    edWaypoint->setObjectName("edWaypoint");
    edWaypoint->setMaxLength(16);
    edWaypoint->setGeometry(e2, 76, rightW, 22);
    KeepUpperCase(edWaypoint);
    caption(gbData, QStringLiteral("Difficulty:"), c1, 104, capLeft);
    cbDifficulty = combo(gbData, "cbDifficulty", e1, 104, 60);
    caption(gbData, QStringLiteral("Terrain:"), e1 + 66, 104, terrainCap);
    cbTerrain = combo(gbData, "cbTerrain", e1 + 66 + terrainCap, 104, std::min(60, c2 - 6 - (e1 + 66 + terrainCap)));
    caption(gbData, QStringLiteral("Land:"), c2, 104, capRight);
    cbLand = combo(gbData, "cbLand", e2, 104, rightW);
    btnCoord = push(gbData, "btnCoord", QStringLiteral("Koordinaten:"), c1, 132, 96);
    lblCoord = new QLabel(gbData);
    lblCoord->setObjectName("lblCoord");
    lblCoord->setTextFormat(Qt::PlainText);
    lblCoord->setGeometry(coordX, 134, c2 - 4 - coordX, 20);
    caption(gbData, QStringLiteral("Versteckt am:"), c2, 134, capRight);
    DateTimePicker1 = new QDateEdit(gbData);
    DateTimePicker1->setObjectName("DateTimePicker1");
    DateTimePicker1->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    DateTimePicker1->setCalendarPopup(true);
    DateTimePicker1->setMinimumDate(QDate(1899, 12, 30));
    DateTimePicker1->setGeometry(e2, 132, std::min(120, rightW), 22);

    FillCombo(cbType, EditTypeItems());
    FillCombo(cbSize, EditSizeItems());
    FillCombo(cbDifficulty, EditRatingItems());
    FillCombo(cbTerrain, EditRatingItems());

    btnCommit = push(this, "btnCommit", QStringLiteral("Speichern"), 8, 232, 100);
    btnErase = push(this, "btnErase", QStringLiteral("aus DB löschen"), 116, 232, 110);
    btnNew = push(this, "btnNew", QStringLiteral("Neu eingeben"), 234, 232, 110);
    btnOK = push(this, "btnOK", QStringLiteral("Schließen"), 446, 232, 100);

    connect(btnSearch, &QPushButton::clicked, this, [this] { btnSearchClick(); });
    connect(edDBWP, &QLineEdit::textEdited, this, [this] { edDBWPChange(); });
    connect(btnCoord, &QPushButton::clicked, this, [this] { btnCoordClick(); });
    connect(btnNew, &QPushButton::clicked, this, [this] { btnNewClick(); });
    connect(btnCommit, &QPushButton::clicked, this, [this] { btnCommitClick(); });
    connect(btnErase, &QPushButton::clicked, this, [this] { btnEraseClick(); });
    connect(btnOK, &QPushButton::clicked, this, [this] { done(mrOk); });
}

int TfrmEditCache::Execute(int mode, QWidget* over) {
    EditMode = static_cast<std::uint8_t>(mode);
    const bool search = mode == 1;
    edDBWP->setEnabled(search);
    edWaypoint->setEnabled(search);
    btnSearch->setEnabled(search);
    edDBWP->setText(ToQ(EditRecord.Waypoint.view()));
    return platform::modalHost().exec(*this, over);
}

void TfrmEditCache::reject() { done(mrOk); }

void TfrmEditCache::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (IsFormShowHide(event)) FormShow();
}

void TfrmEditCache::FormShow() {
    ResetFields();
    ShowRecord();
    btnErase->setEnabled(!edName->text().isEmpty());
}

double TfrmEditCache::PickerDate() const {
    const QDate d = DateTimePicker1->date();
    return DayCountFromDate(d.year(), d.month(), d.day()).value_or(0.0);
}

void TfrmEditCache::SetPickerDate(double dayCount) {
    int y = 2000, m = 1, d = 1;
    if (!DateFromDayCount(dayCount, y, m, d)) y = 2000, m = 1, d = 1;
    DateTimePicker1->setDate(QDate(y, m, d));
}

void TfrmEditCache::ResetFields() {
    const TCacheDBTable& table = CacheDBTable();
    FillCombo(cbLand, CountryItems(table));
    cbLand->setCurrentIndex(ValidCacheDBPrimary(ProcSettings, table.Count()) - 1);
    cbType->setCurrentIndex(0);
    cbSize->setCurrentIndex(0);
    lblCacheID->setText(QStringLiteral("n/a"));
    edName->clear();
    edWaypoint->clear();
    lblCoord->clear();
    SetPickerDate(*DayCountFromDate(2000, 1, 1));
}

void TfrmEditCache::ShowRecord() {
    ResetFields();
    const TCacheDBTable& table = CacheDBTable();
    const EditCacheFields f = FieldsFromRecord(EditRecord, table);
    edName->setText(ToQ(f.name));
    if (EditRecord.Id > 0) lblCacheID->setText(QString::number(EditRecord.Id));
    ChooseText(cbType, EditTypeItems(), f.type);
    ChooseText(cbSize, EditSizeItems(), f.size);
    edWaypoint->setText(ToQ(f.waypoint));
    ChooseText(cbDifficulty, EditRatingItems(), f.difficulty);
    ChooseText(cbTerrain, EditRatingItems(), f.terrain);
    if (EditRecord.CountryId > 0) ChooseText(cbLand, CountryItems(table), f.country);
    lblCoord->setText(ToQ(FormatCoord(EditRecord.Lat, EditRecord.Lon)));
    SetPickerDate(f.hidden);
}

void TfrmEditCache::ReadRecord() {
    EditCacheFields f;
    f.name = FromQ(edName->text());
    f.hidden = PickerDate();
    f.size = ChosenText(cbSize);
    f.type = ChosenText(cbType);
    f.difficulty = ChosenText(cbDifficulty);
    f.terrain = ChosenText(cbTerrain);
    f.waypoint = FromQ(edWaypoint->text());
    f.country = ChosenText(cbLand);
    EditRecord = RecordFromFields(EditRecord, f, {ProcSettings.HomeLat, ProcSettings.HomeLong}, CacheDBTable());
}

void TfrmEditCache::btnSearchClick() {
    TCacheRec found;
    if (FindCacheByWaypoint(FromQ(edDBWP->text()), found)) {
        EditRecord = found;
        ShowRecord();
        btnErase->setEnabled(true);
    } else {
        btnErase->setEnabled(false);
        platform::messages().show(platform::MsgKind::Error, WaypointNotFoundText());
    }
}

void TfrmEditCache::edDBWPChange() { btnSearch->setDefault(true); }

void TfrmEditCache::btnCoordClick() {
    double lat = EditRecord.Lat, lon = EditRecord.Lon;
    bool ok = false;
    if (EditCoordinates) {
        ok = EditCoordinates(lat, lon);
    } else {
        TfrmCoordInput input;
        input.lat = lat;
        input.lon = lon;
        ok = platform::modalHost().exec(input, this) == QDialog::Accepted;
        lat = input.lat;
        lon = input.lon;
    }
    if (!ok) return;
    EditRecord.Lat = lat;
    EditRecord.Lon = lon;
    lblCoord->setText(ToQ(FormatCoord(lat, lon)));
}

void TfrmEditCache::btnNewClick() {
    edName->clear();
    edWaypoint->clear();
    cbType->setCurrentIndex(0);
    cbSize->setCurrentIndex(kEditSizeRegular);
    cbDifficulty->setCurrentIndex(kEditRatingOne);
    cbTerrain->setCurrentIndex(kEditRatingOne);
    const TCacheDBTable& table = CacheDBTable();
    if (table.Count() > 0) cbLand->setCurrentIndex(ValidCacheDBPrimary(ProcSettings, table.Count()) - 1);
    const platform::DateTime now = platform::clock().now();
    SetPickerDate(DayCountFromDate(now.year, now.month, now.day).value_or(0.0));
}

void TfrmEditCache::btnCommitClick() {
    ReadRecord();
    const EditCheck check = CheckEditedRecord(EditRecord);
    auto& box = platform::messages();
    if (!check.errors.empty()) {
        box.show(platform::MsgKind::Error, StoreRefusedText(check.errors));
        return;
    }
    if (!check.warnings.empty() &&
        box.show(platform::MsgKind::Warning, StoreWarningText(check.warnings), platform::MsgButtons::YesNo) !=
            platform::MsgResult::Yes)
        return;
    SaveRecord();
    ResetFields();
    platform::pump().setBusy(false);
    if (EditMode == 0) done(mrOk);
}

void TfrmEditCache::SaveRecord() {
    platform::pump().setBusy(true);
    const EditSaveResult r = SaveEditedRecord(EditRecord);
    platform::pump().setBusy(false);
    if (r.code == 0 && ProcSettings.ShowMessages)
        ShowInfo(r.updated ? W("Cachebeschreibung wurde in der Datenbank geändert.")
                           : W("Cache wurde der Datenbank hinzugefügt."));
    ShowSysError(r.code, r.failText);
}

void TfrmEditCache::btnEraseClick() {
    TCacheRec found;
    if (!FindCacheByWaypoint(FromQ(edWaypoint->text()), found)) {
        platform::messages().show(platform::MsgKind::Error, WaypointNotFoundText());
        return;
    }
    if (platform::messages().askDefaultNo(platform::MsgKind::Warning, DeleteQuestionText(found)) !=
        platform::MsgResult::Yes)
        return;
    // The code as stored, so that a record written in lower case goes too.
    if (const Result<void> deleted = DeleteCacheFromDB(found.Waypoint.view()); !deleted)
        ShowSysError(deleted.error().code, deleted.error().message);
    ResetFields();
    edDBWP->clear();
    btnErase->setEnabled(false);
}

}  // namespace tv
