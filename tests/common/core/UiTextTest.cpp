#include "common/core/UiText.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace quendal {
namespace {

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(file.write(bytes), bytes.size());
}

// "T9000", "T9001", ... one per line, each ended by `lineEnd`.
QByteArray translatedLines(int count, const QByteArray& lineEnd = "\n")
{
    QByteArray bytes;
    for (int i = 0; i < count; ++i)
        bytes += "T" + QByteArray::number(kFirstUiText + i) + lineEnd;
    return bytes;
}

QString translated(int number)
{
    return QStringLiteral("T%1").arg(number);
}

TEST(BuiltinUiText, HoldsTheEnglishTextsOfTheTable)
{
    EXPECT_EQ(BuiltinUiText(9000), QStringLiteral("&About QuenDalSysLog..."));
    EXPECT_EQ(BuiltinUiText(9002), QStringLiteral("Any"));
    EXPECT_EQ(BuiltinUiText(9005), QStringLiteral("Soure Address :"));
    EXPECT_EQ(BuiltinUiText(9016), QStringLiteral("WAN Status"));
    EXPECT_EQ(BuiltinUiText(9022), QStringLiteral("QuenDalSysLog"));
    EXPECT_EQ(BuiltinUiText(9038), QStringLiteral("SYSLOG Select Port"));
    EXPECT_EQ(BuiltinUiText(9047), QStringLiteral("Unknown status"));
    EXPECT_EQ(BuiltinUiText(9079), QStringLiteral("Browser.."));
    EXPECT_EQ(BuiltinUiText(9082), QStringLiteral("Replay port:"));
}

TEST(BuiltinUiText, EveryNumberHasADistinctTextAndNothingOutsideTheRange)
{
    QStringList seen;
    for (int number = kFirstUiText; number <= kLastAddedUiText; ++number) {
        const QString text = BuiltinUiText(number);
        EXPECT_FALSE(text.isEmpty()) << number;
        // A duplicate would mean a line slipped and every later number shows its neighbour.
        EXPECT_FALSE(seen.contains(text)) << number << " " << text.toStdString();
        seen.append(text);
    }
    EXPECT_TRUE(BuiltinUiText(kFirstUiText - 1).isEmpty());
    EXPECT_TRUE(BuiltinUiText(kLastAddedUiText + 1).isEmpty());
    EXPECT_TRUE(UiTextTable().text(kFirstUiText - 1).isEmpty());
    EXPECT_TRUE(UiTextTable().text(kLastAddedUiText + 1).isEmpty());
}

// Each test loads into a table of its own.
class UiTextLoading : public ::testing::Test
{
protected:
    // The table a load gives, the built-in one when it fails; true when a file supplied it.
    bool load(const QString& folder)
    {
        return use(UiTextTable::fromFolder(folder).value_or(UiTextTable()));
    }
    bool use(const UiTextTable& texts)
    {
        texts_ = texts;
        return texts_.fromFile();
    }
    QString text(int number) const { return texts_.text(number); }

    UiTextTable texts_;
};

class UiTextFile : public UiTextLoading
{
protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }

    QString folder() const { return dir_.path(); }
    QString filePath() const { return dir_.filePath(QStringLiteral("SysLogLang.txt")); }

    // Loads a complete translation, so that a later failed load has something to undo.
    void loadComplete()
    {
        writeFile(filePath(), translatedLines(kUiTextCount));
        ASSERT_TRUE(load(folder()));
        ASSERT_EQ(text(9002), translated(9002));
    }

    QTemporaryDir dir_;
};

TEST_F(UiTextFile, MissingFileLeavesTheBuiltinTexts)
{
    EXPECT_FALSE(load(folder()));
    EXPECT_EQ(text(9002), QStringLiteral("Any"));
    EXPECT_EQ(text(9022), QStringLiteral("QuenDalSysLog"));
}

TEST_F(UiTextFile, FileShortOfOneLineIsIgnoredWhole)
{
    writeFile(filePath(), translatedLines(kUiTextCount - 1));
    EXPECT_FALSE(load(folder()));
    // Even the 82 lines that were there are not used.
    EXPECT_EQ(text(9000), BuiltinUiText(9000));
    EXPECT_EQ(text(9081), BuiltinUiText(9081));
    EXPECT_EQ(text(9082), BuiltinUiText(9082));
}

TEST_F(UiTextFile, CompleteFileReplacesEveryTextAndLinesBeyondAreIgnored)
{
    writeFile(filePath(), translatedLines(kAllUiTextCount + 7));
    EXPECT_TRUE(load(folder()));
    for (int number = kFirstUiText; number <= kLastAddedUiText; ++number)
        EXPECT_EQ(text(number), translated(number));
    EXPECT_TRUE(text(kLastAddedUiText + 1).isEmpty());
}

