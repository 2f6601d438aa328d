#include "viewer/core/ViewerProtocol.h"

#include <QBuffer>
#include <QCborArray>
#include <QCborMap>
#include <QCborStreamReader>
#include <QCborStreamWriter>
#include <QCborValue>
#include <QtEndian>

#include <algorithm>

namespace quendal {
namespace {

using namespace Qt::StringLiterals;

// Entries are cut into frames of about this size, far below the maximum even with the longest
// entries.
constexpr qsizetype kChunkBytes = qsizetype(256) << 10;

// The counters in the order they travel; a new counter goes at the end.
constexpr quint64 IntakeCounters::*kCounterFields[] = {
    &IntakeCounters::read,      &IntakeCounters::notAllowed,    &IntakeCounters::overRate,
    &IntakeCounters::filtered,  &IntakeCounters::malformed,     &IntakeCounters::ownForwards,
    &IntakeCounters::stored,    &IntakeCounters::statusReports, &IntakeCounters::ignored,
    &IntakeCounters::forwarded, &IntakeCounters::forwardFailed, &IntakeCounters::written,
    &IntakeCounters::cut,       &IntakeCounters::notListed,     &IntakeCounters::kernelDrops,
    &IntakeCounters::notWritten};

// A frame under construction: the length is filled in at the end.
class FrameWriter
{
public:
    FrameWriter() : buffer_(&bytes_), writer_(&buffer_)
    {
        buffer_.open(QIODevice::WriteOnly | QIODevice::Append);
    }
    QCborStreamWriter& cbor() { return writer_; }
    qsizetype size() const { return bytes_.size(); }
    QByteArray take()
    {
        qToBigEndian(quint32(bytes_.size() - 4), bytes_.data());
        return std::move(bytes_);
    }

private:
    QByteArray bytes_{4, '\0'}; // the length, filled in by take()
    QBuffer buffer_;
    QCborStreamWriter writer_;
};

void writeText(QCborStreamWriter& w, const char* key, const QString& value)
{
    w.append(QLatin1StringView(key));
    w.append(value);
}

void writeEntry(QCborStreamWriter& w, LogCategory category, const LogEntryView& e)
{
    w.startArray(6);
    w.append(categoryIndex(category));
    w.appendByteString(e.time.data(), e.time.size());
    w.appendByteString(e.host.data(), e.host.size());
    w.appendByteString(e.message.data(), e.message.size());
    w.append(int(e.severity));
    w.appendByteString(e.sender.data(), e.sender.size());
    w.endArray();
}

QByteArray smallFrame(const QCborMap& map)
{
    const QByteArray cbor = map.toCborValue().toCbor();
    QByteArray frame(4, '\0');
    qToBigEndian(quint32(cbor.size()), frame.data());
    return frame + cbor;
}

std::optional<LogCategory> categoryOf(const QCborValue& v)
{
    if (!v.isInteger() || v.toInteger() < 0 || v.toInteger() >= kCategoryCount)
        return std::nullopt;
    return LogCategory(v.toInteger());
}

std::optional<LogEntry> entryOf(const QCborArray& a, LogCategory* category)
{
    if (a.size() != 6)
        return std::nullopt;
    const auto c = categoryOf(a[0]);
    if (!c || !a[1].isByteArray() || !a[2].isByteArray() || !a[3].isByteArray() ||
        !a[4].isInteger() || !a[5].isByteArray())
        return std::nullopt;
    *category = *c;
    return LogEntry{a[1].toByteArray(), a[2].toByteArray(), a[3].toByteArray(),
                    severityOf(int(a[4].toInteger())), a[5].toByteArray()};
}

// A byte string's bytes, however many chunks it comes in.
bool readBytes(QCborStreamReader& r, QByteArray& out)
{
    if (!r.isByteArray())
        return false;
    auto chunk = r.readByteArray();
    out = std::move(chunk.data);
    while (chunk.status == QCborStreamReader::Ok) {
        chunk = r.readByteArray();
        out += chunk.data;
    }
    return chunk.status == QCborStreamReader::EndOfString;
}

bool readInteger(QCborStreamReader& r, qint64& out)
{
    if (!r.isInteger())
        return false;
    out = r.toInteger();
    return r.next();
}

// One entry array, read straight from the stream: the bulk of a back-fill, too many to build a
// value tree for.
bool readEntry(QCborStreamReader& r, LogCategory& category, LogEntry& e)
{
    if (!r.isArray() || !r.isLengthKnown() || r.length() != 6 || !r.enterContainer())
        return false;
    qint64 c = -1;
    qint64 severity = 0;
    if (!readInteger(r, c) || c < 0 || c >= kCategoryCount || !readBytes(r, e.time) ||
        !readBytes(r, e.host) || !readBytes(r, e.message) || !readInteger(r, severity) ||
        !readBytes(r, e.sender))
        return false;
    category = LogCategory(c);
    e.severity = severityOf(int(std::clamp<qint64>(severity, -1, 8)));
    return r.leaveContainer();
}

// The frame's map with its entries read apart, straight from the stream; false when malformed.
bool readFrameMap(QByteArrayView cbor, QCborMap& map,
                  std::vector<std::pair<LogCategory, LogEntry>>& entries)
{
    QCborStreamReader r(cbor.data(), cbor.size());
    if (!r.isMap() || !r.enterContainer())
        return false;
    while (r.lastError() == QCborError::NoError && r.hasNext()) {
        const QCborValue key = QCborValue::fromCbor(r);
        if (r.lastError() != QCborError::NoError)
            return false;
        if (key.toString() == "entries"_L1 && r.isArray()) {
            if (!r.enterContainer())
                return false;
            while (r.lastError() == QCborError::NoError && r.hasNext()) {
                LogCategory category{};
                LogEntry entry;
                if (!readEntry(r, category, entry))
                    return false;
                entries.emplace_back(category, std::move(entry));
            }
            if (!r.leaveContainer())
                return false;
            continue;
        }
        const QCborValue value = QCborValue::fromCbor(r);
        if (r.lastError() != QCborError::NoError)
            return false;
        if (key.isString()) // the only keys there are; anything else is passed over
            map.insert(key.toString(), value);
    }
    return r.lastError() == QCborError::NoError && r.leaveContainer();
}

bool decodeRest(const QCborMap& m, ViewerBatch& b)
{
    for (const QCborValue& s : m.value("senders"_L1).toArray())
        b.senders.append(s.toString());
    if (const QCborValue status = m.value("status"_L1); status.isMap()) {
        WanStatus::Snapshot snapshot;
        const QCborArray values = status.toMap().value("values"_L1).toArray();
        if (values.size() != qsizetype(snapshot.values.size()))
            return false;
        for (size_t i = 0; i < snapshot.values.size(); ++i)
            snapshot.values[i] = values[qsizetype(i)].toByteArray();
        if (const QCborValue mode = status.toMap().value("mode"_L1); mode.isByteArray())
            snapshot.mode = mode.toByteArray();
        b.status = std::move(snapshot);
    }
    for (const QCborValue& v : m.value("minutes"_L1).toArray()) {
        const QCborArray a = v.toArray();
        if (a.size() != 1 + 2 * kCategoryCount || !a[0].isInteger())
            return false;
        MinuteCounts counts;
        counts.minute = a[0].toInteger();
        for (int i = 0; i < kCategoryCount; ++i) {
            counts.entries[size_t(i)] = quint32(a[1 + i].toInteger());
            counts.emergencies[size_t(i)] = quint32(a[1 + kCategoryCount + i].toInteger());
        }
        b.activity.minutes.push_back(counts);
    }
    for (const QCborValue& v : m.value("reports"_L1).toArray()) {
        const QCborArray a = v.toArray();
        if (a.size() != 3 || !a[1].isInteger() || !a[2].isByteArray())
            return false;
        b.activity.reports.push_back(
            {a[0].toString(), readLinkReport(a[2].toByteArray(), a[1].toInteger())});
    }
    for (const QCborValue& v : m.value("emergencies"_L1).toArray()) {
        const QCborArray a = v.toArray();
        if (a.size() != 2 || !a[0].isInteger())
            return false;
        EmergencySample sample;
        sample.minute = a[0].toInteger();
        const auto entry = entryOf(a[1].toArray(), &sample.category);
        if (!entry)
            return false;
        sample.entry = *entry;
        b.activity.emergencies.push_back(std::move(sample));
    }
    if (const QCborValue counters = m.value("counters"_L1); counters.isArray()) {
        const QCborArray a = counters.toArray();
        IntakeCounters c;
        for (size_t i = 0; i < std::size(kCounterFields) && qsizetype(i) < a.size(); ++i)
            c.*kCounterFields[i] = quint64(a[qsizetype(i)].toInteger());
        b.counters = c;
    }
    return true;
}

} // namespace

ReceptionBatch ViewerBatch::toReceptionBatch() &&
{
    ReceptionBatch out;
    for (const auto& [category, entry] : entries)
        out.rows[size_t(categoryIndex(category))].prepend(entry.view());
    out.newSenders = std::move(senders);
    out.status = std::move(status);
    out.activity = std::move(activity);
    if (counters)
        out.counters = *counters;
    return out;
}

QByteArray encodeViewerHello(const ViewerHello& hello)
{
    QCborMap m{
        {"type"_L1, "hello"_L1}, {"version"_L1, hello.version}, {"backfill"_L1, hello.backfill}};
    if (hello.category)
        m.insert("category"_L1, categoryIndex(*hello.category));
    if (hello.host)
        m.insert("host"_L1, *hello.host);
    return smallFrame(m);
}

QByteArray encodeServiceWelcome(const ServiceWelcome& welcome)
{
    return smallFrame({{"type"_L1, "welcome"_L1},
                       {"version"_L1, welcome.version},
                       {"program"_L1, welcome.program},
                       {"port"_L1, welcome.port}});
}

QByteArray encodeViewerRefusal(const ViewerRefusal& refusal)
{
    return smallFrame({{"type"_L1, "refused"_L1},
                       {"version"_L1, kViewerProtocolVersion},
                       {"reason"_L1, refusal.reason}});
}

QByteArray encodeMissedEntries(const MissedEntries& missed)
{
    return smallFrame({{"type"_L1, "missed"_L1}, {"count"_L1, qint64(missed.count)}});
}

namespace {

template <typename Entries, typename ViewOf>
std::vector<QByteArray> encodeBatch(const ViewerBatch& batch, const Entries& entries, ViewOf viewOf)
{
    std::vector<QByteArray> frames;
    size_t next = 0;
    do {
        FrameWriter f;
        QCborStreamWriter& w = f.cbor();
        w.startMap();
        writeText(w, "type", u"batch"_s);
        w.append("backfill"_L1);
        w.append(batch.backfill);
        w.append("entries"_L1);
        w.startArray();
        for (; next < entries.size() && f.size() < kChunkBytes; ++next)
            writeEntry(w, entries[next].first, viewOf(entries[next].second));
        w.endArray();
        if (next == entries.size()) {
            w.append("senders"_L1);
            w.startArray(quint64(batch.senders.size()));
            for (const QString& s : batch.senders)
                w.append(s);
            w.endArray();
            if (batch.status) {
                w.append("status"_L1);
                w.startMap(batch.status->mode ? 2 : 1);
                w.append("values"_L1);
                w.startArray(batch.status->values.size());
                for (const QByteArray& v : batch.status->values)
                    w.append(v);
                w.endArray();
                if (batch.status->mode) {
                    w.append("mode"_L1);
                    w.append(*batch.status->mode);
                }
                w.endMap();
            }
            w.append("minutes"_L1);
            w.startArray(batch.activity.minutes.size());
            for (const MinuteCounts& c : batch.activity.minutes) {
                w.startArray(1 + 2 * kCategoryCount);
                w.append(c.minute);
                for (const quint32 n : c.entries)
                    w.append(n);
                for (const quint32 n : c.emergencies)
                    w.append(n);
                w.endArray();
            }
            w.endArray();
            w.append("reports"_L1);
            w.startArray(batch.activity.reports.size());
            for (const SenderReport& r : batch.activity.reports) {
                w.startArray(3);
                w.append(r.sender);
                w.append(r.report.at);
                w.append(r.report.text);
                w.endArray();
            }
            w.endArray();
            w.append("emergencies"_L1);
            w.startArray(batch.activity.emergencies.size());
            for (const EmergencySample& e : batch.activity.emergencies) {
                w.startArray(2);
                w.append(e.minute);
                writeEntry(w, e.category, e.entry.view());
                w.endArray();
            }
            w.endArray();
            if (batch.counters) {
                w.append("counters"_L1);
                w.startArray(std::size(kCounterFields));
                for (const auto field : kCounterFields)
                    w.append(*batch.counters.*field);
                w.endArray();
            }
        }
        w.endMap();
        frames.push_back(f.take());
    } while (next < entries.size());
    return frames;
}

} // namespace

std::vector<QByteArray> encodeViewerBatch(const ViewerBatch& batch)
{
    return encodeBatch(batch, batch.entries, [](const LogEntry& e) { return e.view(); });
}

std::vector<QByteArray>
encodeViewerBatch(const ViewerBatch& batch,
                  const std::vector<std::pair<LogCategory, LogEntryView>>& entries)
{
    return encodeBatch(batch, entries, [](const LogEntryView& e) { return e; });
}

std::optional<ViewerMessage> decodeViewerMessage(QByteArrayView cbor)
{
    QCborMap m;
    std::vector<std::pair<LogCategory, LogEntry>> entries;
    if (!readFrameMap(cbor, m, entries))
        return std::nullopt;
    const QString type = m.value("type"_L1).toString();
    if (type == "hello"_L1) {
        ViewerHello hello;
        hello.version = int(m.value("version"_L1).toInteger(-1));
        hello.backfill = qMax<qint64>(0, m.value("backfill"_L1).toInteger());
        if (const QCborValue c = m.value("category"_L1); !c.isUndefined()) {
            hello.category = categoryOf(c);
            if (!hello.category)
                return std::nullopt;
        }
        if (const QCborValue h = m.value("host"_L1); h.isByteArray())
            hello.host = h.toByteArray();
        return hello;
    }
    if (type == "welcome"_L1)
        return ServiceWelcome{int(m.value("version"_L1).toInteger(-1)),
                              m.value("program"_L1).toString(),
                              quint16(m.value("port"_L1).toInteger())};
    if (type == "refused"_L1)
        return ViewerRefusal{m.value("reason"_L1).toString()};
    if (type == "missed"_L1)
        return MissedEntries{quint64(m.value("count"_L1).toInteger())};
    if (type != "batch"_L1)
        return std::nullopt;
    ViewerBatch batch;
    batch.backfill = m.value("backfill"_L1).toBool();
    batch.entries = std::move(entries);
    if (!decodeRest(m, batch))
        return std::nullopt;
    return batch;
}

void ViewerFrameReader::append(QByteArrayView bytes)
{
    if (failed_)
        return;
    if (start_ > 0 && start_ == buffer_.size()) {
        buffer_.truncate(0);
        start_ = 0;
    }
    buffer_.append(bytes);
}

std::optional<QByteArray> ViewerFrameReader::next()
{
    if (failed_ || buffer_.size() - start_ < 4)
        return std::nullopt;
    const quint32 length = qFromBigEndian<quint32>(buffer_.constData() + start_);
    if (length > quint32(kMaxViewerFrameBytes)) {
        failed_ = true;
        buffer_.clear();
        start_ = 0;
        return std::nullopt;
    }
    if (buffer_.size() - start_ - 4 < qsizetype(length))
        return std::nullopt;
    QByteArray frame = buffer_.mid(start_ + 4, length);
    start_ += 4 + length;
    if (start_ > (qsizetype(1) << 20)) { // the consumed front goes back now and then
        buffer_.remove(0, start_);
        start_ = 0;
    }
    return frame;
}

} // namespace quendal
