// The back-fill of the attached window: a viewer socket holding N entries (a million by default)
// across the five categories, and the time from connecting to having them all, for the window
// (`quendal-syslog --attach`: from connecting to its lists filled) and, as the anchor in the same
// run, for a bare viewer that only reads and decodes the same frames. Reps interleaved.
//
//   quendal_viewer_backfill_bench [--entries N] [--reps R]
#include "BenchSupport.h"
#include "app/core/SettingsStore.h"
#include "app/gui/CSysLogDlg.h"
#include "logs/core/LogList.h"
#include "viewer/core/ViewerClient.h"
#include "viewer/core/ViewerServer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <arpa/inet.h>
#include <cstdio>
#include <vector>

namespace quendal {
namespace {

using namespace Qt::StringLiterals;

// Events until `done` or `limitMs`; the milliseconds it took, or -1 past the limit.
template <typename Done> double waitMs(Done done, qint64 limitMs = 120'000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > limitMs)
            return -1;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    return double(timer.nsecsElapsed()) / 1e6;
}

// N entries as a router sends them, spread over the categories, in deliveries of 1,000.
void fill(ViewerServer& server, int count)
{
    const QByteArray time = "Dec  8 15:30:01";
    const QByteArray host = "192.168.1.1";
    const QByteArray sender = "192.168.1.1";
    for (int done = 0; done < count;) {
        ReceptionBatch batch;
        for (int i = 0; i < 1000 && done < count; ++i, ++done) {
            const QByteArray message = "kernel: DROP IN=ppp0 OUT= SRC=203.0.113." +
                                       QByteArray::number(done % 250) +
                                       " DST=198.51.100.7 LEN=60 PROTO=TCP SPT=" +
                                       QByteArray::number(1024 + done % 60000) + " DPT=22 entry " +
                                       QByteArray::number(done);
            batch.rows[size_t(done % kCategoryCount)].prepend(
                {time, host, message, Severity::Informational, sender});
        }
        server.publish(batch);
    }
}

double clientRun(const QString& path, int count)
{
    ViewerClient client;
    qint64 got = 0;
    QObject::connect(&client, &ViewerClient::batchReceived,
                     [&got](ViewerBatch* b) { got += qint64(b->entries.size()); });
    ViewerHello hello;
    hello.backfill = count;
    client.open(path, hello);
    return waitMs([&] { return got >= count; });
}

double windowRun(CSysLogDlg& window, const QString& path, int count)
{
    for (LogCategory c : kAllCategories)
        window.ClearList(window.list(c));
    const auto rows = [&window] {
        qint64 n = 0;
        for (LogCategory c : kAllCategories)
            n += window.list(c)->rowCount();
        return n;
    };
    QElapsedTimer timer;
    timer.start();
    window.attachTo(path);
    const double ms = waitMs([&] { return rows() >= count; });
    if (ms < 0)
        std::fprintf(stderr, "viewer_backfill_bench: the window shows %lld rows: %s\n",
                     static_cast<long long>(rows()), qPrintable(window.windowTitle()));
    window.viewerClient()->close();
    return ms < 0 ? ms : double(timer.nsecsElapsed()) / 1e6;
}

void report(const char* what, std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    std::printf("%-28s median %8.1f ms  range %.1f-%.1f ms\n", what, ms[ms.size() / 2], ms.front(),
                ms.back());
}

} // namespace
} // namespace quendal

int main(int argc, char** argv)
{
    using namespace quendal;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.filePath(u"config"_s).toLocal8Bit());
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    const auto option = [&args](const QString& name, int fallback) {
        const qsizetype i = args.indexOf(name);
        return i >= 0 && i + 1 < args.size() ? args[i + 1].toInt() : fallback;
    };
    const int count = option(u"--entries"_s, 1'000'000);
    const int reps = option(u"--reps"_s, 3);

    ViewerLimits limits;
    limits.entriesPerCategory = count;
    ViewerServer server({kViewerProtocolVersion, u"quendal-syslogd"_s, 514}, Clock::system(),
                        limits);
    QString error;
    const QString path = home.filePath(u"viewer.sock"_s);
    if (!server.listen(path, &error)) {
        std::fprintf(stderr, "viewer_backfill_bench: %s\n", qPrintable(error));
        return 1;
    }
    fill(server, count);

    SettingsStore store(home.filePath(u"settings.ini"_s));
    store.store(home.path(), std::nullopt);
    MainWindowOptions windowOptions;
    windowOptions.store = &store;
    windowOptions.listenAddress = htonl(INADDR_LOOPBACK);
    CSysLogDlg window(windowOptions);
    window.show();

    std::printf("back-fill of %d entries, %d reps, load before %s\n", count, reps,
                bench::loadAverageText().constData());
    std::vector<double> bare, attached;
    for (int r = 0; r < reps; ++r) {
        bare.push_back(clientRun(path, count));
        attached.push_back(windowRun(window, path, count));
        if (bare.back() < 0 || attached.back() < 0) {
            std::fprintf(stderr,
                         "viewer_backfill_bench: the back-fill did not arrive whole (%.0f, %.0f)\n",
                         bare.back(), attached.back());
            return 1;
        }
    }
    report("bare viewer (anchor)", bare);
    report("attached window", attached);
    std::sort(bare.begin(), bare.end());
    std::sort(attached.begin(), attached.end());
    std::printf("window / bare viewer: %.2f; load after %s\n",
                attached[attached.size() / 2] / bare[bare.size() / 2],
                bench::loadAverageText().constData());
    return 0;
}