TEST_F(UiTextFile, AClassicFileOf83LinesShowsTheAddedTextsInEnglish)
{
    writeFile(filePath(), translatedLines(kUiTextCount + 2));
    ASSERT_TRUE(load(folder()));
    EXPECT_EQ(text(9082), translated(9082));
    EXPECT_EQ(text(9083), translated(9083));
    EXPECT_EQ(text(9084), translated(9084));
    for (int number = 9085; number <= kLastAddedUiText; ++number)
        EXPECT_EQ(text(number), BuiltinUiText(number)) << number;
}

TEST(UiTextSample, TheShippedSampleHoldsEveryBuiltinTextInOrder)
{
    QFile sample(QStringLiteral(QUENDAL_SOURCE_DIR "/resources/lang/SysLogLang.txt"));
    ASSERT_TRUE(sample.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = sample.readAll().split('\n');
    ASSERT_EQ(lines.size(), kAllUiTextCount + 1); // the last line end leaves an empty piece
    for (int number = kFirstUiText; number <= kLastAddedUiText; ++number)
        EXPECT_EQ(QString::fromUtf8(lines.at(number - kFirstUiText).chopped(1)),
                  BuiltinUiText(number));
}

TEST_F(UiTextFile, EmptyLineGivesAnEmptyTextWhileTheBuiltinTextStaysAvailable)
{
    writeFile(filePath(), translatedLines(22) + "\n" + translatedLines(60));
    ASSERT_TRUE(load(folder()));
    EXPECT_TRUE(text(9022).isEmpty());
    EXPECT_EQ(BuiltinUiText(9022), QStringLiteral("QuenDalSysLog"));
    EXPECT_EQ(text(9021), translated(9021));
    // Line 24 is the first line of the second block.
    EXPECT_EQ(text(9023), translated(9000));
}

TEST_F(UiTextFile, CrLfLfAndAMissingFinalLineEndGiveTheSameTexts)
{
    writeFile(filePath(), translatedLines(kUiTextCount, "\n"));
    ASSERT_TRUE(load(folder()));
    QStringList withLf;
    for (int number = kFirstUiText; number <= kLastUiText; ++number)
        withLf.append(text(number));

    QByteArray mixed;
    for (int number = kFirstUiText; number <= kLastUiText; ++number) {
        mixed += translated(number).toLatin1();
        // The 83rd line ends the file without a line end and still counts.
        if (number != kLastUiText)
            mixed += number % 2 ? "\r\n" : "\n";
    }
    writeFile(filePath(), mixed);
    ASSERT_TRUE(load(folder()));
    for (int number = kFirstUiText; number <= kLastUiText; ++number)
        EXPECT_EQ(text(number), withLf.at(number - kFirstUiText)) << number;
}

TEST_F(UiTextFile, OnlyACarriageReturnBeforeALineFeedIsDropped)
{
    QByteArray bytes = "a\rb\n  spaced  \r\n";
    bytes += translatedLines(kUiTextCount - 3);
    bytes += "last\r";
    writeFile(filePath(), bytes);
    ASSERT_TRUE(load(folder()));
    EXPECT_EQ(text(9000), QStringLiteral("a\rb"));
    EXPECT_EQ(text(9001), QStringLiteral("  spaced  "));
    EXPECT_EQ(text(9082), QStringLiteral("last\r"));
}

TEST_F(UiTextFile, EachLineIsDecodedOnItsOwn)
{
    // One UTF-8 line and one Latin-1 line in the same file both come out right.
    QByteArray bytes = "\xc3\x9c"
                       "bersicht\n"
                       "\xdc"
                       "bersicht\n";
    bytes += translatedLines(kUiTextCount - 2);
    writeFile(filePath(), bytes);
    ASSERT_TRUE(load(folder()));
    EXPECT_EQ(text(9000), QStringLiteral("\u00dcbersicht"));
    EXPECT_EQ(text(9001), QStringLiteral("\u00dcbersicht"));
}

TEST_F(UiTextFile, FailedLoadPutsTheBuiltinTextsBack)
{
    loadComplete();
    writeFile(filePath(), translatedLines(10));
    EXPECT_FALSE(load(folder()));
    EXPECT_EQ(text(9002), QStringLiteral("Any"));

    loadComplete();
    QFile::remove(filePath());
    EXPECT_FALSE(load(folder()));
    EXPECT_EQ(text(9002), QStringLiteral("Any"));

    // A folder by the file's name cannot be read as the file.
    loadComplete();
    QFile::remove(filePath());
    ASSERT_TRUE(QDir(folder()).mkdir(QStringLiteral("SysLogLang.txt")));
    EXPECT_FALSE(load(folder()));
    EXPECT_EQ(text(9002), QStringLiteral("Any"));
}

TEST_F(UiTextFile, FolderAndFileNameAreJoinedWithOneSlash)
{
    EXPECT_EQ(uiTextFilePath(QStringLiteral("/opt/lang")),
              QStringLiteral("/opt/lang/SysLogLang.txt"));
    EXPECT_EQ(uiTextFilePath(QStringLiteral("/opt/lang//")),
              QStringLiteral("/opt/lang/SysLogLang.txt"));
    EXPECT_EQ(uiTextFilePath(QStringLiteral("/")), QStringLiteral("/SysLogLang.txt"));
    EXPECT_EQ(uiTextFilePath(QString()), QStringLiteral("SysLogLang.txt"));

    writeFile(filePath(), translatedLines(kUiTextCount));
    EXPECT_TRUE(load(folder() + QStringLiteral("/")));
}

class UiTextFolderChoice : public UiTextLoading
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(companion_.isValid());
        ASSERT_TRUE(current_.isValid());
        QByteArray currentFile;
        for (int i = 0; i < kUiTextCount; ++i)
            currentFile += "current\n";
        writeFile(current_.filePath(QStringLiteral("SysLogLang.txt")), currentFile);
    }

    QTemporaryDir companion_;
    QTemporaryDir current_;
};

