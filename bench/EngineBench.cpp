// Engine benchmarks. Run through scripts/bench.sh, or directly:
//   build/bench/quendal_engine_bench [--benchmark_filter=...]
#include "BenchSupport.h"
#include "logs/core/AutoLogFiles.h"
#include "logs/core/LogFileReader.h"
#include "logs/core/LogFileWriter.h"
#include "logs/core/LogList.h"
#include "netinfo/core/PortDefinitions.h"
#include "netinfo/core/ProcNetParser.h"
#include "netinfo/core/SocketRowTexts.h"
#include "receiver/core/CSysLogSocket.h"
#include "receiver/core/HostFilter.h"
#include "receiver/core/ReceptionBatch.h"
#include "receiver/core/WanStatus.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <arpa/inet.h>
#include <array>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <malloc.h>

using namespace quendal;

namespace {

// Realistic router traffic of all six facilities, from the traffic generator.
const std::vector<QByteArray>& sampleDatagrams()
{
    static const std::vector<QByteArray> datagrams = [] {
        std::vector<QByteArray> out = bench::sampleDatagrams(20000);
        if (out.empty()) {
            std::fputs("quendal_engine_bench: the traffic generator gave nothing\n", stderr);
            std::exit(1);
        }
        return out;
    }();
    return datagrams;
}

// What the receiver thread does with an entry: into the batch for the window's lists.
struct BatchSink : IntakeSink
{
    ReceptionBatch batch;
    void entryStored(LogCategory c, const LogEntryView& entry) override
    {
        batch.rows[size_t(categoryIndex(c))].prepend(entry);
    }
};

// The receiver's intake on its own (no system call), with or without the automatic files; every
// 64 entries the batch goes onto the lists, as the window takes it.
void intake(benchmark::State& state, bool withFiles,
            const std::vector<QByteArray>& datagrams = sampleDatagrams())
{
    QTemporaryDir dir;
    std::array<LogList, kCategoryCount> lists;
    AutoLogFiles files(dir.path());
    BatchSink sink;
    CSysLogSocket receiver(sink, IntakeOutputs{withFiles ? &files : nullptr});
    sockaddr_in from{};
    from.sin_family = AF_INET;
    from.sin_addr.s_addr = htonl(0xC0A80101); // 192.168.1.1
    from.sin_port = htons(514);

    size_t i = 0;
    for (auto _ : state) {
        receiver.takeIn(datagrams[i], from);
        if (++i == datagrams.size())
            i = 0;
        if (i % 64 == 0) {
            for (int c = 0; c < kCategoryCount; ++c)
                lists[size_t(c)].prependAll(std::move(sink.batch.rows[size_t(c)]));
        }
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["stored"] = double(receiver.counters().stored);
}

void BM_IntakeToList(benchmark::State& state)
{
    intake(state, false);
}
void BM_IntakeToListAndFile(benchmark::State& state)
{
    intake(state, true);
}
BENCHMARK(BM_IntakeToList)->MinTime(2.0);
BENCHMARK(BM_IntakeToListAndFile)->MinTime(2.0);

// A list of a million entries as the generator's traffic makes them.
LogList& millionEntries()
{
    static LogList list;
    if (list.size() == 0) {
        const auto& datagrams = sampleDatagrams();
        for (qsizetype i = 0; i < 1'000'000; ++i) {
            const QByteArray& d = datagrams[size_t(i) % datagrams.size()];
            const qsizetype colon = d.indexOf(':', 21);
            list.prepend(LogEntryView{QByteArrayView(d).sliced(5, 15),
                                      QByteArrayView(d).sliced(21, colon - 21),
                                      QByteArrayView(d).sliced(colon + 2),
                                      i % 50 == 0 ? Severity::Emergency : Severity::Notice});
        }
    }
    return list;
}

void BM_SaveMillionEntries(benchmark::State& state)
{
    const LogList& list = millionEntries();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("million.flg"));
    for (auto _ : state) {
        if (!SaveList(path, list.rows()))
            state.SkipWithError("save failed");
    }
    state.SetItemsProcessed(state.iterations() * list.size());
    state.counters["file_MB"] = double(QFileInfo(path).size()) / 1e6;
}
BENCHMARK(BM_SaveMillionEntries)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_ReadBackMillionEntries(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("million.flg"));
    SaveList(path, millionEntries().rows());
    LogList list;
    LogFileReader reader;
    for (auto _ : state) {
        if (!reader.load(path, list))
            state.SkipWithError("read failed");
    }
    state.SetItemsProcessed(state.iterations() * list.size());
    state.counters["rows"] = double(list.size());
}
BENCHMARK(BM_ReadBackMillionEntries)->Unit(benchmark::kMillisecond)->Iterations(5);

