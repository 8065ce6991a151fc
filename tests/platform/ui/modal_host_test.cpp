#include "platform/ui/modal_host.h"
#include "support/ui/fake_modal_host.h"

#include <QApplication>
#include <QClipboard>
#include <QDate>
#include <QDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>
#include <gtest/gtest.h>

#include "platform/ui/qt_services.h"
#include "platform/ui/qt_text.h"

namespace tv {

TEST(CenterFormOver, RuleNumbers) {
    EXPECT_EQ(CenteredPosition(QRect(100, 50, 801, 601), QSize(300, 201)), QPoint(350, 250));
    // Negative halves truncate toward zero: (100 - 301) / 2 = -100, not -101.
    EXPECT_EQ(CenteredPosition(QRect(500, 300, 100, 100), QSize(301, 303)), QPoint(400, 199));
    // Clamped at 0 from below.
    EXPECT_EQ(CenteredPosition(QRect(10, 0, 100, 100), QSize(400, 300)), QPoint(0, 0));
    EXPECT_EQ(CenteredPosition(QRect(-50, -50, 100, 100), QSize(10, 10)), QPoint(0, 0));
}

TEST(CenterFormOver, MovesTheFormOverItsOwner) {
    QWidget owner;
    owner.setGeometry(200, 100, 800, 600);
    owner.show();
    QDialog form;
    form.resize(300, 200);
    CenterFormOver(&owner, &form);
    const QRect f = owner.frameGeometry();
    EXPECT_EQ(form.frameGeometry().topLeft(),
              QPoint(f.left() + (f.width() - form.frameGeometry().width()) / 2,
                     f.top() + (f.height() - form.frameGeometry().height()) / 2));
    const QPoint before = form.pos();
    CenterFormOver(nullptr, &form);
    EXPECT_EQ(form.pos(), before);
}

TEST(CenterFormOver, AFormNeverSizedByHandIsCentredAtItsLayoutSize) {
    QWidget owner;
    owner.setGeometry(100, 80, 900, 700);
    owner.show();
    QDialog form;
    auto* layout = new QVBoxLayout(&form);
    auto* body = new QWidget(&form);
    body->setMinimumSize(420, 260);
    layout->addWidget(body);
    CenterFormOver(&owner, &form);
    const QRect o = owner.frameGeometry();
    const QRect f = form.frameGeometry();
    EXPECT_GE(f.width(), 420);
    EXPECT_LT(f.width(), 600);
    EXPECT_EQ(f.center().x() / 4, o.center().x() / 4);
    EXPECT_EQ(f.center().y() / 4, o.center().y() / 4);
    // A form taller than the screen's free area starts at its top, not below it.
    QDialog tall;
    tall.resize(300, 5000);
    CenterFormOver(&owner, &tall);
    EXPECT_EQ(tall.frameGeometry().top(), owner.screen()->availableGeometry().top());
}

class ClosingDialog : public QDialog {
public:
    int closes = 0;
    bool shownBeforeStep = false;
    void done(int r) override {
        ++closes;
        QDialog::done(r);
    }
};

TEST(FakeModalHost, ScriptsTheDialogWithoutANestedLoop) {
    platform::ScopedFakeModalHost fake;
    ClosingDialog dlg;
    dlg.setObjectName("frmSettings");
    fake.host.script.push_back([&](QDialog& d) {
        dlg.shownBeforeStep = d.isVisible();
        return QDialog::Accepted;
    });
    EXPECT_EQ(platform::modalHost().exec(dlg, nullptr), QDialog::Accepted);
    EXPECT_TRUE(dlg.shownBeforeStep);
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(dlg.closes, 1);

    // A step that closes the dialog itself: its result counts, closed once.
    fake.host.script.push_back([](QDialog& d) {
        d.reject();
        return QDialog::Accepted;
    });
    EXPECT_EQ(platform::modalHost().exec(dlg, nullptr), QDialog::Rejected);
    EXPECT_EQ(dlg.closes, 2);

    // No step left: the default result.
    EXPECT_EQ(platform::modalHost().exec(dlg, nullptr), QDialog::Rejected);
    EXPECT_EQ(fake.host.shown, (std::vector<std::string>{"frmSettings", "frmSettings", "frmSettings"}));
}

TEST(QtModalHost, CentresThenRunsTheDialog) {
    QWidget owner;
    owner.setGeometry(0, 0, 1000, 800);
    owner.show();
    QDialog dlg;
    dlg.resize(200, 100);
    // Before the first showing the frame is not known yet; the size at the
    // time of centring counts.
    const QPoint expected = CenteredPosition(owner.frameGeometry(), dlg.frameGeometry().size());
    QPoint seen;
    QTimer::singleShot(0, &dlg, [&] {
        seen = dlg.pos();
        dlg.accept();
    });
    platform::QtModalHost host;
    EXPECT_EQ(host.exec(dlg, &owner), QDialog::Accepted);
    // The platform may add its window frame once the dialog is on screen.
    EXPECT_GT(expected.x(), 350);
    EXPECT_LE((seen - expected).manhattanLength(), 8) << seen.x() << "," << seen.y();
}

// Presses the button with `caption` on the message box once it is open and
// records all button captions and the text.
struct BoxPresser {
    QString caption;
    QStringList buttons;
    QString text;
    QString title;
    void arm() {
        QTimer::singleShot(10, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return arm();
            for (QAbstractButton* b : box->buttons()) buttons << b->text();
            buttons.sort();
            text = box->text();
            title = box->windowTitle();
            for (QAbstractButton* b : box->buttons())
                if (b->text() == caption) return b->click();
            box->reject();
        });
    }
};