TEST_F(UiTextFolderChoice, CompanionFolderIsPreferredOverTheCurrentDirectory)
{
    writeFile(companion_.filePath(QStringLiteral("SysLogLang.txt")), translatedLines(kUiTextCount));
    EXPECT_TRUE(use(UiTextTable::forStartUp(companion_.path(), current_.path())));
    EXPECT_EQ(text(9002), translated(9002));
}

TEST_F(UiTextFolderChoice, CompanionFolderWithoutAFileMeansBuiltinTexts)
{
    EXPECT_FALSE(use(UiTextTable::forStartUp(companion_.path(), current_.path())));
    EXPECT_EQ(text(9002), QStringLiteral("Any"));
}

TEST_F(UiTextFolderChoice, CurrentDirectoryIsUsedWithoutTheCompanionSetting)
{
    EXPECT_TRUE(use(UiTextTable::forStartUp(std::nullopt, current_.path())));
    EXPECT_EQ(text(9002), QStringLiteral("current"));
}

// Changes the current directory and puts the previous one back.
class CurrentDirectory
{
public:
    explicit CurrentDirectory(const QString& path) : previous_(QDir::currentPath())
    {
        QDir::setCurrent(path);
    }
    ~CurrentDirectory() { QDir::setCurrent(previous_); }

private:
    QString previous_;
};

// Points the system-scope settings at a temporary folder. Left pointing there afterwards, so
// that no later test can see the machine's own companion setting.
void useSystemSettingsIn(const QTemporaryDir& dir)
{
    QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope, dir.path());
}

void setCompanionPath(const QVariant& value)
{
    QSettings settings(QSettings::SystemScope, QStringLiteral("Hollowcrest"),
                       QStringLiteral("Pellimund"));
    settings.setValue(QStringLiteral("Settings/Path"), value);
    settings.sync();
    ASSERT_EQ(settings.status(), QSettings::NoError);
}

TEST_F(UiTextFolderChoice, CompanionSettingNamesTheFolder)
{
    QTemporaryDir systemSettings;
    ASSERT_TRUE(systemSettings.isValid());
    useSystemSettingsIn(systemSettings);
    EXPECT_EQ(companionUiTextFolder(), std::nullopt);

    setCompanionPath(QString());
    EXPECT_EQ(companionUiTextFolder(), std::nullopt);

    setCompanionPath(companion_.path());
    EXPECT_EQ(companionUiTextFolder(), companion_.path());
}

TEST_F(UiTextFolderChoice, StartUpLoaderReadsTheCompanionFolderOrElseTheCurrentDirectory)
{
    QTemporaryDir systemSettings;
    ASSERT_TRUE(systemSettings.isValid());
    useSystemSettingsIn(systemSettings);
    const CurrentDirectory inCurrent(current_.path());
    ASSERT_TRUE(QFile::exists(QStringLiteral("SysLogLang.txt")));

    EXPECT_TRUE(use(UiTextTable::forStartUp()));
    EXPECT_EQ(text(9002), QStringLiteral("current"));

    writeFile(companion_.filePath(QStringLiteral("SysLogLang.txt")), translatedLines(kUiTextCount));
    setCompanionPath(companion_.path());
    EXPECT_TRUE(use(UiTextTable::forStartUp()));
    EXPECT_EQ(text(9002), translated(9002));
}

} // namespace
} // namespace quendal
