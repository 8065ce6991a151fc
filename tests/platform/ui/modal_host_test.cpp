#include "platform/ui/modal_host.h"
#include "support/ui/fake_modal_host.h"

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>
#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QScreen>

#include "platform/ui/qt_services.h"
#include "platform/ui/qt_text.h"

namespace tv {

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

}  // namespace tv
