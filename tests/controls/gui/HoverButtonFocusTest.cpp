#include "controls/gui/CHoverButton.h"
#include "support/TestSupport.h"

#include <QHBoxLayout>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

using namespace quendal;
using namespace quendal::test;

TEST(HoverButtonFocus, TheButtonWithTheKeyboardFocusDrawsAFrame)
{
    QWidget window;
    auto* row = new QHBoxLayout(&window);
    auto* first = new CHoverButton(&window);
    auto* second = new CHoverButton(&window);
    first->LoadIcons(QStringLiteral(":/icons/open.svg"));
    second->LoadIcons(QStringLiteral(":/icons/open.svg"));
    row->addWidget(first);
    row->addWidget(second);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

    second->setFocus();
    ASSERT_TRUE(waitUntil([&] { return second->hasFocus(); }));
    const QImage without = first->grab().toImage();
    // Styles draw the frame once the keyboard has moved the focus.
    QTest::keyClick(second, Qt::Key_Tab);
    ASSERT_TRUE(waitUntil([&] { return first->hasFocus(); }));
    const QImage with = first->grab().toImage();
    EXPECT_NE(with, without);
}
