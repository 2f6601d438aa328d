#include "app/gui/CClearLogDlg.h"
#include "app/gui/MainWindowFixture.h"
#include "logs/core/LogCategory.h"
#include "logs/core/LogList.h"

#include <QCheckBox>
#include <QTabWidget>

using namespace quendal;
using namespace quendal::test;

namespace {

class ClearLogTest : public MainWindowTest
{
protected:
    // One entry in every list.
    void fillAll()
    {
        for (LogCategory c : kAllCategories)
            window_->list(c)->prepend(LogEntryView{"Mar 14 09:26:53", "gateway", "entry"});
    }

    std::vector<qsizetype> sizes() const
    {
        std::vector<qsizetype> result;
        for (LogCategory c : kAllCategories)
            result.push_back(window_->list(c)->size());
        return result;
    }

    std::vector<bool> ticks() const
    {
        std::vector<bool> result;
        for (LogCategory c : kAllCategories)
            result.push_back(window_->clearDialog()->checkBox(c)->isChecked());
        return result;
    }
};

TEST_F(ClearLogTest, OpensWithTheActiveLogPageTickedAndItsTexts)
{
    window_->sheet()->setCurrentIndex(categoryIndex(LogCategory::Call));
    window_->OnClearLog();
    CClearLogDlg* dialog = window_->clearDialog();
    ASSERT_TRUE(dialog->isVisible());
    EXPECT_TRUE(dialog->isModal());
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Select clean LOG"));
    EXPECT_EQ(dialog->checkBox(LogCategory::FireWall)->text(),
              QStringLiteral("Clear FireWall Log"));
    EXPECT_EQ(dialog->checkBox(LogCategory::VPN)->text(), QStringLiteral("Clear VPN Log"));
    EXPECT_EQ(dialog->checkBox(LogCategory::UserAccess)->text(),
              QStringLiteral("Clear User Access Log"));
    EXPECT_EQ(dialog->checkBox(LogCategory::Call)->text(), QStringLiteral("Clear Call Log"));
    EXPECT_EQ(dialog->checkBox(LogCategory::Wan)->text(), QStringLiteral("Clear Wan Log"));
    EXPECT_EQ(dialog->okButton()->text(), QStringLiteral("OK"));
    EXPECT_EQ(dialog->cancelButton()->text(), QStringLiteral("Cancel"));
    EXPECT_EQ(ticks(), (std::vector<bool>{false, false, false, true, false}));
    dialog->reject();

    // The last choice is not carried over: each opening ticks only the page now showing.
    window_->sheet()->setCurrentIndex(categoryIndex(LogCategory::VPN));
    window_->OnClearLog();
    EXPECT_EQ(ticks(), (std::vector<bool>{false, true, false, false, false}));
    dialog->reject();

    window_->sheet()->setCurrentIndex(CSysLogDlg::ClientPage);
    window_->OnClearLog();
    EXPECT_EQ(ticks(), (std::vector<bool>(5, false)));
    dialog->reject();
}

TEST_F(ClearLogTest, OkEmptiesTheTickedListsOnlyAndCancelEmptiesNone)
{
    fillAll();
    window_->sheet()->setCurrentIndex(categoryIndex(LogCategory::VPN));
    window_->OnClearLog();
    CClearLogDlg* dialog = window_->clearDialog();
    dialog->checkBox(LogCategory::Call)->setChecked(true);
    dialog->cancelButton()->click();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(sizes(), (std::vector<qsizetype>(5, 1)));

    window_->OnClearLog();
    dialog->checkBox(LogCategory::FireWall)->setChecked(true);
    dialog->checkBox(LogCategory::Wan)->setChecked(true);
    dialog->okButton()->click();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(sizes(), (std::vector<qsizetype>{0, 0, 1, 1, 0}));
    EXPECT_EQ(window_->sheet()->currentIndex(), categoryIndex(LogCategory::VPN));
}

TEST_F(ClearLogTest, ClearingLeavesTheAutomaticFilesAndReceptionAlone)
{
    const quint16 port = startOnFreePort();
    ASSERT_NE(port, 0);
    LoopbackPeer router;
    router.sendTo(port, "<131>Mar 14 09:26:53 gateway: Packet blocked");
    LogList* firewall = window_->list(LogCategory::FireWall);
    ASSERT_TRUE(waitUntil([&] { return firewall->size() == 1; }));
    const QString file = autoLogFilePath(logFolder(), LogCategory::FireWall);
    const QByteArray before = readFile(file);
    ASSERT_FALSE(before.isEmpty());

    // An entry that arrives while the dialog is open goes with the list.
    window_->OnClearLog();
    router.sendTo(port, "<131>Mar 14 09:26:54 gateway: Second");
    ASSERT_TRUE(waitUntil([&] { return firewall->size() == 2; }));
    window_->clearDialog()->okButton()->click();
    EXPECT_EQ(firewall->size(), 0);
    EXPECT_TRUE(readFile(file).startsWith(before));
    EXPECT_GT(readFile(file).size(), before.size());

    router.sendTo(port, "<131>Mar 14 09:26:55 gateway: After");
    EXPECT_TRUE(waitUntil([&] { return firewall->size() == 1; }));
}

} // namespace
