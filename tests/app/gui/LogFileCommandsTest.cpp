#include "app/gui/MainWindowFixture.h"
#include "logs/core/LogList.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>

using namespace quendal;
using namespace quendal::test;

namespace {

void add(LogList* list, const char* time, const char* host, const char* message, Severity severity)
{
    list->prepend(LogEntryView{time, host, message, severity});
}

LogEntry row(const LogList* list, qsizetype index)
{
    return LogEntry::from(list->entry(index));
}

class LogFileCommandsTest : public MainWindowTest
{
protected:
    QString path(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }

    // The dialog Save or Open has just put up; null when none is open.
    QFileDialog* dialog() const
    {
        QFileDialog* d = window_->fileDialog();
        return d && d->isVisible() ? d : nullptr;
    }

    // Chooses `file` in the open dialog as a user does who types its full name and presses the
    // button.
    void choose(const QString& file)
    {
        QFileDialog* d = dialog();
        ASSERT_NE(d, nullptr);
        auto* name = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(name, nullptr);
        name->setText(file);
        auto* buttons = d->findChild<QDialogButtonBox*>();
        ASSERT_NE(buttons, nullptr);
        QPushButton* accept =
            buttons->button(d->acceptMode() == QFileDialog::AcceptSave ? QDialogButtonBox::Save
                                                                       : QDialogButtonBox::Open);
        ASSERT_TRUE(accept && accept->isEnabled());
        accept->click();
        EXPECT_TRUE(waitUntil([this] { return window_->fileDialog() == nullptr; }));
    }

    void saveActivePageAs(const QString& file)
    {
        window_->OnSaveLog();
        choose(file);
    }

    void openFile(const QString& file)
    {
        window_->OnOpenLog();
        choose(file);
    }

    void fillFireWall()
    {
        LogList* firewall = window_->list(LogCategory::FireWall);
        add(firewall, "Mar 14 09:26:53", "gateway", "Packet blocked", Severity::Unknown);
        add(firewall, "Mar 14 09:27:10", "gateway", "Link down", Severity::Emergency);
    }
};

TEST_F(LogFileCommandsTest, SaveWritesTheActiveListOldestFirstAndOpenBringsItBack)
{
    fillFireWall();
    window_->OnSaveLog();
    QFileDialog* d = dialog();
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->acceptMode(), QFileDialog::AcceptSave);
    EXPECT_EQ(
        d->nameFilters(),
        QStringList({QStringLiteral("FireWall Log (*.flg)"), QStringLiteral("VPN Log (*.vlg)"),
                     QStringLiteral("User Access Log (*.ulg)"), QStringLiteral("Call Log (*.clg)"),
                     QStringLiteral("WAN Log (*.wlg)"), QStringLiteral("All Files (*)")}));
    EXPECT_EQ(d->selectedNameFilter(), QStringLiteral("FireWall Log (*.flg)"));
    EXPECT_TRUE(d->isModal());
    choose(path("saved.flg"));

    EXPECT_EQ(readFile(path("saved.flg")),
              QByteArray("Mar 14 09:26:53\r\ngateway\r\nPacket blocked\r\n"
                         "[Mar 14 09:27:10]\r\ngateway\r\nLink down\r\n"));
    EXPECT_TRUE(window_->statusBar()->currentMessage().contains(QStringLiteral("Saved 2 entries")));

    // Read back into an emptied list: the newer entry on top and red again.
    LogList* firewall = window_->list(LogCategory::FireWall);
    firewall->clear();
    openFile(path("saved.flg"));
    ASSERT_EQ(firewall->size(), 2);
    EXPECT_EQ(row(firewall, 0),
              (LogEntry{"Mar 14 09:27:10", "gateway", "Link down", Severity::Emergency}));
    EXPECT_EQ(row(firewall, 1), (LogEntry{"Mar 14 09:26:53", "gateway", "Packet blocked"}));
}

TEST_F(LogFileCommandsTest, SaveTakesTheActivePageWhateverTheNameAndAddsItsExtension)
{
    add(window_->list(LogCategory::Call), "Mar 14 10:00:00", "phone", "Call from 301",
        Severity::Unknown);
    fillFireWall();
    window_->sheet()->setCurrentIndex(categoryIndex(LogCategory::Call));

    window_->OnSaveLog();
    ASSERT_NE(dialog(), nullptr);
    EXPECT_EQ(dialog()->selectedNameFilter(), QStringLiteral("Call Log (*.clg)"));
    choose(path("calls.flg"));
    EXPECT_EQ(readFile(path("calls.flg")),
              QByteArray("Mar 14 10:00:00\r\nphone\r\nCall from 301\r\n"));

    saveActivePageAs(path("no-extension"));
    EXPECT_FALSE(QFile::exists(path("no-extension")));
    EXPECT_EQ(readFile(path("no-extension.clg")), readFile(path("calls.flg")));
}