// One rebuild of the UDP table page's texts: a busy machine's UDP endpoints, each annotated
// against a large port-definition file (every line is searched for every row).
void BM_UdpTableRebuild(benchmark::State& state)
{
    const int rows = int(state.range(0));
    const int lines = int(state.range(1));
    QTemporaryDir dir;
    const QString definitions = dir.filePath(QStringLiteral("Portdef.dat"));
    {
        QFile file(definitions);
        file.open(QIODevice::WriteOnly);
        for (int i = 0; i < lines; ++i)
            file.write(QByteArray("service-") + QByteArray::number(i) + ' ' +
                       QByteArray::number(i % 65536) + "/udp   # a described service\n");
    }
    const PortDefinitions loaded = LoadPortDefinitionsFrom(definitions);

    QByteArray text = "  sl  local_address rem_address   st tx_queue rx_queue tr tm->when\n";
    for (int i = 0; i < rows; ++i)
        text += "  " + QByteArray::number(i) +
                ": 0100007F:" + QByteArray::number(1024 + i, 16).rightJustified(4, '0').toUpper() +
                " 00000000:0000 07 00000000:00000000 00:00000000 00000000 0 0 1 2 0\n";

    for (auto _ : state) {
        const auto table = parseProcNet<UdpRow>(text);
        benchmark::DoNotOptimize(tableTexts(*table, loaded));
    }
    state.SetItemsProcessed(state.iterations() * rows);
}
BENCHMARK(BM_UdpTableRebuild)
    ->Args({200, 1000})
    ->Args({2000, 11000})
    ->Unit(benchmark::kMillisecond);

// Heap bytes a stored row costs beyond its text, over a million rows.
void BM_MemoryPerRow(benchmark::State& state)
{
    const auto& datagrams = sampleDatagrams();
    double perRow = 0;
    for (auto _ : state) {
        const size_t before = mallinfo2().uordblks;
        LogList list;
        size_t textBytes = 0;
        for (qsizetype i = 0; i < 1'000'000; ++i) {
            const QByteArray& d = datagrams[size_t(i) % datagrams.size()];
            const qsizetype colon = d.indexOf(':', 21);
            const LogEntryView e{QByteArrayView(d).sliced(5, 15),
                                 QByteArrayView(d).sliced(21, colon - 21),
                                 QByteArrayView(d).sliced(colon + 2)};
            textBytes += size_t(e.time.size() + e.host.size() + e.message.size());
            list.prepend(e);
        }
        const size_t after = mallinfo2().uordblks;
        perRow = (double(after - before) - double(textBytes)) / 1e6;
        state.counters["text_bytes_per_row"] = double(textBytes) / 1e6;
    }
    state.counters["overhead_bytes_per_row"] = perRow;
}
BENCHMARK(BM_MemoryPerRow)->Unit(benchmark::kMillisecond)->Iterations(1);

// The generator's traffic as logger sends it in RFC 5424, time quality element and all: the
// intake rearranges each message into "APP-NAME: MSG [STRUCTURED-DATA]".
void BM_IntakeRfc5424ToList(benchmark::State& state)
{
    static const std::vector<QByteArray> datagrams = [] {
        std::vector<QByteArray> out;
        for (const QByteArray& d : sampleDatagrams()) {
            const qsizetype colon = d.indexOf(':', 21);
            out.push_back(d.left(5) + "1 2026-12-07T" + d.mid(12, 8) + ".007184+01:00 " +
                          d.mid(21, colon - 21) +
                          " kernel - - [timeQuality tzKnown=\"1\" isSynced=\"1\" "
                          "syncAccuracy=\"81000\"] " +
                          d.mid(colon + 2));
        }
        return out;
    }();
    intake(state, false, datagrams);
}
BENCHMARK(BM_IntakeRfc5424ToList)->MinTime(2.0);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
