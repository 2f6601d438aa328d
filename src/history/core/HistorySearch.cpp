#include "history/core/HistorySearch.h"

#include "common/core/TextFiles.h"
#include "history/core/ByteSearch.h"
#include "history/core/FileBlocks.h"
#include "history/core/HistoryMatcher.h"
#include "history/core/HistoryTime.h"

#include <chrono>
#include <cstring>
#include <deque>
#include <future>

namespace quendal {
namespace {

struct Candidate
{
    LogEntry entry;
    qint64 line = 0;
    std::optional<ClassicTime> classic;
    int turns = 0;
    std::optional<qint64> datedMs;
};

} // namespace

// The entries of one file that passed every criterion but the time range, which for classic
// times has to wait for the file's end.
class FileScan
{
public:
    FileScan(const HistoryFile& file, const HistoryQuery& query, qsizetype keep)
        : matcher_(query), query_(query), dating_(file.modifiedMs),
          keep_(query.hasTimeRange() ? 0 : keep)
    {}

    // Each scan has a matcher of its own: a matcher reuses a buffer, so it serves one thread.
    const LiteralFinder& literal() const { return matcher_.literal(); }

    // One whole entry: three lines, the last one's line feed optional.
    void examine(const char* begin, const char* end, qint64 line)
    {
        std::array<QByteArrayView, 3> lines;
        const char* p = begin;
        for (QByteArrayView& text : lines) {
            const auto* lf = static_cast<const char*>(std::memchr(p, '\n', size_t(end - p)));
            const char* lineEnd = lf ? lf + 1 : end;
            text = withoutLineEnd(QByteArrayView(p, lineEnd - p));
            p = lineEnd;
        }
        LogEntryView entry{lines[0], lines[1], lines[2], Severity::Unknown};
        // As the file reader takes it: up to the last ']', which may have one of its own inside.
        if (entry.time.startsWith('[')) {
            if (const qsizetype close = entry.time.lastIndexOf(']'); close > 0) {
                entry.time = entry.time.sliced(1, close - 1);
                entry.severity = Severity::Emergency;
            }
        }
        const std::optional<ClassicTime> classic = readClassicTime(entry.time);
        const int turns = classic ? dating_.note(*classic) : 0;
        if (!matcher_.matches(entry))
            return;
        std::optional<qint64> datedMs;
        if (!classic) {
            datedMs = readRfc3339Time(entry.time);
            if (!inRange(datedMs))
                return;
        }
        candidates_.push_back({LogEntry::from(entry), line + 1, classic, turns, datedMs});
        if (keep_ > 0 && qsizetype(candidates_.size()) > keep_)
            candidates_.pop_front();
    }

    // Newest first, each dated and in the time range; false when the sink stops.
    bool deliver(LogCategory category, const QString& path, const HistorySearch::Sink& sink)
    {
        for (auto it = candidates_.rbegin(); it != candidates_.rend(); ++it) {
            if (it->classic) {
                it->datedMs = dating_.date(*it->classic, it->turns);
                if (!inRange(it->datedMs))
                    continue;
            }
            if (!sink(HistoryEntry{category, std::move(it->entry), path, it->line, it->datedMs}))
                return false;
        }
        return true;
    }

private:
    bool inRange(const std::optional<qint64>& ms) const
    {
        if (!query_.hasTimeRange())
            return true;
        return ms && (!query_.sinceMs || *ms >= *query_.sinceMs) &&
               (!query_.untilMs || *ms <= *query_.untilMs);
    }

