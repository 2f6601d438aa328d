#include "app/gui/MainWindowFixture.h"
#include "controls/gui/CColorListCtrl.h"
#include "logs/core/LogList.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QScrollBar>
#include <QStatusBar>

using namespace quendal;
using namespace quendal::test;

namespace {

class BoundedListsWindowTest : public MainWindowTest
{
protected:
    // Opens `file` through the Open command and its dialog, as a user does.
    void openFile(const QString& file)
    {
        window_->OnOpenLog();
        QFileDialog* dialog = window_->fileDialog();
        ASSERT_TRUE(dialog && dialog->isVisible());
        dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(file);
        dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Open)->click();
        ASSERT_TRUE(waitUntil([this] { return window_->fileDialog() == nullptr; }));
    }

    // A FireWall log of `count` entries, "entry 0" the oldest.
    QString writeLog(int count)
    {
        const QString path = dir_.filePath(QStringLiteral("long.flg"));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        for (int i = 0; i < count; ++i)
            file.write("Dec  7 06:07:01\r\ngateway\r\nentry " + QByteArray::number(i) + "\r\n");
        return path;
    }

    // OK in the settings dialog with `rows` typed into its rows-per-list field.
    bool startWithRowsPerList(const QString& rows)
    {
        window_->OnStart();
        CPortSettingsDlg* dialog = window_->settingsDialog();
        dialog->syslogPortEdit()->setText(QString::number(freeUdpPort()));
        dialog->maxRowsEdit()->setText(rows);
        QTest::mouseClick(dialog->okButton(), Qt::LeftButton);
        return !dialog->isVisible();
    }
};

TEST_F(BoundedListsWindowTest, TheDialogShowsTheRowsPerListAndOkAppliesThemToEveryList)
{
    for (LogCategory c : kAllCategories)
        EXPECT_EQ(window_->list(c)->maxRows(), kDefaultMaxRowsPerList);
    LogList* wan = window_->list(LogCategory::Wan);
    for (int i = 0; i < 1500; ++i)
        wan->prepend(LogEntryView{"t", "h", QByteArray::number(i)});

    window_->OnStart();
    CPortSettingsDlg* dialog = window_->settingsDialog();
    EXPECT_EQ(dialog->maxRowsEdit()->text(), QStringLiteral("1000000"));
    // The range is shown beside the field.
    bool rangeShown = false;
    for (QLabel* label : dialog->findChildren<QLabel*>())
        rangeShown = rangeShown || label->text().contains(QStringLiteral("to"));
    EXPECT_TRUE(rangeShown);
    dialog->reject();

    EXPECT_FALSE(startWithRowsPerList(QStringLiteral("999")));
    EXPECT_EQ(window_->settingsDialog()->focusWidget(), window_->settingsDialog()->maxRowsEdit());
    EXPECT_FALSE(window_->isRunning());
    window_->settingsDialog()->maxRowsEdit()->setText(QStringLiteral("1000"));
    QTest::mouseClick(window_->settingsDialog()->okButton(), Qt::LeftButton);
    ASSERT_TRUE(window_->isRunning());

    for (LogCategory c : kAllCategories)
        EXPECT_EQ(window_->list(c)->maxRows(), 1000);
    ASSERT_EQ(wan->size(), 1000);
    EXPECT_EQ(wan->entry(0).message, "1499"); // the newest stayed
    EXPECT_EQ(store_->maxRowsPerList(), 1000);
}

TEST_F(BoundedListsWindowTest, AStoredNumberBoundsTheListsFromTheStart)
{
    store_->storeMaxRowsPerList(2000);
    MainWindowOptions options;
    options.store = store_.get();
    options.listenAddress = htonl(INADDR_LOOPBACK);
    options.trayIcon = &tray_;
    window_ = std::make_unique<CSysLogDlg>(options);
    for (LogCategory c : kAllCategories)
        EXPECT_EQ(window_->list(c)->maxRows(), 2000);
}

TEST_F(BoundedListsWindowTest, OpenOfALongerFileShowsItsNewestEntriesAndSaysSo)
{
    ASSERT_TRUE(startWithRowsPerList(QStringLiteral("1000")));
    window_->OnStop();
    const QString path = writeLog(3000);
    openFile(path);
    LogList* firewall = window_->list(LogCategory::FireWall);
    ASSERT_EQ(firewall->size(), 1000);
    EXPECT_EQ(firewall->entry(0).message, "entry 2999");
    EXPECT_EQ(firewall->entry(999).message, "entry 2000");
    const QString report = window_->statusBar()->currentMessage();
    EXPECT_TRUE(report.contains(QStringLiteral("1000 of 3000 entries"))) << report.toStdString();
    EXPECT_TRUE(report.contains(QStringLiteral("oldest"))) << report.toStdString();
    EXPECT_TRUE(report.contains(path)) << report.toStdString();

    openFile(writeLog(20));
    EXPECT_EQ(firewall->size(), 20);
    EXPECT_EQ(window_->statusBar()->currentMessage(),
              QStringLiteral("Read 20 entries from %1").arg(path));
}

// Counts the paint events a widget receives.
class PaintCounter : public QObject
{
public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        paints += event->type() == QEvent::Paint ? 1 : 0;
        return false;
    }
};

TEST(BoundedListView, AFullListScrolledAwayFromTheTopIsNotRepaintedAsRowsComeAndGo)
{
    LogList list;
    list.setMaxRows(1000);
    CColorListCtrl view;
    view.resize(700, 300);
    view.setList(&list);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    for (int i = 0; i < 1000; ++i)
        list.prepend(LogEntryView{"t", "h", QByteArray::number(i)});
    ASSERT_TRUE(waitUntil([&] { return view.verticalScrollBar()->maximum() > 500; }));
    view.verticalScrollBar()->setValue(400);
    const QByteArray onTop = list.entry(view.topRow()).message.toByteArray();
    QCoreApplication::processEvents();

    // The rows on screen stay where they are while the bottom rows leave, so nothing is drawn.
    PaintCounter counter(view.viewport());
    for (int i = 0; i < 50; ++i) {
        list.prepend(LogEntryView{"t", "h", "new"});
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(counter.paints, 0);
    EXPECT_EQ(list.entry(view.topRow()).message, onTop);

    // Scrolled to the very bottom, the rows on screen are the ones leaving: they are redrawn.
    view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum());
    QCoreApplication::processEvents();
    counter.paints = 0;
    list.prepend(LogEntryView{"t", "h", "newest"});
    EXPECT_TRUE(waitUntil([&] { return counter.paints > 0; }));
}

} // namespace
