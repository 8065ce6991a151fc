// Every window shown at its own size with its German texts: no label, button,
// check box or group title is wider than the space it gets, none is cut off by
// its parent or printed over another text, every tab bar shows all its tabs
// without scroll arrows, and the window is wide enough for its title. Windows
// that show a cache get a record with long values.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTextDocument>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "acquire/ui/frm_gccom2db.h"
#include "acquire/ui/frm_gcdb_reader.h"
#include "acquire/ui/frm_load_finds.h"
#include "acquire/ui/frm_load_url.h"
#include "core/cache_db.h"
#include "core/proc_settings.h"
#include "exchange/ui/frm_db_export.h"
#include "exchange/ui/frm_gpx_imp_add_wp.h"
#include "exchange/ui/frm_suitcase.h"
#include "exchange/ui/frm_wpcol.h"
#include "pages/ui/frm_add_wp_display.h"
#include "pages/ui/frm_cache_details.h"
#include "pages/ui/frm_edit_cache.h"
#include "pages/ui/frm_editor.h"
#include "platform/ui/modal_host.h"
#include "platform/ui/qt_text.h"
#include "shell/ui/app_windows.h"
#include "shell/ui/frm_about.h"
#include "shell/ui/frm_main.h"
#include "shell/ui/frm_notes_mixer.h"
#include "shell/ui/frm_summary.h"
#include "shell/ui/frm_xmas.h"
#include "support/fakes.h"
#include "support/records.h"
#include "support/started_program.h"
#include "support/temp_dir.h"
#include "support/ui/fake_modal_host.h"

namespace tv {
namespace {

// The text as drawn: "&&" is one ampersand, a single '&' marks the shortcut.
QString Drawn(const QString& text) {
    QString out;
    for (int i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('&') && i + 1 < text.size()) ++i;
        out += text[i];
    }
    return out;
}

int TextWidth(const QFontMetrics& fm, const QString& text) {
    int w = 0;
    for (const QString& line : text.split(QLatin1Char('\n'))) w = std::max(w, fm.horizontalAdvance(line));
    return w;
}

QString Name(const QWidget* w) {
    return w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className()) : w->objectName();
}

// The part of `top` in which `w` is not cut off by one of its parents.
QRect VisibleIn(const QWidget* top, const QWidget* w) {
    QRect clip = w->rect().translated(w->mapTo(top, QPoint(0, 0)));
    for (const QWidget* p = w->parentWidget(); p != nullptr && p != top; p = p->parentWidget())
        clip &= p->rect().translated(p->mapTo(top, QPoint(0, 0)));
    return clip & top->rect();
}

struct TextBox {
    const QWidget* widget;
    QRect rect;  // where its text is drawn, in the window's coordinates
};

class TextChecker {
public:
    TextChecker(QWidget* top, std::string window) : top_(top), window_(std::move(window)) {}

    void Run() {
        boxes_.clear();
        for (QWidget* w : top_->findChildren<QWidget*>()) {
            if (!w->isVisibleTo(top_) || w->width() <= 0) continue;
            if (auto* l = qobject_cast<QLabel*>(w)) Label(l);
            else if (auto* b = qobject_cast<QPushButton*>(w)) Button(b, QStyle::SE_PushButtonContents);
            else if (auto* c = qobject_cast<QCheckBox*>(w)) Button(c, QStyle::SE_CheckBoxContents);
            else if (auto* r = qobject_cast<QRadioButton*>(w)) Button(r, QStyle::SE_RadioButtonContents);
            else if (auto* t = qobject_cast<QToolButton*>(w)) Tool(t);
            else if (auto* g = qobject_cast<QGroupBox*>(w)) Group(g);
            else if (auto* t = qobject_cast<QTabBar*>(w)) Tabs(t);
        }
        // No text printed over another one.
        for (std::size_t i = 0; i < boxes_.size(); ++i)
            for (std::size_t j = i + 1; j < boxes_.size(); ++j) {
                const TextBox& a = boxes_[i];
                const TextBox& b = boxes_[j];
                if (a.widget->isAncestorOf(b.widget) || b.widget->isAncestorOf(a.widget)) continue;
                if (a.rect.intersects(b.rect))
                    Fail(a.widget, "overlaps " + Name(b.widget).toStdString() + " \"" + Text(b.widget) + "\"");
            }
    }