    HistoryMatcher matcher_;
    const HistoryQuery& query_;
    FileDating dating_;
    qsizetype keep_;
    std::deque<Candidate> candidates_;
};

namespace {

// Past `count` line feeds from `from`; the caller knows they are there.
const char* afterLineFeeds(const char* from, const char* end, qsizetype count)
{
    for (qsizetype k = 0; k < count; ++k)
        from = static_cast<const char*>(std::memchr(from, '\n', size_t(end - from))) + 1;
    return from;
}

// [begin, end) holds whole entries only, its first line being line `firstLine` of the file.
void scanEntries(FileScan& scan, const LiteralFinder& literal, const char* begin, const char* end,
                 qint64 firstLine)
{
    const char* p = begin; // always the start of an entry
    qint64 line = 0;       // of p, counted from begin
    if (literal.isEmpty()) {
        while (p < end) {
            const char* next = afterLineFeeds(p, end, 3);
            scan.examine(p, next, firstLine + line);
            p = next;
            line += 3;
        }
        return;
    }
    for (;;) {
        const char* hit = literal.find(p, end);
        if (hit == end)
            return;
        const qint64 hitLine = line + countLineFeeds(p, hit);
        const int inEntry = int(hitLine % 3);
        // Back to the start of the entry: the start of the hit's line, then `inEntry` lines up.
        const char* start = hit;
        for (int k = 0; k <= inEntry; ++k) {
            const void* lf = start > p ? memrchr(p, '\n', size_t(start - p)) : nullptr;
            start = lf ? static_cast<const char*>(lf) : p - 1;
        }
        ++start;
        const char* next = afterLineFeeds(hit, end, 3 - inEntry);
        scan.examine(start, next, firstLine + hitLine - inEntry);
        p = next;
        line = hitLine - inEntry + 3;
    }
}

} // namespace

HistorySearch::HistorySearch(const HistoryQuery& query, QList<HistoryFile> files)
    : query_(query), files_(std::move(files))
{}

bool HistorySearch::run(const Sink& sink)
{
    if (const HistoryMatcher check(query_); !check.isValid()) {
        error_ = check.error();
        return false;
    }
    QList<HistoryFile> chosen;
    qint64 total = 0;
    for (const HistoryFile& file : files_) {
        if (query_.includes(file.category)) {
            chosen.append(file);
            total += file.size;
        }
    }
    // Two files are read at once: while one file's matches are handed on, the next is read.
    constexpr size_t kParallelFiles = 2;
    std::atomic<qint64> bytesRead{0};
    std::atomic<bool> stop{false};
    std::deque<std::future<ScannedFile>> pending;
    qsizetype next = 0;
    qsizetype delivered = 0;
    const auto launch = [&] {
        while (pending.size() < kParallelFiles && next < chosen.size()) {
            const HistoryFile& file = chosen.at(next++);
            // One more than the limit, so that the sink learns there were more.
            const qsizetype keep = limit_ > 0 ? qMax<qsizetype>(1, limit_ - delivered + 1) : 0;
            pending.push_back(
                std::async(std::launch::async, [this, &file, keep, &bytesRead, &stop] {
                    return scanFile(file, keep, bytesRead, stop);
                }));
        }
    };
    const auto report = [&] {
        if (progress_)
            progress_({qMin(bytesRead.load(), total), total});
    };
    launch();
    while (!pending.empty()) {
        std::future<ScannedFile>& first = pending.front();
        while (first.wait_for(std::chrono::milliseconds(20)) != std::future_status::ready)
            report();
        ScannedFile scanned = first.get();
        pending.pop_front();
        report();
        if (problem_) {
            for (const auto& [path, reason] : scanned.problems)
                problem_(path, reason);
        }
        if (!scanned.scan) {
            stop = true;
            return false; // cancelled; the files still being read stop at their next block
        }
        const bool more =
            scanned.scan->deliver(scanned.category, scanned.path, [&](const HistoryEntry& entry) {
                ++delivered;
                return sink(entry);
            });
        if (!more) {
            stop = true;
            return false;
        }
        launch();
    }
    return true;
}

HistorySearch::ScannedFile HistorySearch::scanFile(const HistoryFile& file, qsizetype keep,
                                                   std::atomic<qint64>& bytesRead,
                                                   const std::atomic<bool>& stop) const
{
    ScannedFile scanned;
    scanned.category = file.category;
    scanned.path = file.path;
    const auto stopped = [&] {
        return stop.load(std::memory_order_relaxed) ||
               (cancel_ && cancel_->load(std::memory_order_relaxed));
    };
    QString reason;
    const std::unique_ptr<FileBlocks> blocks =
        FileBlocks::open(file.path, file.compressed, &reason);
    if (!blocks) {
        scanned.problems.append({file.path, reason});
        scanned.scan = std::make_shared<FileScan>(file, query_, keep);
        bytesRead += file.size;
        return scanned;
    }
    auto scan = std::make_shared<FileScan>(file, query_, keep);
    QByteArray buffer(kBlockSize, Qt::Uninitialized);
    qsizetype carry = 0;  // bytes of a group of lines not yet whole, at the buffer's start
    qint64 firstLine = 0; // the line of the file the buffer starts with
    qint64 counted = 0;   // of the file's bytes on disk, in bytesRead
    for (;;) {
        if (stopped())
            return scanned;
        if (buffer.size() < carry + kBlockSize)
            buffer.resize(carry + kBlockSize);
        char* const data = buffer.data();
        const qint64 n = blocks->read(data + carry, kBlockSize);
        if (n < 0) {
            // What was read up to the damage still counts.
            scanned.problems.append({file.path, blocks->error()});
            break;
        }
        const qint64 onDisk = qMin(file.size, blocks->bytesReadOnDisk());
        bytesRead += onDisk - counted;
        counted = onDisk;
        if (n == 0) {
            // Two whole lines and a last one without its line feed still make an entry; fewer
            // lines are an entry cut short.
            const char* end = data + carry;
            if (carry > 0 && end[-1] != '\n' && countLineFeeds(data, end) == 2)
                scanEntries(*scan, LiteralFinder(), data, end, firstLine);
            break;
        }
        const qsizetype end = carry + qsizetype(n);
        const qsizetype lines = countLineFeeds(data, data + end);
        const qsizetype whole = lines - lines % 3;
        if (whole == 0) {
            carry = end;
            continue;
        }
        // The end of the last whole entry: its line feed is number `whole`, counted from the
        // back past the lines of a group not yet whole.
        qsizetype cut = end;
        for (qsizetype k = 0; k <= lines - whole; ++k)
            cut = static_cast<const char*>(memrchr(data, '\n', size_t(cut))) - data;
        ++cut;
        scanEntries(*scan, scan->literal(), data, data + cut, firstLine);
        firstLine += whole;
        std::memmove(data, data + cut, size_t(end - cut));
        carry = end - cut;
    }
    bytesRead += file.size - counted;
    scanned.scan = std::move(scan);
    return scanned;
}

} // namespace quendal
