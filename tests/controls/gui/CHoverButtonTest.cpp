#include "controls/gui/CHoverButton.h"

#include <QApplication>
#include <QCursor>
#include <QEnterEvent>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>

#include <gtest/gtest.h>

namespace quendal {
namespace {

using Edge = CHoverButton::Edge;

constexpr QRgb kRed = 0xffff0000;
constexpr QRgb kBlue = 0xff0000ff;

class HoverButtonTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        writeFile("red.svg", svgFilledWith("#ff0000"));
        writeFile("blue.svg", svgFilledWith("#0000ff"));
        auto* layout = new QHBoxLayout(&window);
        button = new CHoverButton(&window);
        other = new QLineEdit(&window);
        layout->addWidget(button);
        layout->addWidget(other);
        ASSERT_EQ(button->LoadIcons(path("red.svg")), 0);
        // Off every window, so that the new one does not appear under the cursor.
        QCursor::setPos(-100, -100);
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        other->setFocus();
        QTest::mouseMove(other);
        ASSERT_NE(colour(QPalette::Light), colour(QPalette::Button));
    }

    static QByteArray svgFilledWith(const char* fill)
    {
        return R"(<svg xmlns="http://www.w3.org/2000/svg" width="32" height="32"><rect )"
               R"(width="32" height="32" fill=")" +
               QByteArray(fill) + R"("/></svg>)";
    }
    void writeFile(const char* name, const QByteArray& data)
    {
        QFile file(path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(data);
    }
    QString path(const char* name) const { return dir.filePath(QLatin1String(name)); }
    QRgb colour(QPalette::ColorRole role) const { return button->palette().color(role).rgb(); }
    QRgb pixel(QPoint at) const { return button->grab().toImage().pixel(at); }
    QRgb corner(bool topLeft) const
    {
        return pixel(topLeft ? QPoint(0, 0) : button->rect().bottomRight());
    }

    QTemporaryDir dir;
    QWidget window;
    CHoverButton* button = nullptr;
    QLineEdit* other = nullptr;
};

TEST_F(HoverButtonTest, IconsThatCannotBeDrawnFailToLoadAndLeaveNone)
{
    writeFile("broken.svg", "not an image");
    writeFile("broken.png", "not an image");
    for (const char* bad : {"missing.svg", "broken.svg", "broken.png"}) {
        EXPECT_EQ(button->LoadIcons(path(bad)), 1) << bad;
        EXPECT_EQ(button->LoadIcons(path("red.svg"), path(bad)), 1) << bad;
    }
    EXPECT_EQ(pixel(button->iconRect().center()), colour(QPalette::Button));
    EXPECT_EQ(button->AttachIcons(QIcon()), 1);
    EXPECT_EQ(button->AttachIcons(QIcon(path("red.svg"))), 0);
    EXPECT_EQ(pixel(button->iconRect().center()), kRed);
}

TEST_F(HoverButtonTest, SecondIconShowsWhileTheMouseIsElsewhere)
{
    ASSERT_EQ(button->LoadIcons(path("red.svg"), path("blue.svg")), 0);
    const QPoint centre = button->iconRect().center();
    EXPECT_EQ(pixel(centre), kBlue);
    QTest::mouseMove(button);
    EXPECT_EQ(pixel(centre), kRed);
    QTest::mouseMove(other);
    EXPECT_EQ(pixel(centre), kBlue);
}

TEST_F(HoverButtonTest, RaisedWhileTheMouseIsOverItInTheActiveWindow)
{
    EXPECT_EQ(button->edge(), Edge::Flat);
    EXPECT_EQ(corner(true), colour(QPalette::Button));

    QTest::mouseMove(button);
    EXPECT_TRUE(button->isHovering());
    EXPECT_EQ(button->edge(), Edge::Raised);
    EXPECT_EQ(corner(true), colour(QPalette::Light));
    EXPECT_EQ(corner(false), colour(QPalette::Dark));

    QTest::mouseMove(other);
    EXPECT_EQ(button->edge(), Edge::Flat);

    // Focus loss and deactivation end hovering too; over an inactive window it does not begin.
    button->setFocus();
    QTest::mouseMove(button);
    ASSERT_TRUE(button->isHovering());
    other->setFocus();
    EXPECT_FALSE(button->isHovering());
    QTest::mouseMove(button, {4, 4});
    ASSERT_TRUE(button->isHovering());
    QApplication::setActiveWindow(nullptr);
    EXPECT_FALSE(button->isHovering());
    QTest::mouseMove(button, {6, 6});
    EXPECT_FALSE(button->isHovering());
}

