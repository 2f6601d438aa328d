#include "controls/gui/CColorListCtrl.h"
#include "logs/core/LogList.h"
#include "logs/gui/CCategoryPage.h"

#include <QHelpEvent>
#include <QTest>
#include <QToolTip>

#include <gtest/gtest.h>

namespace quendal {
namespace {

// The Time column of a category page is sized for the classic time; a full RFC 3339 time does
// not fit and is shown whole as the cell's tooltip.
TEST(CategoryPageTimeColumn, FullIsoTimeShownAsTooltip)
{
    LogList list;
    list.prepend(LogEntryView{"2026-12-07T14:18:06.007184+00:00", "vm", "root: fw"});
    CCategoryPage page(LogCategory::FireWall, &list);
    page.resize(1300, 400);
    page.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
    CColorListCtrl* ctrl = page.listCtrl();

    const auto tooltipOf = [&](qsizetype row) {
        const QPoint at = ctrl->GetCellRect(row, 0, true).center();
        QHelpEvent help(QEvent::ToolTip, at, ctrl->viewport()->mapToGlobal(at));
        QCoreApplication::sendEvent(ctrl->viewport(), &help);
        const QString text = QToolTip::isVisible() ? QToolTip::text() : QString();
        QToolTip::hideText();
        return text;
    };
    EXPECT_EQ(tooltipOf(0), QStringLiteral("2026-12-07T14:18:06.007184+00:00"));
}

} // namespace
} // namespace quendal
