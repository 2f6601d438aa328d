#include "app/gui/MainWindowFixture.h"
#include "controls/gui/CColorListCtrl.h"
#include "logs/core/LogList.h"
#include "logs/gui/CCategoryPage.h"

#include <QAction>
#include <QMenu>
#include <QSettings>

using namespace quendal;
using namespace quendal::test;

namespace {

using OptionalColumnsRemembered = MainWindowTest;

} // namespace

// The Severity and Sender columns are off at first; what the header's menu chose for a tab comes
// back with the next start, and a hand-edited value without quotes reads the same.
TEST_F(OptionalColumnsRemembered, ChosenColumnsComeBackPerTab)
{
    for (int page = 0; page < kCategoryCount; ++page)
        EXPECT_TRUE(window_->categoryPage(LogCategory(page))->shownOptionalColumns().isEmpty());

    CCategoryPage* vpn = window_->categoryPage(LogCategory::VPN);
    for (QAction* action : vpn->columnsMenu()->actions()) {
        if (action->data().toInt() == LogList::SenderColumn)
            action->trigger();
    }
    reopen();
    EXPECT_EQ(window_->categoryPage(LogCategory::VPN)->shownOptionalColumns(),
              QList<int>{LogList::SenderColumn});
    EXPECT_TRUE(window_->categoryPage(LogCategory::FireWall)->shownOptionalColumns().isEmpty());
    EXPECT_FALSE(
        window_->categoryPage(LogCategory::VPN)->listCtrl()->isColumnHidden(LogList::SenderColumn));

    window_->close();
    window_.reset();
    {
        QSettings raw(store_->fileName(), QSettings::IniFormat);
        raw.setValue(QStringLiteral("Window/ShownColumns0"),
                     QStringList{QStringLiteral("3"), QStringLiteral("4")});
    }
    openWindow(false);
    EXPECT_EQ(window_->categoryPage(LogCategory::FireWall)->shownOptionalColumns(),
              (QList<int>{LogList::SeverityColumn, LogList::SenderColumn}));
}
