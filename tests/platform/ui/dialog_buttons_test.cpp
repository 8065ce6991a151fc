// The shared OK / Abbrechen row: names, texts, roles and the default button.
#include "platform/ui/dialog_buttons.h"

#include <gtest/gtest.h>

#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>

namespace tv {
namespace {

TEST(DialogButtons, OkIsTheDefaultAndCancelRejects) {
    QDialog d;
    QPushButton* ok = nullptr;
    QPushButton* cancel = nullptr;
    QDialogButtonBox* box = OkCancelButtons(&d, ok, cancel);
    ASSERT_NE(box, nullptr);
    ASSERT_NE(ok, nullptr);
    ASSERT_NE(cancel, nullptr);
    EXPECT_EQ(box->parent(), &d);
    EXPECT_EQ(box->buttons().size(), 2);
    EXPECT_EQ(ok->text(), QString("OK"));
    EXPECT_EQ(cancel->text(), QString("Abbrechen"));
    EXPECT_EQ(d.findChild<QPushButton*>("btnOK"), ok);
    EXPECT_EQ(d.findChild<QPushButton*>("btnCancel"), cancel);
    EXPECT_TRUE(ok->isDefault());
    EXPECT_FALSE(cancel->isDefault());
    EXPECT_EQ(box->buttonRole(ok), QDialogButtonBox::AcceptRole);
    EXPECT_EQ(box->buttonRole(cancel), QDialogButtonBox::RejectRole);
}

}  // namespace
}  // namespace tv
