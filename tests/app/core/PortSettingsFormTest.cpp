#include "app/core/PortSettingsForm.h"

#include "app/core/SettingsStore.h"
#include "logs/core/LogCategory.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <tuple>

namespace quendal {
namespace {

class PortSettingsFormTest : public ::testing::Test
{
protected:
    PortSettingsFormTest()
        : store(dir.filePath(QStringLiteral("settings.conf"))),
          logFolder(dir.filePath(QStringLiteral("logs")))
    {
        QDir().mkpath(logFolder);
    }

    PortSettingsFields open() { return openPortSettings(settings, store, QStringLiteral("/cwd")); }

    // The dialog as the user leaves it on a first run: defaults, with the test's log folder.
    PortSettingsFields typed()
    {
        PortSettingsFields fields = open();
        fields.logPath = logFolder;
        return fields;
    }

    QString fireWallFile() const { return autoLogFilePath(logFolder, LogCategory::FireWall); }

    QTemporaryDir dir;
    SettingsStore store;
    QString logFolder;
    ReceiverSettings settings;
};

TEST_F(PortSettingsFormTest, FirstRunShowsCurrentDirectoryBothPortsDefaultAndReplayOff)
{
    const PortSettingsFields fields = open();
    EXPECT_EQ(fields.syslogPort, QStringLiteral("514"));
    EXPECT_EQ(fields.replayPort, QStringLiteral("514"));
    EXPECT_EQ(fields.logPath, QStringLiteral("/cwd"));
    EXPECT_EQ(settings.LogPath, QStringLiteral("/cwd"));
    EXPECT_TRUE(fields.replayAddress.isEmpty());
    EXPECT_FALSE(fields.replayEnabled);
}

TEST_F(PortSettingsFormTest, PortTextsOfDigitsUpTo65535PassAndOthersAreResetTo514)
{
    for (const char* good : {"65535", "0", "00514", ""}) {
        PortSettingsFields fields = typed();
        fields.syslogPort = QString::fromLatin1(good);
        EXPECT_TRUE(acceptPortSettings(fields, settings, store).accepted) << good;
        EXPECT_EQ(settings.SyslogPort, QString::fromLatin1(good).toInt()) << good;
    }
    // Wide and Arabic-Indic digits are digits to Unicode, not to a port field.
    for (const QString& bad : {QStringLiteral("65536"), QStringLiteral("5a4"),
                               QStringLiteral("+514"), QStringLiteral("-1"), QStringLiteral(" 514"),
                               QStringLiteral("514 "), QStringLiteral("99999999999999999999"),
                               QStringLiteral("\uff15\uff11\uff14"), QStringLiteral("\u0665")}) {
        PortSettingsFields fields = typed();
        fields.syslogPort = bad;
        const PortSettingsOutcome outcome = acceptPortSettings(fields, settings, store);
        EXPECT_FALSE(outcome.accepted) << bad.toStdString();
        EXPECT_EQ(outcome.rejected, PortSettingsField::SyslogPort) << bad.toStdString();
        EXPECT_EQ(fields.syslogPort, QStringLiteral("514")) << bad.toStdString();
    }
}

TEST_F(PortSettingsFormTest, ARejectedSyslogPortEndsTheOkBeforeTheLogFolderIsTouched)
{
    PortSettingsFields fields = typed();
    fields.syslogPort = QStringLiteral("x");
    acceptPortSettings(fields, settings, store);
    EXPECT_EQ(settings.LogPath, QStringLiteral("/cwd"));
    EXPECT_FALSE(QFile::exists(fireWallFile()));
    EXPECT_FALSE(store.logPath());
}

TEST_F(PortSettingsFormTest, AFolderThatCannotTakeTheLogFileKeepsTheDialogOpenAndStoresNothing)
{
    QFile(dir.filePath(QStringLiteral("plain-file"))).open(QIODevice::WriteOnly);
    for (const QString& folder :
         {dir.filePath(QStringLiteral("missing")), dir.filePath(QStringLiteral("plain-file"))}) {
        PortSettingsFields fields = typed();
        fields.logPath = folder;
        const PortSettingsOutcome outcome = acceptPortSettings(fields, settings, store);
        EXPECT_FALSE(outcome.accepted);
        EXPECT_EQ(outcome.rejected, PortSettingsField::LogPath);
        EXPECT_EQ(fields.logPath, folder);
        // The folder setting takes the new text even though the dialog stays open.
        EXPECT_EQ(settings.LogPath, folder);
        EXPECT_EQ(settings.SyslogPort, 0);
        EXPECT_FALSE(store.logPath());
    }
}

TEST_F(PortSettingsFormTest, AnAcceptedOkLeavesTheFireWallFileInTheFolderWithItsContent)
{
    PortSettingsFields fields = typed();
    ASSERT_TRUE(acceptPortSettings(fields, settings, store).accepted);
    ASSERT_TRUE(QFile::exists(fireWallFile()));
    EXPECT_TRUE(test::readFile(fireWallFile()).isEmpty());

    QFile file(fireWallFile());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("earlier line\r\n");
    file.close();
    // Trailing slashes are dropped for the file but the folder is kept as typed.
    fields = typed();
    fields.logPath = logFolder + QStringLiteral("//");
    ASSERT_TRUE(acceptPortSettings(fields, settings, store).accepted);
    EXPECT_EQ(test::readFile(fireWallFile()), QByteArray("earlier line\r\n"));
    EXPECT_EQ(settings.LogPath, logFolder + QStringLiteral("//"));
    EXPECT_EQ(store.logPath(), logFolder + QStringLiteral("//"));
}

TEST_F(PortSettingsFormTest, ALongLogFolderIsUsedAndStoredInFull)
{
    QString folder = logFolder;
    while (folder.size() <= 300)
        folder += QStringLiteral("/a-rather-long-folder-name");
    ASSERT_TRUE(QDir().mkpath(folder));
    PortSettingsFields fields = typed();
    fields.logPath = folder;
    ASSERT_TRUE(acceptPortSettings(fields, settings, store).accepted);
    EXPECT_EQ(settings.LogPath, folder);
    EXPECT_EQ(store.logPath(), folder);
    EXPECT_TRUE(QFile::exists(autoLogFilePath(folder, LogCategory::FireWall)));
}

TEST_F(PortSettingsFormTest, ReplayFieldsAreCheckedOnlyWhenTickedAndLeftStoredOtherwise)
{
    store.store(QStringLiteral("/old"),
                StoredReplayTarget{QStringLiteral("7000"), QStringLiteral("10.0.0.7")});
    PortSettingsFields fields = typed();
    EXPECT_EQ(fields.replayPort, QStringLiteral("7000"));
    EXPECT_EQ(fields.replayAddress, QStringLiteral("10.0.0.7"));
    fields.replayPort = QStringLiteral("not a port");
    fields.replayAddress = QStringLiteral("nowhere");
    ASSERT_TRUE(acceptPortSettings(fields, settings, store).accepted);
    EXPECT_EQ(fields.replayPort, QStringLiteral("not a port"));
    EXPECT_FALSE(settings.ReplayEnabled);
    EXPECT_EQ(settings.ReplayPort, 0);
    EXPECT_EQ(store.logPath(), logFolder);
    EXPECT_EQ(store.replayPortText(), QStringLiteral("7000"));
    EXPECT_EQ(store.replayAddress(), QStringLiteral("10.0.0.7"));
}

TEST_F(PortSettingsFormTest, TickedReplayRejectsABadPortOrAnIncompleteAddress)
{
    PortSettingsFields fields = typed();
    fields.replayEnabled = true;
    fields.replayAddress = QStringLiteral("192.168.1.10");
    fields.replayPort = QStringLiteral("70000");
    PortSettingsOutcome outcome = acceptPortSettings(fields, settings, store);
    EXPECT_EQ(outcome.rejected, PortSettingsField::ReplayPort);
    EXPECT_EQ(fields.replayPort, QStringLiteral("514"));

    for (const char* bad : {"", "192.168.1", "192.168.1.256", "192.168.1.10.1", "192.168..10",
                            " 192.168.1.10", "192.168.1.1a", "1234.1.1.1"}) {
        fields.replayAddress = QString::fromLatin1(bad);
        outcome = acceptPortSettings(fields, settings, store);
        EXPECT_FALSE(outcome.accepted) << bad;
        EXPECT_EQ(outcome.rejected, PortSettingsField::ReplayAddress) << bad;
        EXPECT_EQ(fields.replayAddress, QString::fromLatin1(bad));
    }
    EXPECT_FALSE(settings.ReplayEnabled);
    EXPECT_FALSE(store.logPath());
    EXPECT_FALSE(store.replayAddress());
}

TEST_F(PortSettingsFormTest, TickedReplaySetsAndStoresTheTargetAndASecondOpeningShowsIt)
{
    PortSettingsFields fields = typed();
    fields.replayEnabled = true;
    fields.replayPort = QStringLiteral("6000");
    fields.replayAddress = QStringLiteral("192.168.1.10");
    ASSERT_TRUE(acceptPortSettings(fields, settings, store).accepted);
    EXPECT_TRUE(settings.ReplayEnabled);
    EXPECT_EQ(settings.ReplayPort, 6000);
    EXPECT_EQ(settings.ReplayAddress, QStringLiteral("192.168.1.10"));
    EXPECT_EQ(settings.SyslogPort, 514);
    EXPECT_EQ(store.replayPortText(), QStringLiteral("6000"));
    EXPECT_EQ(store.replayAddress(), QStringLiteral("192.168.1.10"));

    // This run's Replay address wins over whatever the store holds by now.
    store.store(logFolder, StoredReplayTarget{QStringLiteral("6001"), QStringLiteral("10.1.1.1")});
    fields = open();
    EXPECT_TRUE(fields.replayEnabled);
    EXPECT_EQ(fields.replayAddress, QStringLiteral("192.168.1.10"));
    EXPECT_EQ(fields.replayPort, QStringLiteral("6001"));
    EXPECT_EQ(fields.syslogPort, QStringLiteral("514"));
    EXPECT_EQ(fields.logPath, logFolder);
}

TEST_F(PortSettingsFormTest, ReplayAddressWithLeadingZerosIsTakenAsDecimal)
{
    PortSettingsFields fields = typed();
    fields.replayEnabled = true;
    fields.replayAddress = QStringLiteral("192.168.001.010");
    ASSERT_TRUE(acceptPortSettings(fields, settings, store).accepted);
    EXPECT_EQ(settings.ReplayAddress, QStringLiteral("192.168.1.10"));
    EXPECT_EQ(store.replayAddress(), QStringLiteral("192.168.1.10"));
}

TEST_F(PortSettingsFormTest, ReplayTakesOneIpv6HostInTheFormSendersAreShownIn)
{
    PortSettingsFields fields = typed();
    fields.replayEnabled = true;
    for (const char* bad : {"::", "[::]", "ff02::1", "::1 ", "::g", "[::1", "1::2::3"}) {
        fields.replayAddress = QString::fromLatin1(bad);
        const PortSettingsOutcome outcome = acceptPortSettings(fields, settings, store);
        EXPECT_EQ(outcome.rejected, PortSettingsField::ReplayAddress) << bad;
        EXPECT_EQ(fields.replayAddress, QString::fromLatin1(bad));
    }
    fields.replayAddress = QStringLiteral("[2001:DB8::0:10]");
    ASSERT_TRUE(acceptPortSettings(fields, settings, store).accepted);
    EXPECT_EQ(settings.ReplayAddress, QStringLiteral("2001:db8::10"));
    EXPECT_EQ(fields.replayAddress, QStringLiteral("2001:db8::10"));
    EXPECT_EQ(store.replayAddress(), QStringLiteral("2001:db8::10"));
}

TEST_F(PortSettingsFormTest, AStoreThatCannotBeWrittenStillAcceptsForThisRun)
{
    QFile(dir.filePath(QStringLiteral("blocker"))).open(QIODevice::WriteOnly);
    SettingsStore unwritable(dir.filePath(QStringLiteral("blocker/settings.conf")));
    PortSettingsFields fields = typed();
    fields.syslogPort = QStringLiteral("1514");
    ASSERT_TRUE(acceptPortSettings(fields, settings, unwritable).accepted);
    EXPECT_EQ(settings.SyslogPort, 1514);
    EXPECT_EQ(settings.LogPath, logFolder);
    // The next opening finds nothing stored and falls back to the current directory.
    EXPECT_EQ(openPortSettings(settings, unwritable, QStringLiteral("/cwd")).logPath,
              QStringLiteral("/cwd"));
}

TEST_F(PortSettingsFormTest, StartingAtOnceIsOffUntilChosenAndRemembersPortAndReplay)
{
    QString problem;
    EXPECT_FALSE(open().autoStart);
    EXPECT_EQ(prepareAutoStart(settings, store, &problem), AutoStart::Off);

    PortSettingsFields fields = typed();
    fields.syslogPort = QStringLiteral("1514");
    fields.maxRowsPerList = QStringLiteral("5000");
    fields.replayEnabled = true;
    fields.replayAddress = QStringLiteral("127.0.0.7");
    fields.replayPort = QStringLiteral("6514");
    fields.autoStart = true;
    ASSERT_TRUE(acceptPortSettings(fields, settings, store).accepted);

    // The next run, with settings of its own: the remembered ones are put in without the dialog.
    ReceiverSettings next;
    EXPECT_EQ(prepareAutoStart(next, store, &problem), AutoStart::Ready);
    EXPECT_TRUE(problem.isEmpty());
    EXPECT_EQ(next.SyslogPort, 1514);
    EXPECT_EQ(next.LogPath, logFolder);
    EXPECT_EQ(next.MaxRowsPerList, 5000);
    EXPECT_TRUE(next.ReplayEnabled);
    EXPECT_EQ(next.ReplayAddress, QStringLiteral("127.0.0.7"));
    EXPECT_EQ(next.ReplayPort, 6514);
    // The dialog, opened by Start, shows the choice and the remembered port.
    const PortSettingsFields shown = openPortSettings(next, store, QStringLiteral("/cwd"));
    EXPECT_TRUE(shown.autoStart);
    EXPECT_EQ(shown.syslogPort, QStringLiteral("1514"));

    // Unticked, the dialog is back at the next start and the port proposed is 514 again.
    PortSettingsFields unticked = shown;
    unticked.autoStart = false;
    ASSERT_TRUE(acceptPortSettings(unticked, next, store).accepted);
    ReceiverSettings third;
    EXPECT_EQ(prepareAutoStart(third, store, &problem), AutoStart::Off);
    EXPECT_EQ(openPortSettings(third, store, QStringLiteral("/cwd")).syslogPort,
              QStringLiteral("514"));
}

TEST_F(PortSettingsFormTest, ARejectedOkDoesNotSwitchStartingAtOnceOn)
{
    PortSettingsFields fields = typed();
    fields.syslogPort = QStringLiteral("70000");
    fields.autoStart = true;
    ASSERT_FALSE(acceptPortSettings(fields, settings, store).accepted);
    QString problem;
    EXPECT_EQ(prepareAutoStart(settings, store, &problem), AutoStart::Off);
}

TEST_F(PortSettingsFormTest, RememberedSettingsThatFailTheChecksOpenTheDialogInstead)
{
    PortSettingsFields fields = typed();
    fields.autoStart = true;
    ASSERT_TRUE(acceptPortSettings(fields, settings, store).accepted);

    // The log folder has become a file: the reason names the FireWall file.
    const QString blocker = dir.filePath(QStringLiteral("blocker"));
    QFile(blocker).open(QIODevice::WriteOnly);
    ASSERT_TRUE(store.store(blocker, std::nullopt));
    ReceiverSettings next;
    QString problem;
    EXPECT_EQ(prepareAutoStart(next, store, &problem), AutoStart::Unusable);
    EXPECT_TRUE(problem.startsWith(QStringLiteral("Cannot write log file ") +
                                   autoLogFilePath(blocker, LogCategory::FireWall) +
                                   QStringLiteral(": ")))
        << problem.toStdString();
    EXPECT_EQ(next.SyslogPort, 0);

    // A hand-edited port or Replay target is refused as the dialog's OK would refuse it.
    ASSERT_TRUE(store.store(logFolder, std::nullopt));
    for (const auto& [port, replay, address] :
         {std::tuple{"65536", false, "10.0.0.1"}, std::tuple{"514", true, "255.255.255.255"},
          std::tuple{"514", true, "10.0.0"}}) {
        ASSERT_TRUE(store.storeAutoStart(StoredAutoStart{QString::fromLatin1(port), replay}));
        ASSERT_TRUE(store.store(
            logFolder, StoredReplayTarget{QStringLiteral("514"), QString::fromLatin1(address)}));
        problem.clear();
        EXPECT_EQ(prepareAutoStart(next, store, &problem), AutoStart::Unusable) << port << address;
    }
}

} // namespace
} // namespace quendal
