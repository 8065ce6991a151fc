#include "pages/ui/frm_cache_details.h"

#include <QColor>
#include <QFontMetrics>
#include <QFont>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QShowEvent>
#include <QToolButton>
#include <algorithm>
#include <initializer_list>
#include <vector>

#include "core/debug_log.h"
#include "core/proc_settings.h"
#include "pages/cache_details.h"
#include "pages/personal_notes.h"
#include "pages/ui/frm_add_info.h"
#include "platform/services.h"
#include "platform/text_encoding.h"
#include "platform/ui/modal_host.h"
#include "platform/ui/qt_text.h"
#include "platform/ui/form_events.h"

namespace tv {

namespace {

// The results callers read (as the program's windows always numbered them).
constexpr int mrCancel = 2;
constexpr int mrYes = 6;
constexpr int mrNo = 7;

constexpr int kIconSize = 24;
constexpr int kBarHeight = 12;

void SetTextColor(QLabel* label, const QColor& color) {
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, color);
    label->setPalette(p);
}

const QString kCloseHint = QStringLiteral("Mausklick schließt dieses Fenster");

// A text wider than its label ends in "…" and is whole in the tooltip.
void SetElidedText(QLabel* label, const QString& text) {
    const QString shown =
        QFontMetrics(label->font()).elidedText(text, Qt::ElideRight, label->contentsRect().width());
    label->setText(shown);
    label->setToolTip(shown == text ? kCloseHint : text);
}

void MakeWhite(QWidget* w) {
    QPalette p = w->palette();
    p.setColor(QPalette::Window, Qt::white);
    p.setColor(QPalette::Base, Qt::white);
    w->setPalette(p);
    w->setAutoFillBackground(true);
}

// The type icons, drawn once: a rounded square with the type's letter.
QPixmap TypePixmap(int number) {
    struct Look {
        const char* letter;
        QColor color;
    };
    static const Look kLooks[10] = {
        {"T", QColor(0x2e, 0x8b, 0x3a)}, {"M", QColor(0xe0, 0x8a, 0x00)}, {"V", QColor(0x3a, 0x7b, 0xd5)},
        {"L", QColor(0x1f, 0x3f, 0x8f)}, {"E", QColor(0xc0, 0x2b, 0x2b)}, {"W", QColor(0x70, 0x70, 0x70)},
        {"?", QColor(0x25, 0x5d, 0xb5)}, {"R", QColor(0x9b, 0x59, 0xb6)}, {"C", QColor(0x16, 0xa0, 0x85)},
        {"G", QColor(0x8b, 0x5a, 0x2b)},
    };
    const Look& look = kLooks[number - 1];
    QPixmap pm(kIconSize, kIconSize);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(look.color);
    p.setPen(look.color.darker(130));
    p.drawRoundedRect(QRectF(0.5, 0.5, kIconSize - 1, kIconSize - 1), 4, 4);
    QFont f = p.font();
    f.setPixelSize(15);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRect(0, 0, kIconSize, kIconSize), Qt::AlignCenter, QString::fromLatin1(look.letter));
    return pm;
}

// Five rating points side by side; the label's width cuts it to the value.
QPixmap BarPixmap() {
    QPixmap pm(kRatingBarMaxWidth, kBarHeight);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    for (int i = 0; i < 5; ++i) {
        const int x = i * kRatingBarPixelsPerPoint;
        p.setBrush(QColor(0xf0, 0xb0, 0x20));
        p.setPen(QColor(0xb0, 0x78, 0x00));
        p.drawRoundedRect(QRectF(x + 0.5, 0.5, kRatingBarPixelsPerPoint - 2, kBarHeight - 1), 2, 2);
    }
    return pm;
}

double Today() {
    const platform::DateTime now = platform::clock().now();
    return DayCountFromDate(now.year, now.month, now.day).value_or(0.0);
}

}  // namespace

