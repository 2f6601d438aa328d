// The window's reports name a path as it is, also when it holds "%1" or "%2" itself.
#include "app/gui/MainWindowFixture.h"
#include "logs/core/LogList.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QStatusBar>

using namespace quendal;
using namespace quendal::test;

namespace {

using PercentInPathMessageTest = MainWindowTest;

TEST_F(PercentInPathMessageTest, ReadingTheNewestEntriesOfAFileNamesItsPathAsItIs)
{
    ASSERT_TRUE(QDir(dir_.path()).mkdir(QStringLiteral("logs %1 %4")));
    const QString path = dir_.filePath(QStringLiteral("logs %1 %4/long %2.flg"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    LogList* firewall = window_->list(LogCategory::FireWall);
    firewall->setMaxRows(1000);
    const int count = 1005;
    for (int i = 0; i < count; ++i)
        file.write("Dec  7 06:07:01\r\ngateway\r\nentry " + QByteArray::number(i) + "\r\n");
    file.close();

    window_->OnOpenLog();
    QFileDialog* dialog = window_->fileDialog();
    ASSERT_TRUE(dialog && dialog->isVisible());
    dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(path);
    dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Open)->click();
    ASSERT_TRUE(waitUntil([this] { return window_->fileDialog() == nullptr; }));

    const QString report = window_->statusBar()->currentMessage();
    EXPECT_TRUE(report.contains(QStringLiteral(" of %1 entries from ").arg(count) + path + u' '))
        << report.toStdString();
}

} // namespace