TEST(QtMessageBox, GermanButtonsAndAnswers) {
    platform::QtMessageBox boxes;
    BoxPresser p{"Nein"};
    p.arm();
    EXPECT_EQ(boxes.show(platform::MsgKind::Confirmation, "Wirklich <l\xF6schen>?\r\nJa?",
                         platform::MsgButtons::YesNoCancel, ""),
              platform::MsgResult::No);
    EXPECT_EQ(p.buttons, (QStringList{"Abbrechen", "Ja", "Nein"}));
    EXPECT_EQ(p.text, QString::fromUtf8("Wirklich <löschen>?\nJa?"));
    EXPECT_EQ(p.title, QString::fromUtf8("Bestätigung"));

    BoxPresser y{"Ja"};
    y.arm();
    EXPECT_EQ(boxes.show(platform::MsgKind::Warning, "x", platform::MsgButtons::YesNo, "Titel"), platform::MsgResult::Yes);
    EXPECT_EQ(y.buttons, (QStringList{"Ja", "Nein"}));
    EXPECT_EQ(y.title, "Titel");

    BoxPresser c{"Abbrechen"};
    c.arm();
    EXPECT_EQ(boxes.show(platform::MsgKind::Warning, "x", platform::MsgButtons::YesNoCancel, ""),
              platform::MsgResult::Cancel);

    BoxPresser o{"OK"};
    o.arm();
    EXPECT_EQ(boxes.show(platform::MsgKind::Error, "kaputt", platform::MsgButtons::Ok, ""), platform::MsgResult::Ok);
    EXPECT_EQ(o.buttons, QStringList{"OK"});
    EXPECT_EQ(o.title, "Fehler");

    BoxPresser esc{"none"};  // closed with Escape semantics: No for Yes/No
    esc.arm();
    EXPECT_EQ(boxes.show(platform::MsgKind::Confirmation, "x", platform::MsgButtons::YesNo, ""), platform::MsgResult::No);
}

TEST(QtServices, QtsOwnDialogsSpeakGerman) {
    // scripts/deps installs Qt's translations; file pickers and standard
    // buttons would otherwise say "Look in" and "Cancel".
    ASSERT_TRUE(platform::InstallGermanQtTranslations());
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Abbrechen"));
    EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Look in:"), QStringLiteral("Suchen in:"));
}

TEST(QtServices, TextClipboardAndClock) {
    const std::string text = "B\xFCro \x80 \x9F";
    EXPECT_EQ(ToQ(text), QString::fromUtf8("Büro € Ÿ"));
    EXPECT_EQ(FromQ(ToQ(text)), text);
    EXPECT_EQ(FromQ(QString::fromUtf8("中")), "?");

    platform::Services previous = platform::InstallQtServices();
    platform::clipboard().setText("GC12345 \xE4");
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromUtf8("GC12345 ä"));
    EXPECT_EQ(platform::clipboard().text(), "GC12345 \xE4");
    const platform::DateTime now = platform::clock().now();
    EXPECT_EQ(now.year, QDate::currentDate().year());
    platform::pump().setBusy(true);
    platform::pump().setBusy(true);
    EXPECT_NE(QApplication::overrideCursor(), nullptr);
    platform::pump().setBusy(false);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);  // not stacked
    platform::install(previous);
}

}  // namespace tv