TEST_F(HoverButtonTest, DragFromElsewhereDoesNotRaiseUntilReleased)
{
    const auto enter = [this] {
        QEnterEvent event(QPointF(5, 5), QPointF(5, 5), button->mapToGlobal(QPointF(5, 5)));
        QApplication::sendEvent(button, &event);
    };
    // Pressed through the window, so that the application knows the button is held.
    const QPoint onOther = other->mapTo(&window, other->rect().center());
    QTest::mousePress(window.windowHandle(), Qt::LeftButton, {}, onOther);
    enter();
    QTest::mouseMove(button);
    EXPECT_EQ(button->edge(), Edge::Flat);

    QTest::mouseRelease(window.windowHandle(), Qt::LeftButton, {}, onOther);
    enter();
    EXPECT_EQ(button->edge(), Edge::Raised);
}

TEST_F(HoverButtonTest, PressSinksTheEdgeAndMovesTheIcon)
{
    QSignalSpy clicked(button, &QAbstractButton::clicked);
    QTest::mouseMove(button);
    const QRect resting = button->iconRect();
    QTest::mousePress(button, Qt::LeftButton);
    EXPECT_EQ(button->edge(), Edge::Sunken);
    EXPECT_EQ(button->iconRect(), resting.translated(1, 1));
    EXPECT_EQ(corner(true), colour(QPalette::Dark));
    EXPECT_EQ(corner(false), colour(QPalette::Light));
    EXPECT_EQ(pixel(resting.topLeft()), colour(QPalette::Button));
    EXPECT_EQ(pixel(resting.topLeft() + QPoint(1, 1)), kRed);

    QTest::mouseRelease(button, Qt::LeftButton);
    EXPECT_EQ(button->edge(), Edge::Raised);
    // A quick second click is a second press.
    QTest::mouseDClick(button, Qt::LeftButton);
    EXPECT_EQ(button->edge(), Edge::Sunken);
    QTest::mouseRelease(button, Qt::LeftButton);
    EXPECT_EQ(clicked.count(), 2);
}

TEST_F(HoverButtonTest, DisabledButtonIsGreyNeverRaisedAndPassesTheFocusOn)
{
    QTest::mouseMove(button);
    ASSERT_TRUE(button->isHovering());
    button->setEnabled(false);
    EXPECT_FALSE(button->isHovering());
    EXPECT_LT(QColor(pixel(button->iconRect().center())).hsvSaturation(), 40);
    QTest::mouseMove(other);
    QTest::mouseMove(button, {5, 5});
    EXPECT_FALSE(button->isHovering());

    button->setEnabled(true);
    button->setFocus();
    button->setEnabled(false);
    EXPECT_TRUE(other->hasFocus());
}

TEST_F(HoverButtonTest, TipIsWrappedAndShowsOnlyWhenActivated)
{
    const auto askTip = [this] {
        QToolTip::hideText();
        QHelpEvent event(QEvent::ToolTip, {5, 5}, button->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(button, &event);
    };
    const QString text = QStringLiteral("Start receiving syslog messages ").repeated(8);
    button->SetTipText(text, false);
    askTip();
    EXPECT_FALSE(QToolTip::isVisible());
    button->SetTipText(text);
    askTip();
    EXPECT_TRUE(QTest::qWaitFor([] { return QToolTip::isVisible(); }));

    const QStringList lines = button->toolTip().split(QLatin1Char('\n'));
    EXPECT_GT(lines.size(), 1);
    for (const QString& line : lines)
        EXPECT_LE(QFontMetrics(QToolTip::font()).horizontalAdvance(line),
                  CHoverButton::kMaxTipWidth);
}

TEST(HoverButtonTipTextTest, FillsLinesGreedilyAndBreaksWordsWiderThanALine)
{
    const QFontMetrics metrics(QToolTip::font());
    const int width = metrics.horizontalAdvance(QStringLiteral("Clear the lists"));
    EXPECT_EQ(
        wrapTipText(QStringLiteral("Clear the lists of the chosen  categories"), metrics, width),
        QStringLiteral("Clear the lists\nof the chosen\ncategories"));

    const QString word(80, QLatin1Char('W'));
    const QStringList pieces =
        wrapTipText(QStringLiteral("a ") + word, metrics, width).split(QLatin1Char('\n'));
    ASSERT_GT(pieces.size(), 2);
    EXPECT_EQ(pieces.first(), QStringLiteral("a"));
    EXPECT_EQ(pieces.mid(1).join(QString()), word);
    for (const QString& piece : pieces.mid(1, pieces.size() - 2))
        EXPECT_GT(metrics.horizontalAdvance(piece + QLatin1Char('W')), width);
}

TEST(HoverButtonGeometryTest, IconIsCentredRoundingDownAndFitsInsideTheEdgeWhenPressed)
{
    CHoverButton button;
    button.resize(button.sizeHint());
    button.setDown(true);
    EXPECT_TRUE(button.rect().adjusted(1, 1, -1, -1).contains(button.iconRect()));
    button.setDown(false);
    button.resize(41, 40);
    EXPECT_EQ(button.iconRect(), QRect(4, 4, 32, 32));
    button.resize(21, 20);
    EXPECT_EQ(button.iconRect(), QRect(-6, -6, 32, 32));
}

} // namespace
} // namespace quendal
