#include "logs/gui/EntryCommands.h"

#include "common/core/UiText.h"
#include "controls/gui/CColorListCtrl.h"
#include "logs/core/LogList.h"
#include "logs/gui/CCategoryPage.h"
#include "logs/gui/EntryCopyText.h"
#include "logs/gui/EntryDetailsDialog.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QTest>

#include <gtest/gtest.h>

using namespace quendal;
using namespace quendal::test;

namespace {

class EntryCommandsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // Oldest first: row 0 ends up being the last one added.
        list_.prepend({"Mar 14 09:26:51", "gw", "first\r\nline"});
        list_.prepend({"Mar 14 09:26:52", "gw\t2", "tab\there"});
        list_.prepend(
            {"Mar 14 09:26:53", "10.0.0.1", "ALERT: \x1b[31mred\xff", Severity::Emergency});
        page_.resize(800, 400);
        page_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&page_));
    }

    LogList list_;
    CFireWallPage page_{&list_};
};

} // namespace

TEST_F(EntryCommandsTest, CopyPutsTabSeparatedRowsWithLineBreaksAsBlanks)
{
    CColorListCtrl* ctrl = page_.listCtrl();
    ctrl->setCurrentRow(1);
    QTest::mouseClick(ctrl->viewport(), Qt::LeftButton, Qt::ShiftModifier,
                      ctrl->GetCellRect(2, 0, false).center());
    ASSERT_EQ(ctrl->selectedRange(), std::make_pair(qsizetype(1), qsizetype(2)));
    page_.commands()->copySelection();
    EXPECT_EQ(
        QGuiApplication::clipboard()->text(),
        QStringLiteral("Mar 14 09:26:52\tgw 2\ttab here\nMar 14 09:26:51\tgw\tfirst  line\n"));
    page_.commands()->copySelectedMessages();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("tab here\nfirst  line\n"));
    // Ctrl+C on the list is the same Copy.
    QGuiApplication::clipboard()->clear();
    page_.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&page_));
    ctrl->setFocus();
    QTest::keyClick(ctrl, Qt::Key_C, Qt::ControlModifier);
    EXPECT_TRUE(
        QGuiApplication::clipboard()->text().startsWith(QStringLiteral("Mar 14 09:26:52\t")));
}

TEST_F(EntryCommandsTest, DoubleClickOpensTheDetailsWithRawBytesForHiddenOnes)
{
    CColorListCtrl* ctrl = page_.listCtrl();
    QTest::mouseDClick(ctrl->viewport(), Qt::LeftButton, {},
                       ctrl->GetCellRect(0, 2, false).center());
    EntryDetailsDialog* dialog = page_.commands()->detailsDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->fieldText(UiTextId::TimeColumn), QStringLiteral("Mar 14 09:26:53"));
    EXPECT_EQ(dialog->fieldText(UiTextId::HostColumn), QStringLiteral("10.0.0.1"));
    EXPECT_EQ(dialog->fieldText(UiTextId::FacilityField), QStringLiteral("local0 (16)"));
    EXPECT_EQ(dialog->fieldText(UiTextId::SeverityField), QStringLiteral("emergency (0)"));
    EXPECT_TRUE(dialog->messageView()->toPlainText().startsWith(QStringLiteral("ALERT: ")));
    EXPECT_TRUE(dialog->rawView()->isVisibleTo(dialog));
    EXPECT_TRUE(dialog->rawView()->toPlainText().contains(QStringLiteral("1b 5b 33 31 6d")));
    EXPECT_TRUE(dialog->rawView()->toPlainText().contains(QStringLiteral("ff")));

    // Enter on a plain row: no raw bytes.
    dialog->close();
    list_.prepend({"Mar 14 09:27:00", "gw", "plain text"});
    ctrl->setCurrentRow(0);
    ctrl->setFocus();
    QTest::keyClick(ctrl, Qt::Key_Return);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->messageView()->toPlainText(), QStringLiteral("plain text"));
    EXPECT_FALSE(dialog->rawView()->isVisibleTo(dialog));
    EXPECT_EQ(dialog->fieldText(UiTextId::SeverityField), BuiltinUiText(UiTextId::NotKept));
}

TEST(EntryCopyText, HiddenBytesAreControlsAndNonUtf8)
{
    EXPECT_FALSE(hasHiddenBytes("plain text"));
    EXPECT_FALSE(hasHiddenBytes("gr\xc3\xbc\xc3\x9f"));
    EXPECT_TRUE(hasHiddenBytes("line\n"));
    EXPECT_TRUE(hasHiddenBytes("bad \xff"));
    EXPECT_EQ(hexLines("0123456789abcdefXY"),
              QStringLiteral("30 31 32 33 34 35 36 37 38 39 61 62 63 64 65 66\n58 59"));
}