    std::vector<std::string> problems;

private:
    static std::string Text(const QWidget* w) {
        if (auto* l = qobject_cast<const QLabel*>(w)) return l->text().toStdString();
        if (auto* b = qobject_cast<const QAbstractButton*>(w)) return b->text().toStdString();
        if (auto* g = qobject_cast<const QGroupBox*>(w)) return g->title().toStdString();
        if (auto* t = qobject_cast<const QTabBar*>(w)) {
            QStringList tabs;
            for (int i = 0; i < t->count(); ++i) tabs << t->tabText(i);
            return tabs.join(QLatin1Char('|')).toStdString();
        }
        return {};
    }

    void Fail(const QWidget* w, const std::string& what) {
        problems.push_back(window_ + "/" + Name(w).toStdString() + " \"" + Text(w) + "\": " + what);
    }

    void Need(const QWidget* w, int need, int have) {
        if (need > have)
            Fail(w, "needs " + std::to_string(need) + " px, has " + std::to_string(have));
    }

    // The drawn text must also lie inside every parent.
    void Place(const QWidget* w, const QRect& textRect) {
        const QRect r = textRect.translated(w->mapTo(top_, QPoint(0, 0)));
        if (!VisibleIn(top_, w).contains(r)) Fail(w, "is cut off by its parent");
        boxes_.push_back({w, r});
    }

    void Label(const QLabel* l) {
        const QString text = l->text();
        if (text.isEmpty() || !l->pixmap().isNull()) return;
        const QFontMetrics fm(l->font());
        QRect cr = l->contentsRect().adjusted(l->margin(), l->margin(), -l->margin(), -l->margin());
        const int indent = l->indent() >= 0 ? l->indent() : (l->frameWidth() > 0 ? fm.horizontalAdvance('x') / 2 : 0);
        if (indent > 0) cr.adjust(indent, 0, -indent, 0);
        const bool rich =
            l->textFormat() == Qt::RichText || (l->textFormat() == Qt::AutoText && Qt::mightBeRichText(text));
        QSize size;
        if (rich) {
            QTextDocument doc;
            doc.setDefaultFont(l->font());
            doc.setDocumentMargin(0);
            doc.setHtml(text);
            if (l->wordWrap()) doc.setTextWidth(cr.width());
            size = QSize(static_cast<int>(std::ceil(doc.idealWidth())),
                         static_cast<int>(std::ceil(doc.size().height())));
            if (l->wordWrap()) size.setWidth(std::min(size.width(), cr.width()));
        } else if (l->wordWrap()) {
            size = fm.boundingRect(QRect(0, 0, cr.width(), 100000), Qt::TextWordWrap | l->alignment(), Drawn(text))
                       .size();
        } else {
            size = QSize(TextWidth(fm, Drawn(text)), fm.height() * static_cast<int>(text.count('\n') + 1));
        }
        Need(l, size.width(), cr.width());
        if (size.height() > cr.height() + 2)
            Fail(l, "needs " + std::to_string(size.height()) + " px height, has " + std::to_string(cr.height()));
        Place(l, QStyle::alignedRect(l->layoutDirection(), l->alignment(), size.boundedTo(cr.size()), cr));
    }

