#include "common/core/Clock.h"
#include "logs/core/AutoLogFiles.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <numeric>

namespace quendal {
namespace {

using test::readFile;

// Entries keep arriving while the real logrotate rotates the file, in each of its two modes.
class AutoLogFilesLogrotate : public ::testing::TestWithParam<const char*>
{
protected:
    // Appends numbered entries until logrotate has finished, then a few more after the check
    // interval; returns how many were appended. The files' path check falls due every fourth
    // entry, so it runs many times while logrotate works.
    int appendWhileRotating(AutoLogFiles& files, const QString& config)
    {
        QProcess logrotate;
        files.setClock(clock_);
        int n = 0;
        const auto append = [&] {
            clock_.advance(AutoLogFiles::kPathCheckInterval.count() / 4);
            const QByteArray time = "T" + QByteArray::number(n++);
            EXPECT_TRUE(files.append(LogCategory::Wan, LogEntryView{time, "H", "rotating"}));
        };
        append(); // the file exists before logrotate looks
        logrotate.start(logrotate_, {QStringLiteral("-f"), QStringLiteral("-s"),
                                     dir_.filePath(QStringLiteral("state")), config});
        while (!logrotate.waitForFinished(1))
            append();
        EXPECT_EQ(logrotate.exitCode(), 0) << logrotate.readAllStandardError().constData();
        clock_.advance(AutoLogFiles::kPathCheckInterval.count());
        for (int k = 0; k < 3; ++k)
            append();
        return n;
    }

    // The numbers of the entries in a file, which must hold whole entries only.
    static std::vector<int> numbers(const QString& path)
    {
        const QList<QByteArray> lines = readFile(path).split('\n');
        EXPECT_EQ((lines.size() - 1) % 3, 0) << path.toStdString();
        std::vector<int> out;
        for (qsizetype i = 0; i + 3 < lines.size(); i += 3) {
            EXPECT_TRUE(lines[i].startsWith('T')) << lines[i].constData();
            EXPECT_EQ(lines[i + 2], "rotating\r");
            out.push_back(lines[i].mid(1).chopped(1).toInt());
        }
        return out;
    }

    QTemporaryDir dir_;
    ManualClock clock_;
    QString logrotate_ = QStandardPaths::findExecutable(
        QStringLiteral("logrotate"), {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")});
};

TEST_P(AutoLogFilesLogrotate, EveryEntryIsInTheRotatedOrTheNewFileWhole)
{
    if (logrotate_.isEmpty())
        GTEST_SKIP() << "logrotate is not installed";
    const QString folder = dir_.filePath(QStringLiteral("logs"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString path = folder + QStringLiteral("/WanLog.wlg");
    const QString config = dir_.filePath(QStringLiteral("logrotate.conf"));
    QFile file(config);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QStringLiteral("%1 {\n    rotate 2\n    %2\n}\n")
                   .arg(path, QLatin1String(GetParam()))
                   .toUtf8());
    file.close();

    AutoLogFiles files(folder);
    const int count = appendWhileRotating(files, config);
    ASSERT_TRUE(QFile::exists(path + QStringLiteral(".1"))) << "logrotate did not rotate";

    std::vector<int> all = numbers(path + QStringLiteral(".1"));
    const std::vector<int> current = numbers(path);
    ASSERT_FALSE(current.empty());
    EXPECT_EQ(current.back(), count - 1);
    if (QLatin1String(GetParam()) == QLatin1String("copytruncate"))
        return; // entries between logrotate's copy and its truncation are lost, as it says
    all.insert(all.end(), current.begin(), current.end());
    std::vector<int> expected(static_cast<size_t>(count));
    std::iota(expected.begin(), expected.end(), 0);
    EXPECT_EQ(all, expected);
}

INSTANTIATE_TEST_SUITE_P(Modes, AutoLogFilesLogrotate, ::testing::Values("create", "copytruncate"));

} // namespace
} // namespace quendal