TfrmCacheDetails::TfrmCacheDetails(QWidget* parent) : QDialog(parent) {
    setObjectName("frmCacheDetails");
    setWindowTitle(QStringLiteral("Cache-Details"));
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    // Two lines taller than the classic 570 x 193: the distance line gets the
    // whole width of the group, the buttons a row of their own.
    setFixedSize(570, 209);
    MakeWhite(this);

    auto label = [&](QWidget* owner, const char* name, const QString& text, int x, int y, int w, int h = 16) {
        auto* l = new QLabel(text, owner);
        l->setObjectName(name);
        // Names and texts come from files and pages: never rich text.
        l->setTextFormat(Qt::PlainText);
        l->setGeometry(x, y, w, h);
        l->setToolTip(kCloseHint);
        l->installEventFilter(this);
        return l;
    };
    auto button = [&](const char* name, const QString& text, const QString& hint, int x, int y, int w) {
        auto* b = new QToolButton(GroupBox2);
        b->setObjectName(name);
        b->setText(text);
        b->setToolTip(hint);
        b->setAutoRaise(true);
        b->setFocusPolicy(Qt::NoFocus);  // keys belong to the window
        b->setGeometry(x, y, w, 24);
        return b;
    };

    GroupBox1 = new QGroupBox(QStringLiteral("Cache"), this);
    GroupBox1->setObjectName("GroupBox1");
    GroupBox1->setGeometry(4, 2, 562, 46);
    GroupBox1->installEventFilter(this);
    for (int i = 0; i < 10; ++i) {
        const std::string name = "img" + std::to_string(i + 1);
        img[i] = label(GroupBox1, name.c_str(), QString(), 10, 17, kIconSize, kIconSize);
        img[i]->setPixmap(TypePixmap(i + 1));
        img[i]->hide();
    }
    lblCacheName = label(GroupBox1, "lblCacheName", QString(), 42, 20, 512, 20);
    QFont nameFont = lblCacheName->font();
    nameFont.setBold(true);
    nameFont.setPointSizeF(nameFont.pointSizeF() + 1);
    lblCacheName->setFont(nameFont);

    GroupBox2 = new QGroupBox(QStringLiteral("Details"), this);
    GroupBox2->setObjectName("GroupBox2");
    GroupBox2->setGeometry(4, 50, 562, 155);
    GroupBox2->installEventFilter(this);
    MakeWhite(GroupBox1);
    MakeWhite(GroupBox2);

    // Columns from the font: each caption column as wide as its longest
    // caption, the right one starting after the rating bars.
    const QFontMetrics fm(font());
    auto widest = [&fm](std::initializer_list<const char*> texts) {
        int w = 0;
        for (const char* t : texts) w = std::max(w, fm.horizontalAdvance(QString::fromUtf8(t)));
        return w + 6;
    };
    const int capX = 10, right = 552;
    const int cap1W = widest({"Cache-ID:", "Waypoint:", "Cachesize:", "Difficulty:", "Terrain:"});
    const int valX = capX + cap1W;
    const int cap2X = std::max(valX + 34 + kRatingBarMaxWidth + 12,
                               valX + fm.horizontalAdvance(QStringLiteral("GCWWWWWW")) + 12);
    const int cap2W = widest({"Versteckt:", "Koordinaten:", "Land:"});
    const int val2X = cap2X + cap2W;
    const int val1W = cap2X - valX - 4, val2W = right - val2X;
    Label1 = label(GroupBox2, "Label1", QStringLiteral("Cache-ID:"), capX, 18, cap1W);
    Label2 = label(GroupBox2, "Label2", QStringLiteral("Waypoint:"), capX, 34, cap1W);
    Label3 = label(GroupBox2, "Label3", QStringLiteral("Cachesize:"), capX, 50, cap1W);
    Label4 = label(GroupBox2, "Label4", QStringLiteral("Difficulty:"), capX, 66, cap1W);
    Label5 = label(GroupBox2, "Label5", QStringLiteral("Terrain:"), capX, 82, cap1W);
    Label6 = label(GroupBox2, "Label6", QStringLiteral("Versteckt:"), cap2X, 18, cap2W);
    Label7 = label(GroupBox2, "Label7", QStringLiteral("Koordinaten:"), cap2X, 34, cap2W);
    Label9 = label(GroupBox2, "Label9", QStringLiteral("Land:"), cap2X, 50, cap2W);
    lblID = label(GroupBox2, "lblID", QString(), valX, 18, val1W);
    lblWP = label(GroupBox2, "lblWP", QString(), valX, 34, val1W);
    lblSize = label(GroupBox2, "lblSize", QString(), valX, 50, val1W);
    lblDiff = label(GroupBox2, "lblDiff", QString(), valX, 66, 30);
    lblTerr = label(GroupBox2, "lblTerr", QString(), valX, 82, 30);
    imgDiff = label(GroupBox2, "imgDiff", QString(), valX + 34, 68, kRatingBarMaxWidth, kBarHeight);
    imgTerr = label(GroupBox2, "imgTerr", QString(), valX + 34, 84, kRatingBarMaxWidth, kBarHeight);
    for (QLabel* bar : {imgDiff, imgTerr}) {
        bar->setPixmap(BarPixmap());
        bar->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    }
    lblHidden = label(GroupBox2, "lblHidden", QString(), val2X, 18, val2W);
    lblKoord = label(GroupBox2, "lblKoord", QString(), val2X, 34, val2W);
    lblCountry = label(GroupBox2, "lblCountry", QString(), val2X, 50, val2W);
    Label8 = label(GroupBox2, "Label8", ToQ(kFoundCaptionDefault), cap2X, 66, right - cap2X);
    QFont foundFont = Label8->font();
    foundFont.setBold(true);
    Label8->setFont(foundFont);
    lblFoundWhen = label(GroupBox2, "lblFoundWhen", QString(), cap2X, 82, right - cap2X);
    lblDist = label(GroupBox2, "lblDist", QString(), capX, 104, right - capX);

    const QString noteHint = QStringLiteral("Persönliche Informationen zu diesem Cache bearbeiten");
    sbShow = button("sbShow", QStringLiteral("Ansehen"),
                    QStringLiteral("Konvertierte Cachebeschreibung im Browser anzeigen"), 414, 124, 60);
    sbNoteYes = button("sbNoteYes", QStringLiteral("Notiz"), noteHint, 476, 124, 40);
    sbNoteNo = button("sbNoteNo", QStringLiteral("Notiz"), noteHint, 476, 124, 40);
    sbNoteNo->setStyleSheet(QStringLiteral("color: gray"));
    sbMinus = button("sbMinus", QStringLiteral("\u2212"),
                     QStringLiteral("Löscht den angezeigten Cache aus dem aufrufenden Fenster"), 518, 124, 18);
    sbPlus = button("sbPlus", QStringLiteral("+"), QString(), 538, 124, 18);
    sbNoteNo->hide();
    sbMinus->hide();
    sbPlus->hide();
    sbShow->hide();

    connect(sbPlus, &QToolButton::clicked, this, [this] { sbPlusClick(); });
    connect(sbMinus, &QToolButton::clicked, this, [this] { sbMinusClick(); });
    connect(sbShow, &QToolButton::clicked, this, [this] { sbShowClick(); });
    connect(sbNoteYes, &QToolButton::clicked, this, [this] { sbNoteYesClick(); });
    connect(sbNoteNo, &QToolButton::clicked, this, [this] { sbNoteYesClick(); });

    // FormCreate
    DescrFolder.clear();
    ShowNoteButtons = true;
    ResetFieldColors();
}

