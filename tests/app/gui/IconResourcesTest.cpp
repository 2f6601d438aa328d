#include <QIcon>
#include <QImage>
#include <QPixmap>

#include <gtest/gtest.h>

namespace quendal::test {
namespace {

// Every icon the window and the desktop use is compiled in and draws something: a broken SVG
// loads as a null pixmap or as a fully transparent one.
TEST(IconResources, EveryIconRendersVisiblePixels)
{
    for (const char* name :
         {"open", "save", "clear", "stop", "start", "quendal-syslog", "quendal-syslog-running"}) {
        const QString path = QStringLiteral(":/icons/%1.svg").arg(QLatin1String(name));
        const QPixmap pixmap = QIcon(path).pixmap(32, 32);
        ASSERT_FALSE(pixmap.isNull()) << name;
        const QImage image = pixmap.toImage();
        int opaque = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                opaque += qAlpha(image.pixel(x, y)) > 128;
        EXPECT_GT(opaque, image.width() * image.height() / 8) << name;
    }
}

} // namespace
} // namespace quendal::test
