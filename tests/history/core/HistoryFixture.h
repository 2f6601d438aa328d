#pragma once

// A log folder as months of reception leave it: all five categories, files rotated and
// compressed by logrotate, a file with LF line ends, an entry cut short at the end of the file
// being written, classic times across a year's turn. Each whole entry written is kept with
// the instant it stands for, so that tests can work out independently what a search must find.
#include "logs/core/LogCategory.h"

#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QList>
#include <QTemporaryDir>

#include <zlib.h>

namespace quendal::test {

struct WrittenEntry
{
    LogCategory category;
    QString time; // as written, without brackets
    QString host;
    QString message;
    bool emergency = false;
    qint64 atMs = 0;
    QString file;
    qint64 line = 0;
};

class HistoryFolder
{
public:
    enum class TimeForm
    {
        Classic,
        Rfc3339
    };

    // `perFile` entries in each file.
    explicit HistoryFolder(int perFile = 120) : perFile_(perFile)
    {
        const QDateTime base(QDate(2026, 11, 20), QTime(8, 0));
        write(LogCategory::FireWall, QString(), base, TimeForm::Classic, "\r\n", false, true);
        write(LogCategory::FireWall, QStringLiteral(".1"), base.addDays(-1), TimeForm::Classic,
              "\n", false);
        write(LogCategory::FireWall, QStringLiteral(".2.gz"), base.addDays(-2), TimeForm::Rfc3339,
              "\r\n", true);
        // An hour before and an hour after New Year.
        write(LogCategory::VPN, QString(), QDateTime(QDate(2025, 12, 31), QTime(23, 0)),
              TimeForm::Classic, "\r\n", false);
        write(LogCategory::UserAccess, QStringLiteral(".1"), base.addDays(-3), TimeForm::Classic,
              "\r\n", false);
        write(LogCategory::UserAccess, QStringLiteral(".3.gz"), base.addDays(-10),
              TimeForm::Classic, "\r\n", true);
        write(LogCategory::Call, QString(), base.addDays(-4), TimeForm::Classic, "\r\n", false);
        write(LogCategory::Wan, QString(), base.addDays(-5), TimeForm::Rfc3339, "\r\n", false);
        // Names that are no category's files, and a link, which is not followed.
        QFile other(dir_.filePath(QStringLiteral("FIrWareLog.flg.bak")));
        if (other.open(QIODevice::WriteOnly))
            other.write("Nov 20 08:00:00\r\ngw-a\r\nPacket blocked bak\r\n");
        QFile::link(dir_.filePath(QStringLiteral("CallLog.clg")),
                    dir_.filePath(QStringLiteral("CallLog.clg.9")));
    }

    QString path() const { return dir_.path(); }
    const QList<WrittenEntry>& entries() const { return entries_; }

private:
    static QString message(int i)
    {
        static const char* const kKinds[] = {"Packet blocked",
                                             "packet ACCEPTED",
                                             "Link up",
                                             "VPN tunnel up",
                                             "user login \xc3\x84\xc3\x96\xc3\xbc",
                                             "Blocked twice"};
        return QStringLiteral("%1 id=%2").arg(QString::fromUtf8(kKinds[i % 6])).arg(i);
    }
    static QString host(int i)
    {
        static const char* const kHosts[] = {"gw-a", "Router-B", "10.0.5.7", "10.0.5.71", "gw-c"};
        return QString::fromLatin1(kHosts[(i * 7) % 5]);
    }

    void write(LogCategory category, const QString& suffix, const QDateTime& first, TimeForm form,
               const char* lineEnd, bool compressed, bool tornEnd = false)
    {
        const QString name = autoLogFileName(category) + suffix;
        const QString file = dir_.filePath(name);
        QByteArray bytes;
        QDateTime at = first;
        for (int i = 0; i < perFile_; ++i, at = at.addSecs(60)) {
            const int n = serial_++;
            WrittenEntry entry{category,
                               form == TimeForm::Classic
                                   ? at.toString(QStringLiteral("MMM d hh:mm:ss"))
                                   : at.toOffsetFromUtc(3600).toString(Qt::ISODate),
                               host(n),
                               message(n),
                               n % 11 == 0,
                               at.toMSecsSinceEpoch(),
                               file,
                               qint64(i) * 3 + 1};
            if (form == TimeForm::Classic && at.date().day() < 10)
                entry.time.insert(4, QLatin1Char(' '));
            const QString timeLine =
                entry.emergency ? QLatin1Char('[') + entry.time + QLatin1Char(']') : entry.time;
            for (const QString& text : {timeLine, entry.host, entry.message})
                bytes += text.toUtf8() + lineEnd;
            entries_.append(entry);
        }
        if (tornEnd)
            bytes +=
                at.toString(QStringLiteral("MMM d hh:mm:ss")).toUtf8() + lineEnd + "gw-a" + lineEnd;
        if (compressed) {
            gzFile gz = gzopen(QFile::encodeName(file).constData(), "wb1");
            gzwrite(gz, bytes.constData(), unsigned(bytes.size()));
            gzclose(gz);
        } else {
            QFile out(file);
            if (out.open(QIODevice::WriteOnly))
                out.write(bytes);
        }
        // Written half a minute after its last entry, as logrotate leaves it.
        QFile touched(file);
        if (touched.open(QIODevice::ReadWrite))
            touched.setFileTime(at.addSecs(-30), QFileDevice::FileModificationTime);
    }

    QTemporaryDir dir_;
    int perFile_;
    int serial_ = 0;
    QList<WrittenEntry> entries_;
};

} // namespace quendal::test