void TfrmCacheDetails::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (IsFormShowHide(event)) FormShow();
}

void TfrmCacheDetails::FormShow() {
    FoundSubfolder.clear();
    CacheDetailsInput in;
    in.cache = Cache;
    in.today = Today();
    in.home = {ProcSettings.HomeLat, ProcSettings.HomeLong};
    in.archiveState = GetArchiveState(Cache.Waypoint.view());
    in.foundDateText = FoundDateText;
    in.foundCaption = FoundCaption;
    const CacheDetailsView v = MakeCacheDetailsView(in);

    for (int i = 0; i < 10; ++i) img[i]->setVisible(v.typeIcon == i + 1);
    lblID->setText(ToQ(v.id));
    lblWP->setText(ToQ(v.waypoint));
    lblSize->setText(ToQ(v.size));
    lblDiff->setText(ToQ(v.difficulty.text));
    lblTerr->setText(ToQ(v.terrain.text));
    imgDiff->setFixedWidth(v.difficulty.barWidth);
    imgDiff->setVisible(v.difficulty.barWidth > 0);
    imgTerr->setFixedWidth(v.terrain.barWidth);
    imgTerr->setVisible(v.terrain.barWidth > 0);
    lblHidden->setText(ToQ(v.hidden));
    lblKoord->setText(ToQ(v.coordinates));
    lblDist->setText(ToQ(v.distance));
    lblCountry->setText(ToQ(v.country));
    Label8->setText(ToQ(v.foundCaption));
    Label8->setVisible(v.foundCaptionVisible);
    lblFoundWhen->setText(ToQ(v.foundWhen));
    lblFoundWhen->setVisible(v.foundWhenVisible);

    const ConvertedPageLookup page = FindConvertedPage(Cache.Waypoint.view(), DescrFolder, GetOutDir());
    FoundSubfolder = page.foundSubfolder;
    sbShow->setVisible(page.found);

    QFont f = lblCacheName->font();
    f.setBold(v.nameStyle.bold);
    f.setStrikeOut(v.nameStyle.strikeOut);
    lblCacheName->setFont(f);
    // Elided in the font it is drawn with.
    SetElidedText(lblCacheName, ToQ(v.name));
    SetTextColor(lblCacheName, v.nameStyle.red || nameMarked_ ? QColor(Qt::red) : QColor(Qt::black));

    UpdateNoteButtons();
}

