#include "app/core/SettingsStore.h"

#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace quendal {
namespace {

TEST(SettingsStore, NothingIsReadFromAStoreNeverWritten)
{
    QTemporaryDir dir;
    const SettingsStore store(dir.filePath(QStringLiteral("settings.conf")));
    EXPECT_FALSE(store.logPath());
    EXPECT_FALSE(store.replayPortText());
    EXPECT_FALSE(store.replayAddress());
}

TEST(SettingsStore, TextsComeBackExactlyAsStoredAndReplayValuesOnlyWhenGiven)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("settings.conf"));
    // Commas, quotes, blanks at the ends and non-ASCII letters are what INI files mangle.
    const QString awkwardPath = QStringLiteral(" /srv/logs, \"router\"; Gr\u00fc\u00dfe/ ");
    SettingsStore store(file);
    ASSERT_TRUE(
        store.store(QStringLiteral("/first"),
                    StoredReplayTarget{QStringLiteral("06000"), QStringLiteral("10.0.0.9")}));
    ASSERT_TRUE(store.store(awkwardPath, std::nullopt));

    const SettingsStore reread(file);
    EXPECT_EQ(reread.logPath(), awkwardPath);
    EXPECT_EQ(reread.replayPortText(), QStringLiteral("06000"));
    EXPECT_EQ(reread.replayAddress(), QStringLiteral("10.0.0.9"));
    EXPECT_TRUE(test::readFile(file).contains("DefaultLogPath"));
    EXPECT_TRUE(test::readFile(file).contains("ReplaySysLogPort"));
    EXPECT_TRUE(test::readFile(file).contains("ReplaySysLogIP"));
}

TEST(SettingsStore, AStoreThatCannotBeWrittenReportsItAndKeepsNothing)
{
    QTemporaryDir dir;
    // A regular file where the store's folder would be: no one, not even root, can create it.
    const QString blocker = dir.filePath(QStringLiteral("blocker"));
    QFile(blocker).open(QIODevice::WriteOnly);
    SettingsStore store(blocker + QStringLiteral("/settings.conf"));
    EXPECT_FALSE(
        store.store(QStringLiteral("/srv/logs"),
                    StoredReplayTarget{QStringLiteral("6000"), QStringLiteral("10.0.0.9")}));
    EXPECT_FALSE(store.logPath());
    EXPECT_FALSE(store.replayAddress());
}

TEST(SettingsStore, TheUsersStoreIsTheOrganisationsFileInTheConfigFolder)
{
    const QString configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
    ASSERT_FALSE(configHome.isEmpty());
    SettingsStore store;
    EXPECT_EQ(QDir::cleanPath(store.fileName()),
              QDir::cleanPath(configHome + QStringLiteral("/QuendalSysLog.conf")));
    ASSERT_TRUE(store.store(QStringLiteral("/srv/router-logs"), std::nullopt));
    EXPECT_EQ(SettingsStore().logPath(), QStringLiteral("/srv/router-logs"));
    QFile::remove(store.fileName());
}

TEST(SettingsStore, StartingAtOnceIsKeptOnlyWhileSwitchedOn)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("settings.conf"));
    SettingsStore store(file);
    EXPECT_FALSE(store.autoStart());
    ASSERT_TRUE(store.storeAutoStart(StoredAutoStart{QStringLiteral("01514"), true}));
    const std::optional<StoredAutoStart> reread = SettingsStore(file).autoStart();
    ASSERT_TRUE(reread);
    EXPECT_EQ(reread->portText, QStringLiteral("01514"));
    EXPECT_TRUE(reread->replayEnabled);

    ASSERT_TRUE(store.storeAutoStart(std::nullopt));
    EXPECT_FALSE(SettingsStore(file).autoStart());
    // Switched on by hand without a port: nothing to start with.
    QFile::remove(file);
    ASSERT_TRUE(store.storeValues({{QStringLiteral("AutoStart"), true}}));
    EXPECT_FALSE(SettingsStore(file).autoStart());
}

} // namespace
} // namespace quendal