    void Button(const QAbstractButton* b, QStyle::SubElement contents) {
        const QString text = Drawn(b->text());
        if (text.isEmpty()) return;
        QStyleOptionButton opt;
        opt.initFrom(b);
        opt.text = b->text();
        opt.icon = b->icon();
        opt.iconSize = b->iconSize();
        if (auto* p = qobject_cast<const QPushButton*>(b)) {
            if (p->isFlat()) opt.features |= QStyleOptionButton::Flat;
            if (p->isDefault()) opt.features |= QStyleOptionButton::DefaultButton;
        }
        const QRect cr = b->style()->subElementRect(contents, &opt, b);
        const int icon = b->icon().isNull() ? 0 : b->iconSize().width() + 4;
        const int need = TextWidth(QFontMetrics(b->font()), text) + icon;
        Need(b, need, cr.width());
        const int h = QFontMetrics(b->font()).height();
        Place(b, QRect(cr.left(), cr.center().y() - h / 2, std::min(need, cr.width()), h));
    }

    void Tool(const QToolButton* t) {
        if (t->text().isEmpty() || t->toolButtonStyle() == Qt::ToolButtonIconOnly ||
            (t->toolButtonStyle() == Qt::ToolButtonFollowStyle && !t->icon().isNull()))
            return;
        Need(t, t->sizeHint().width(), t->width());
        Place(t, t->rect());
    }

    void Group(const QGroupBox* g) {
        if (g->title().isEmpty()) return;
        QFont f = g->font();
        const int need = TextWidth(QFontMetrics(f), Drawn(g->title())) + (g->isCheckable() ? 20 : 0) + 16;
        Need(g, need, g->width());
    }

    // All tabs side by side at their full size: no scroll arrows, no tab
    // text elided.
    void Tabs(const QTabBar* t) { Need(t, t->sizeHint().width(), t->width()); }

    QWidget* top_;
    std::string window_;
    std::vector<TextBox> boxes_;
};

// Shows `w`, checks it on every page of its tabs and hides it again.
std::vector<std::string> CheckWindow(QWidget& w) {
    const std::string name = Name(&w).toStdString();
    w.show();
    QApplication::processEvents();
    std::vector<std::string> problems;
    auto run = [&] {
        QApplication::processEvents();
        TextChecker checker(&w, name);
        checker.Run();
        problems.insert(problems.end(), checker.problems.begin(), checker.problems.end());
    };
    run();
    for (QTabWidget* tabs : w.findChildren<QTabWidget*>()) {
        const int current = tabs->currentIndex();
        for (int i = 0; i < tabs->count(); ++i) {
            if (i == current) continue;
            tabs->setCurrentIndex(i);
            run();
        }
        tabs->setCurrentIndex(current);
    }
    // The title bar shows the caption beside the window's icon and buttons.
    QFont titleFont = QApplication::font();
    titleFont.setBold(true);
    const bool tool = (w.windowFlags() & Qt::Tool) == Qt::Tool;
    const int need = QFontMetrics(titleFont).horizontalAdvance(w.windowTitle()) + (tool ? 40 : 110);
    if (need > w.width())
        problems.push_back(name + ": title \"" + w.windowTitle().toStdString() + "\" needs " + std::to_string(need) +
                           " px, the window has " + std::to_string(w.width()));
    // Problems are unique per widget and text.
    std::sort(problems.begin(), problems.end());
    problems.erase(std::unique(problems.begin(), problems.end()), problems.end());
    w.hide();
    QApplication::processEvents();
    return problems;
}

std::string Join(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& l : lines) out += l + "\n";
    return out;
}