void TfrmCacheDetails::GroupBox1Click() { done(mrCancel); }

void TfrmCacheDetails::reject() { done(mrCancel); }

void TfrmCacheDetails::FormKeyDown(QKeyEvent* event) {
    if (event->key() == Qt::Key_Delete && !sbMinus->isHidden()) {
        sbMinusClick();
        return;
    }
    switch (event->key()) {
        case Qt::Key_Shift:
        case Qt::Key_Control:
        case Qt::Key_Alt:
        case Qt::Key_AltGr:
        case Qt::Key_Meta:
            return;
        default:
            break;
    }
    if (event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier)) return;
    done(mrCancel);
}

void TfrmCacheDetails::keyPressEvent(QKeyEvent* event) {
    FormKeyDown(event);
    event->accept();
}

void TfrmCacheDetails::mousePressEvent(QMouseEvent* event) {
    event->accept();
    GroupBox1Click();
}

bool TfrmCacheDetails::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress && watched->isWidgetType()) {
        GroupBox1Click();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmCacheDetails::sbPlusClick() { done(mrYes); }

void TfrmCacheDetails::sbMinusClick() { done(mrNo); }

void TfrmCacheDetails::sbShowClick() {
    const std::string path = ConvertedPagePath(Cache.Waypoint.view(), DescrFolder, FoundSubfolder, GetOutDir());
    if (!path.empty()) platform::shellOpen().open(path);
}

void TfrmCacheDetails::sbNoteYesClick() {
    TfrmAddInfo notes(this);
    notes.NoteWaypoint = Cache.Waypoint.str();
    platform::modalHost().exec(notes, this);
    UpdateNoteButtons();
}

void TfrmCacheDetails::UpdateNoteButtons() {
    const bool has = ShowNoteButtons && HasPersonalNote(Cache.Waypoint.view());
    sbNoteYes->setVisible(ShowNoteButtons && has);
    sbNoteNo->setVisible(ShowNoteButtons && !has);
}

void TfrmCacheDetails::ResetFieldColors() {
    for (QLabel* l : {lblCacheName, Label1, Label2, Label3, Label4, Label5, Label6, Label7, Label9, lblID, lblWP,
                      lblSize, lblDiff, lblTerr, lblHidden, lblKoord, lblCountry, lblDist})
        SetTextColor(l, Qt::black);
    nameMarked_ = false;
}

void TfrmCacheDetails::MarkDifferences(const TCacheRec& other) {
    ResetFieldColors();
    const unsigned diff = DiffFields(Cache, other);
    nameMarked_ = (diff & dfName) != 0;
    struct Mark {
        unsigned field;
        std::vector<QLabel*> labels;
    };
    const Mark marks[] = {
        {dfId, {Label1, lblID}},
        {dfName, {lblCacheName}},
        {dfHidden, {Label6, lblHidden}},
        {dfCoordinates, {Label7, lblKoord, lblDist}},
        {dfSize, {Label3, lblSize}},
        {dfWaypoint, {Label2, lblWP}},
        {dfDifficulty, {Label4, lblDiff}},
        {dfTerrain, {Label5, lblTerr}},
        {dfCountry, {Label9, lblCountry}},
    };
    for (const Mark& m : marks)
        if (diff & m.field)
            for (QLabel* l : m.labels) SetTextColor(l, Qt::red);
}

}  // namespace tv
