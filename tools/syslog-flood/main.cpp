// quendal-syslog-flood: sends realistic router syslog to a receiver on this machine, by count
// and rate, for the receiver's tests and benchmarks.

#include "DatagramSink.h"
#include "FloodOptions.h"
#include "MessageGenerator.h"
#include "Pacer.h"

#include <chrono>
#include <cstdio>
#include <memory>

using namespace quendal::flood;

namespace {

constexpr const char* kProgram = "quendal-syslog-flood";

void printSummary(std::uint64_t delivered, bool printed, Pacer::Clock::duration time)
{
    const double seconds = std::chrono::duration<double>(time).count();
    const double rate = seconds > 0 ? static_cast<double>(delivered) / seconds : 0;
    std::fprintf(stderr, "%s: %llu datagrams %s in %.3f s, %.0f per second\n", kProgram,
                 static_cast<unsigned long long>(delivered), printed ? "printed" : "sent", seconds,
                 rate);
}

} // namespace

int main(int argc, char** argv)
{
    const ParsedOptions parsed = parseOptions(argc, argv);
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "%s: %s\n", kProgram, parsed.error.c_str());
        return 2;
    }
    const FloodOptions& options = parsed.options;
    if (options.help) {
        std::fputs(usageText(), stdout);
        return 0;
    }

    std::unique_ptr<DatagramSink> sink;
    if (options.print) {
        sink = std::make_unique<PrintSink>();
    } else {
        auto udp = std::make_unique<UdpSink>();
        if (!udp->open(options.destination, options.source)) {
            std::fprintf(stderr, "%s: %s\n", kProgram, udp->error().c_str());
            return 1;
        }
        sink = std::move(udp);
    }

    MessageGenerator generator(options.seed, options.hostname, options.facilities);
    Pacer pacer(options.rate);
    pacer.start();
    std::uint64_t delivered = 0;
    bool failed = false;
    while (delivered < options.count && !failed) {
        const std::uint64_t due = pacer.due(options.count);
        if (due <= delivered) {
            pacer.waitFor(delivered);
            continue;
        }
        for (; delivered < due; ++delivered) {
            if (!sink->deliver(generator.next())) {
                failed = true;
                break;
            }
        }
    }
    if (!failed && !sink->finish())
        failed = true;
    printSummary(delivered, options.print, Pacer::Clock::now() - pacer.startTime());
    if (failed) {
        std::fprintf(stderr, "%s: %s\n", kProgram, sink->error().c_str());
        return 1;
    }
    return 0;
}