TEST_F(LogFileCommandsTest, AnEmptyListOrCancelWritesNothing)
{
    // Empty list: said at once, no file name asked for.
    window_->OnSaveLog();
    EXPECT_EQ(dialog(), nullptr);

    fillFireWall();
    window_->OnSaveLog();
    ASSERT_NE(dialog(), nullptr);
    dialog()->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(path("cancelled.flg"));
    dialog()->reject();
    processPostedEvents();
    EXPECT_FALSE(QFile::exists(path("cancelled.flg")));
}

TEST_F(LogFileCommandsTest, ReplacingAFileIsConfirmedFirst)
{
    fillFireWall();
    QFile existing(path("replace.flg"));
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.write("old contents\r\n");
    existing.close();

    bool asked = false;
    QTimer::singleShot(0, [&asked] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            asked = true;
            box->button(QMessageBox::Yes)->click();
        }
    });
    saveActivePageAs(path("replace.flg"));
    EXPECT_TRUE(asked);
    EXPECT_TRUE(readFile(path("replace.flg")).startsWith("Mar 14 09:26:53\r\n"));
}

TEST_F(LogFileCommandsTest, OpenPicksThePageByExactExtensionOrFillsTheActiveOne)
{
    fillFireWall();
    saveActivePageAs(path("entries.vlg"));
    ASSERT_TRUE(QFile::copy(path("entries.vlg"), path("entries.VLG")));
    ASSERT_TRUE(QFile::copy(path("entries.vlg"), path("entries.txt")));
    window_->list(LogCategory::FireWall)->clear();
    LogList* vpn = window_->list(LogCategory::VPN);
    LogList* firewall = window_->list(LogCategory::FireWall);

    // "vlg" with the FireWall page showing: the VPN page comes up, filled.
    openFile(path("entries.vlg"));
    EXPECT_EQ(window_->sheet()->currentIndex(), categoryIndex(LogCategory::VPN));
    EXPECT_EQ(vpn->size(), 2);
    EXPECT_EQ(firewall->size(), 0);

    // Upper case and unknown extensions fill whatever page is active, replacing its rows.
    window_->sheet()->setCurrentIndex(categoryIndex(LogCategory::FireWall));
    add(firewall, "Jan 01 00:00:00", "old", "replaced by the file", Severity::Unknown);
    openFile(path("entries.VLG"));
    EXPECT_EQ(window_->sheet()->currentIndex(), categoryIndex(LogCategory::FireWall));
    EXPECT_EQ(firewall->size(), 2);
    openFile(path("entries.txt"));
    EXPECT_EQ(firewall->size(), 2);
    EXPECT_TRUE(row(firewall, 0).isEmergency());
    EXPECT_EQ(vpn->size(), 2);
}

TEST_F(LogFileCommandsTest, NetworkPagesOfferNoSaveOrOpen)
{
    window_->sheet()->setCurrentIndex(CSysLogDlg::TcpTablePage);
    window_->OnSaveLog();
    EXPECT_EQ(dialog(), nullptr);
    window_->OnOpenLog();
    EXPECT_EQ(dialog(), nullptr);
}

TEST_F(LogFileCommandsTest, EntriesKeepArrivingWhileTheSaveDialogIsOpen)
{
    const quint16 port = startOnFreePort();
    ASSERT_NE(port, 0);
    LoopbackPeer router;
    router.sendTo(port, "<131>Mar 14 09:26:52 gateway: Packet allowed");
    ASSERT_TRUE(waitUntil([this] { return window_->list(LogCategory::FireWall)->size() == 1; }));
    window_->OnSaveLog();
    ASSERT_NE(dialog(), nullptr);
    router.sendTo(port, "<131>Mar 14 09:26:53 gateway: Packet blocked");
    EXPECT_TRUE(waitUntil([this] { return window_->list(LogCategory::FireWall)->size() == 2; }));
    EXPECT_NE(dialog(), nullptr);
    choose(path("while-open.flg"));
    EXPECT_EQ(readFile(path("while-open.flg")),
              QByteArray("Mar 14 09:26:52\r\ngateway\r\nPacket allowed\r\n"
                         "Mar 14 09:26:53\r\ngateway\r\nPacket blocked\r\n"));
}

} // namespace
