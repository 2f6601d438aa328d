// What the activity charts cost: the intake of realistic router traffic with and without the
// activity counts (the anchor is the intake without), and one redraw of the Activity tab's two
// charts with a full day of data against the same charts empty. Reps are interleaved; each
// figure is the median with its range. Run off screen:
//   QT_QPA_PLATFORM=offscreen nice build/bench/quendal_activity_bench [reps]
#include "BenchSupport.h"
#include "activity/core/ActivitySeries.h"
#include "activity/core/ActivityTally.h"
#include "activity/gui/EntryRateChart.h"
#include "activity/gui/LinkRateChart.h"
#include "receiver/core/CSysLogSocket.h"
#include "receiver/core/HostFilter.h"
#include "receiver/core/ReceptionBatch.h"
#include "receiver/core/WanStatus.h"

#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QPainter>

#include <algorithm>
#include <arpa/inet.h>
#include <cstdio>
#include <vector>

using namespace quendal;

namespace {

// The receiver thread's work per datagram as the engine does it: rows into the batch and, when
// wanted, the activity counts. The traffic generator's mix holds a status report in every sixth
// datagram or so, far more than routers send.
struct Sink : IntakeSink
{
    bool activity = false;
    bool reports = true;
    qint64 at = 1'780'000'000'000;
    ReceptionBatch batch;
    void entryStored(LogCategory c, const LogEntryView& entry) override
    {
        batch.rows[size_t(categoryIndex(c))].prepend(entry);
        if (activity)
            batch.activity.countEntry(at, c, entry);
    }
    void statusReported(const QString& sender, QByteArrayView text) override
    {
        if (activity && reports)
            batch.activity.addReport(sender, readLinkReport(text, at));
    }
};

// Nanoseconds per datagram through the intake.
double intakeNs(const std::vector<QByteArray>& datagrams, bool activity, bool reports = true)
{
    Sink sink;
    sink.activity = activity;
    sink.reports = reports;
    CSysLogSocket socket(sink);
    sockaddr_in from{};
    from.sin_family = AF_INET;
    from.sin_addr.s_addr = htonl(0x7f000001);
    QElapsedTimer timer;
    timer.start();
    int n = 0;
    for (const QByteArray& d : datagrams) {
        socket.takeIn(d, from);
        if (++n % 64 == 0) { // a drain's batch handed on; the window takes it on its own thread
            sink.at += 50;
            sink.batch = ReceptionBatch();
        }
    }
    return double(timer.nsecsElapsed()) / double(datagrams.size());
}

struct Range
{
    double median, low, high;
};

Range summary(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return {v[v.size() / 2], v.front(), v.back()};
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const int reps = argc > 1 ? std::max(3, atoi(argv[1])) : 9;
    std::printf("load average at start: %s\n", bench::loadAverageText().constData());

    const std::vector<QByteArray> datagrams = bench::sampleDatagrams(50000);
    if (datagrams.empty()) {
        std::fputs("quendal_activity_bench: the traffic generator gave nothing\n", stderr);
        return 1;
    }
    intakeNs(datagrams, true); // warm-up
    std::vector<double> without, with, ratios, entriesOnly, entryRatios;
    for (int r = 0; r < reps; ++r) {
        const double a = intakeNs(datagrams, false);
        const double b = intakeNs(datagrams, true);
        const double c = intakeNs(datagrams, true, false);
        without.push_back(a);
        with.push_back(b);
        entriesOnly.push_back(c);
        ratios.push_back(b / a);
        entryRatios.push_back(c / a);
    }
    const Range a = summary(without), b = summary(with), q = summary(ratios);
    const Range c = summary(entriesOnly), qc = summary(entryRatios);
    std::printf("intake, %zu datagrams x %d reps (interleaved)\n", datagrams.size(), reps);
    std::printf("  without activity (anchor): %.0f ns/datagram (range %.0f-%.0f)\n", a.median,
                a.low, a.high);
    std::printf("  with activity:             %.0f ns/datagram (range %.0f-%.0f)\n", b.median,
                b.low, b.high);
    std::printf("  ratio with/without:        %.3f (range %.3f-%.3f)\n", q.median, q.low, q.high);
    std::printf(
        "  entries counted, no link reports: %.0f ns/datagram (range %.0f-%.0f), ratio %.3f "
        "(range %.3f-%.3f)\n",
        c.median, c.low, c.high, qc.median, qc.low, qc.high);

    // A full day: one report every 5 s from one router (rates, a mode change every few hours,
    // some gaps) and entries every minute in every category.
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    LinkSeries link;
    quint64 packets = 0;
    for (qint64 t = now - LinkSeries::kWindowMs; t <= now; t += 5000) {
        if ((t / 5000) % 2000 < 3)
            continue; // a silence now and then
        packets += 5000;
        const QByteArray mode = (t / 3'600'000) % 5 == 0 ? "PPPoE" : "DHCP";
        link.add(readLinkReport("BBandTxPkt=" + QByteArray::number(packets) +
                                    " BBandTxRate=" + QByteArray::number(1000 + (t / 5000) % 700) +
                                    " BBandRxPkt=" + QByteArray::number(packets * 3) +
                                    " BBandRxRate=" + QByteArray::number(5000 + (t / 7000) % 900) +
                                    " BBandMode=" + mode + " ",
                                t));
    }
    MinuteActivity minutes;
    for (qint64 m = minuteOf(now) - MinuteActivity::kMinutes + 1; m <= minuteOf(now); ++m) {
        for (LogCategory c : kAllCategories)
            minutes.add(m, c, quint32(10 + m % 40), m % 97 == 0 ? 1 : 0);
    }

    LinkRateChart linkChart;
    EntryRateChart entryChart;
    QChartView linkView(linkChart.chart());
    QChartView entryView(entryChart.chart());
    linkView.resize(1000, 320);
    entryView.resize(1000, 320);
    QImage canvas(1000, 320, QImage::Format_ARGB32_Premultiplied);
    const auto redraw = [&](bool full, qint64 span) {
        QElapsedTimer timer;
        timer.start();
        linkChart.show(full ? &link : nullptr, QString(), now - span, now, now);
        entryChart.show(full ? minutes.range(minuteOf(now - span), minuteOf(now))
                             : std::vector<MinuteCounts>(),
                        now - span, now);
        QPainter painter(&canvas);
        linkView.render(&painter);
        entryView.render(&painter);
        return double(timer.nsecsElapsed()) / 1e6;
    };
    for (qint64 span : {15LL * 60'000, 24LL * 3'600'000}) {
        redraw(true, span); // warm-up
        std::vector<double> empty, full, r;
        for (int i = 0; i < reps; ++i) {
            const double e = redraw(false, span);
            const double f = redraw(true, span);
            empty.push_back(e);
            full.push_back(f);
            r.push_back(f / e);
        }
        const Range e = summary(empty), f = summary(full), rr = summary(r);
        std::printf("redraw of both charts, 1000x320 each, last %s (%zu link points, %d minutes)\n",
                    span > 3'600'000 ? "24 hours" : "15 minutes", link.points().size(),
                    MinuteActivity::kMinutes);
        std::printf("  empty charts (anchor): %.1f ms (range %.1f-%.1f)\n", e.median, e.low,
                    e.high);
        std::printf("  full day of data:      %.1f ms (range %.1f-%.1f)\n", f.median, f.low,
                    f.high);
        std::printf("  ratio full/empty:      %.2f (range %.2f-%.2f)\n", rr.median, rr.low,
                    rr.high);
    }
    std::printf("load average at end: %s\n", bench::loadAverageText().constData());
    return 0;
}
