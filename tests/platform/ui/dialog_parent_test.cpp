// Where boxes and pickers open, and which button Enter presses in a question.
#include "platform/ui/qt_services.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QMainWindow>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace tv {
namespace {

// Waits for the next modal window other than `under` and notes its parent and
// default button; then presses Enter on a box and closes anything else.
struct NextModal {
    QWidget* under = nullptr;
    QPointer<QWidget> parent;
    QString defaultButton;
    bool seen = false;
    void arm() {
        QTimer::singleShot(10, [this] {
            QWidget* top = QApplication::activeModalWidget();
            if (!top || top == under) return arm();
            seen = true;
            parent = top->parentWidget();
            if (auto* box = qobject_cast<QMessageBox*>(top)) {
                if (box->defaultButton()) defaultButton = box->defaultButton()->text();
                QTest::keyClick(box, Qt::Key_Return);
            } else if (auto* dialog = qobject_cast<QDialog*>(top)) {
                dialog->reject();
            }
        });
    }
};

// A modal dialog waits for an answer while no window is active for a moment
// (the previous box has just closed): what opens next belongs to the dialog,
// not to the main window behind it.
TEST(DialogParent, BoxesAndPickersOpenOverTheWaitingModalDialog) {
    QMainWindow main;
    main.setGeometry(0, 0, 800, 600);
    main.show();
    QDialog modal(&main);
    modal.setModal(true);
    modal.show();
    QApplication::setActiveWindow(nullptr);
    ASSERT_EQ(QApplication::activeWindow(), nullptr);
    ASSERT_EQ(QApplication::activeModalWidget(), &modal);
    EXPECT_EQ(platform::DialogParent(), &modal);

    platform::QtMessageBox boxes;
    NextModal box{&modal};
    box.arm();
    boxes.show(platform::MsgKind::Information, "Fertig.", platform::MsgButtons::Ok, "");
    ASSERT_TRUE(box.seen);
    EXPECT_EQ(box.parent, &modal);

    platform::QtFileDialogs files;
    NextModal picker{&modal};
    picker.arm();
    EXPECT_EQ(files.openFile("Datei", "Alle Dateien (*)", "/nonexistent"), std::nullopt);
    ASSERT_TRUE(picker.seen);
    EXPECT_EQ(picker.parent, &modal);

    // Without a modal dialog: the active window, else the main window.
    modal.hide();
    QWidget other;
    other.show();
    QApplication::setActiveWindow(&other);
    EXPECT_EQ(platform::DialogParent(), &other);
    QApplication::setActiveWindow(nullptr);
    EXPECT_EQ(platform::DialogParent(), &main);
}

TEST(QtMessageBox, EnterAnswersTheDefaultButton) {
    platform::QtMessageBox boxes;
    NextModal no;
    no.arm();
    EXPECT_EQ(boxes.show(platform::MsgKind::Warning, "Wirklich l\xF6schen?", platform::MsgButtons::YesNo, "",
                         platform::MsgDefault::No),
              platform::MsgResult::No);
    EXPECT_EQ(no.defaultButton, "Nein");

    NextModal noOfThree;
    noOfThree.arm();
    EXPECT_EQ(boxes.askDefaultNo(platform::MsgKind::Warning, "x", platform::MsgButtons::YesNoCancel),
              platform::MsgResult::No);
    EXPECT_EQ(noOfThree.defaultButton, "Nein");

    NextModal yes;
    yes.arm();
    EXPECT_EQ(boxes.show(platform::MsgKind::Confirmation, "Arbeitsliste anzeigen?", platform::MsgButtons::YesNo, ""),
              platform::MsgResult::Yes);
    EXPECT_EQ(yes.defaultButton, "Ja");
}

}  // namespace
}  // namespace tv
