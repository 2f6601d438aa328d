#include "app/core/PortSettingsForm.h"
#include "app/core/Settings.h"
#include "app/core/SettingsStore.h"
#include "support/TestSupport.h"

#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace quendal {
namespace {

TEST(RowsPerList, DigitsWithinTheRangeAreAcceptedAndNothingElse)
{
    EXPECT_EQ(parseMaxRowsText(u"1000"), 1000);
    EXPECT_EQ(parseMaxRowsText(u"0001000"), 1000);
    EXPECT_EQ(parseMaxRowsText(u"1000000"), 1'000'000);
    EXPECT_EQ(parseMaxRowsText(u"20000000"), kMostRowsPerList);
    for (const QString& bad :
         {QStringLiteral(""), QStringLiteral("999"), QStringLiteral("0"),
          QStringLiteral("20000001"), QStringLiteral("99999999999999999999999"),
          QStringLiteral("1,000,000"), QStringLiteral(" 5000"), QStringLiteral("-5000"),
          QStringLiteral("5e6"), QStringLiteral("\uff15\uff10\uff10\uff10")})
        EXPECT_FALSE(parseMaxRowsText(bad)) << bad.toStdString();
}

class RowsPerListForm : public ::testing::Test
{
protected:
    RowsPerListForm() : store(dir.filePath(QStringLiteral("settings.conf"))) {}

    PortSettingsFields opened()
    {
        PortSettingsFields fields = openPortSettings(settings, store, dir.path());
        return fields;
    }

    QTemporaryDir dir;
    SettingsStore store;
    ReceiverSettings settings;
};

TEST_F(RowsPerListForm, AMillionRowsUntilTheUserChoosesOtherwiseAndThenWhatWasChosen)
{
    PortSettingsFields fields = opened();
    EXPECT_EQ(fields.maxRowsPerList, QStringLiteral("1000000"));
    EXPECT_EQ(settings.MaxRowsPerList, kDefaultMaxRowsPerList);

    fields.maxRowsPerList = QStringLiteral("250000");
    ASSERT_TRUE(acceptPortSettings(fields, settings, store).accepted);
    EXPECT_EQ(settings.MaxRowsPerList, 250'000);
    EXPECT_EQ(store.maxRowsPerList(), 250'000);
    EXPECT_EQ(QSettings(store.fileName(), QSettings::IniFormat)
                  .value(QStringLiteral("MaxRowsPerList"))
                  .toString(),
              QStringLiteral("250000"));

    // A later run starts from the stored number.
    ReceiverSettings nextRun;
    EXPECT_EQ(openPortSettings(nextRun, store, dir.path()).maxRowsPerList,
              QStringLiteral("250000"));
    EXPECT_EQ(nextRun.MaxRowsPerList, 250'000);
}

TEST_F(RowsPerListForm, ANumberOutsideTheRangeKeepsTheDialogOpenAndChangesNothing)
{
    for (const char* bad : {"999", "", "20000001", "12a"}) {
        PortSettingsFields fields = opened();
        fields.maxRowsPerList = QString::fromLatin1(bad);
        const PortSettingsOutcome outcome = acceptPortSettings(fields, settings, store);
        EXPECT_FALSE(outcome.accepted) << bad;
        EXPECT_EQ(outcome.rejected, PortSettingsField::MaxRowsPerList) << bad;
        EXPECT_EQ(fields.maxRowsPerList, QString::fromLatin1(bad)); // kept as typed
        EXPECT_EQ(settings.MaxRowsPerList, kDefaultMaxRowsPerList);
        EXPECT_FALSE(store.maxRowsPerList());
        EXPECT_FALSE(store.logPath()); // nothing of this OK is stored
    }
}

TEST_F(RowsPerListForm, AHandEditedStoreOutsideTheRangeIsIgnored)
{
    for (const char* stored : {"5", "banana", "100000000"}) {
        QSettings(store.fileName(), QSettings::IniFormat)
            .setValue(QStringLiteral("MaxRowsPerList"), QString::fromLatin1(stored));
        EXPECT_FALSE(store.maxRowsPerList()) << stored;
        ReceiverSettings run;
        EXPECT_EQ(openPortSettings(run, store, dir.path()).maxRowsPerList,
                  QStringLiteral("1000000"));
    }
}

} // namespace
} // namespace quendal