class TextFitTest : public ::testing::Test {
protected:
    void SetUp() override {
        program_ = std::make_unique<tvtest::StartedProgram>(dir.str());
        ProcSettings.WorkDir = dir.str();
        ProcSettings.OutDir = dir.str();
        ProcSettings.HomeLat = 49.5;
        ProcSettings.HomeLong = 10.75;
        ProcSettings.ShowTooltips = true;
        fakes.clock.time = {2026, 12, 7, 10, 0, 0, 0};  // the hidden date below is 7,000 days back
        // A cache 160 km west of home, with long values in every field.
        cache = tvtest::CacheRecord("GCZZZZZZ", "Die lange Wanderung durch den Schwarzwald", 49.35, 8.55,
                                    "LOCATIONLESS CACHE");
        cache.Id = 2147483;
        cache.Size = "Regular";
        cache.Difficulty = "3.5";
        cache.Terrain = "4.5";
        cache.Hidden = 39350;  // September 2007
        cache.CountryId = 79;
    }
    void TearDown() override {
        program_.reset();
        CacheIndexList.Clear();
        CacheIndexList.SetDir({});
    }

    tvtest::TempDir dir;
    platform::ScopedFakes fakes;
    platform::ScopedFakeModalHost modal;
    TCacheRec cache;

private:
    std::unique_ptr<tvtest::StartedProgram> program_;
};

TEST_F(TextFitTest, LongLivedWindowsShowTheirTextsWhole) {
    AppWindows windows;
    if (TfrmMain* main = windows.frmMain()) {
        main->show();
        main->Timer1->stop();
        main->hide();
    }
    if (auto* details = windows.get<TfrmCacheDetails>(Win::frmCacheDetails)) {
        details->Cache = cache;
        details->FoundDateText = "12.09.2008";
    }
    if (auto* edit = windows.get<TfrmEditCache>(Win::frmEditCache)) edit->EditRecord = cache;
    std::vector<std::string> problems;
    for (int i = 0; i < kAppWindowCount; ++i) {
        QWidget* w = windows.window(static_cast<Win>(i));
        if (w == nullptr || static_cast<Win>(i) == Win::frmWait) continue;
        if (static_cast<Win>(i) == Win::frmMain) windows.frmMain()->Timer1->stop();
        const auto found = CheckWindow(*w);
        problems.insert(problems.end(), found.begin(), found.end());
    }
    EXPECT_TRUE(problems.empty()) << Join(problems);
}

TEST_F(TextFitTest, WindowsMadePerUseShowTheirTextsWhole) {
    std::vector<std::function<std::unique_ptr<QWidget>()>> makers = {
        [] { return std::make_unique<TfrmAbout>(true); },
        [] { return std::make_unique<TfrmWPCol>(); },
        [] { return std::make_unique<TfrmLoadURL>(); },
        [] { return std::make_unique<TfrmGCDBReader>(); },
        [] { return std::make_unique<TfrmGCCom2DB>(); },
        [] { return std::make_unique<TfrmLoadFinds>(); },
        [] { return std::make_unique<TfrmGPXImpAddWP>(); },
        [this] { return std::make_unique<TfrmSuitcase>(dir.str() + "tq.conf"); },
        [this] {
            // With a suitcase opened: its import tabs.
            dir.write("Carry.tq", std::string(24, '\0'));
            fakes.files.openAnswers = {dir.str() + "Carry.tq"};
            auto s = std::make_unique<TfrmSuitcase>(dir.str() + "tq.conf");
            s->btnLoadClick();
            return s;
        },
        [] { return std::make_unique<TfrmDBExport>(); },
        [] { return std::make_unique<TfrmEditor>(); },
        [] { return std::make_unique<TfrmAddWPDisplay>(); },
        [] { return std::make_unique<TfrmNotesMixer>(); },
        [] { return std::make_unique<TfrmSummary>(); },
        [] { return std::make_unique<TfrmXMas>(); },
        [this] {
            auto d = std::make_unique<TfrmCacheDetails>();
            d->Cache = cache;
            return d;
        },
    };
    std::vector<std::string> problems;
    for (const auto& make : makers) {
        std::unique_ptr<QWidget> w = make();
        const auto found = CheckWindow(*w);
        problems.insert(problems.end(), found.begin(), found.end());
    }
    EXPECT_TRUE(problems.empty()) << Join(problems);
}

}  // namespace
}  // namespace tv
