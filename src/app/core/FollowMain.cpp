#include "app/core/FollowMain.h"

#include "app/core/HeadlessReceiver.h"
#include "app/core/StandardDescriptors.h"
#include "app/core/UnixSignalWatcher.h"
#include "common/core/SocketAddress.h"
#include "logs/core/EntryLine.h"
#include "viewer/core/ViewerClient.h"

#include <QCoreApplication>
#include <QTimer>

#include <csignal>
#include <cstdio>

namespace quendal {
namespace {

using namespace Qt::StringLiterals;

constexpr qint64 kDefaultLines = 10;
constexpr qint64 kMaxLines = 100'000'000;

struct FollowOptions
{
    qint64 lines = kDefaultLines;
    std::optional<LogCategory> category;
    std::optional<QString> host;
    QString socket;
};

void complain(const QString& text)
{
    std::fprintf(stderr, "quendal-syslog: %s\n", qPrintable(text));
}

std::optional<FollowOptions> parse(QStringList arguments, QString* error)
{
    FollowOptions o;
    o.socket = defaultViewerSocketPath();
    arguments.removeAll(u"--follow"_s);
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        QString name = arguments[i];
        QString value;
        if (const qsizetype eq = name.indexOf(u'='); name.startsWith(u"--"_s) && eq > 0) {
            value = name.mid(eq + 1);
            name.truncate(eq);
        } else if (name.startsWith(u"-n"_s) && name.size() > 2) {
            value = name.mid(2);
            name = u"-n"_s;
        } else if (i + 1 < arguments.size()) {
            value = arguments[++i];
        } else {
            *error = name + u" needs a value"_s;
            return std::nullopt;
        }
        if (name == u"-n"_s || name == u"--lines"_s) {
            bool ok = false;
            o.lines = value.toLongLong(&ok);
            if (!ok || o.lines < 0 || o.lines > kMaxLines) {
                *error = u"-n needs a number of entries from 0 to "_s + QString::number(kMaxLines);
                return std::nullopt;
            }
        } else if (name == u"--category"_s) {
            o.category = categoryNamed(value);
            if (!o.category) {
                *error = u"--category needs FireWall, VPN, UserAccess, Call or Wan"_s;
                return std::nullopt;
            }
        } else if (name == u"--host"_s) {
            o.host = value;
        } else if (name == u"--viewer-socket"_s) {
            o.socket = value;
        } else {
            *error = u"--follow does not take "_s + name;
            return std::nullopt;
        }
    }
    return o;
}

// Entries of the host asked for: by its Host field, or by the address it came from.
bool ofHost(const LogEntry& entry, const FollowOptions& o)
{
    if (!o.host)
        return true;
    if (entry.host == o.host->toUtf8())
        return true;
    const auto address = normalizedHostAddress(*o.host);
    return address && entry.sender == address->toUtf8();
}

} // namespace

bool isFollow(const QStringList& arguments)
{
    return arguments.contains(u"--follow"_s);
}

QString followUsage()
{
    return u"Usage: quendal-syslog --follow [-n N] [--category C] [--host H] "
           "[--viewer-socket PATH]\n"
           "Prints the newest N entries (default 10) of the running service, oldest first, then\n"
           "every new one as it is stored, as the lines the receiver without a window prints,\n"
           "until Ctrl-C. --category takes FireWall, VPN, UserAccess, Call or Wan; --host a\n"
           "sender's Host field or address. The service's socket is\n"
           "/run/quendal-syslog/viewer.sock unless --viewer-socket names another.\n"_s;
}

int followMain(int argc, char** argv)
{
    ignoreBrokenPipe();
    qputenv("QT_NO_GLIB", "1");
    QCoreApplication app(argc, argv);
    UnixSignalWatcher signals({SIGINT, SIGTERM});
    if (!signals.isWatching()) {
        complain(u"cannot watch for signals: "_s + signals.error());
        return ExitFailure;
    }
    QString error;
    const auto options = parse(QCoreApplication::arguments().mid(1), &error);
    if (!options) {
        complain(error + u" (see --help)"_s);
        return ExitBadOption;
    }

    ViewerClient client;
    QByteArray lines;
    QObject::connect(&client, &ViewerClient::batchReceived, [&](ViewerBatch* batch) {
        lines.truncate(0);
        for (const auto& [category, entry] : batch->entries) {
            if ((!options->category || category == *options->category) && ofHost(entry, *options))
                appendEntryLine(lines, category, entry.view());
        }
        if (lines.isEmpty())
            return;
        // A reader that went away ends the follower, as it would end tail -f.
        if (std::fwrite(lines.constData(), 1, size_t(lines.size()), stdout) !=
                size_t(lines.size()) ||
            std::fflush(stdout) != 0)
            QCoreApplication::exit(ExitOk);
    });
    QObject::connect(&client, &ViewerClient::entriesMissed, [](quint64 count) {
        std::fprintf(stderr, "quendal-syslog: missed %llu entries (this terminal fell behind)\n",
                     static_cast<unsigned long long>(count));
    });
    QObject::connect(&client, &ViewerClient::ended, [](const QString& reason) {
        complain(reason);
        QCoreApplication::exit(ExitFailure);
    });
    QObject::connect(&signals, &UnixSignalWatcher::received,
                     [] { QCoreApplication::exit(ExitOk); });
    ViewerHello hello;
    hello.backfill = options->lines;
    hello.category = options->category;
    if (options->host)
        hello.host = options->host->toUtf8();
    // Once the loop runs, so that a failure at once can end it.
    QTimer::singleShot(0, &client, [&] { client.open(options->socket, hello); });
    return QCoreApplication::exec();
}

} // namespace quendal
