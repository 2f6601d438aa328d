#include "receiver/core/CSysLogSocket.h"

#include "logs/core/AutoLogFiles.h"
#include "logs/core/EntrySplitter.h"
#include "receiver/core/CReplaySocket.h"
#include "receiver/core/DatagramEcho.h"
#include "receiver/core/HostFilter.h"
#include "receiver/core/PriorityDecoder.h"
#include "receiver/core/WanStatus.h"

#include <QHostAddress>
#include <QNetworkInterface>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <cstring>
#include <optional>

namespace quendal {
namespace {

constexpr int kStatusFacility = 21;

} // namespace

CSysLogSocket::CSysLogSocket(IntakeSink& sink, const IntakeOutputs& outputs, QObject* parent)
    : QObject(parent), sink_(sink), outputs_(outputs), rest_(new QTimer(this))
{
    rest_->setSingleShot(true);
    rest_->setInterval(kRestAfterDrainMs);
    connect(rest_, &QTimer::timeout, this, [this] {
        if (notifier_)
            notifier_->setEnabled(true);
    });
}

CSysLogSocket::~CSysLogSocket()
{
    Close();
}

bool CSysLogSocket::Create(quint16 port, QString* error, quint32 address, int receiveBufferBytes)
{
    Close();
    const bool opened = address == INADDR_ANY
                            ? socket_.openEveryInterface(port, error)
                            : socket_.open(SocketAddress::ipv4(address, port), error);
    return startReading(opened, receiveBufferBytes);
}

bool CSysLogSocket::Create(const SocketAddress& local, QString* error, int receiveBufferBytes)
{
    Close();
    return startReading(socket_.open(local, error), receiveBufferBytes);
}

bool CSysLogSocket::startReading(bool opened, int receiveBufferBytes)
{
    if (!opened)
        return false;
    receiveBufferBytes_ = socket_.requestReceiveBuffer(receiveBufferBytes);
    socket_.enableDropCounter();
    reader_.resetKernelDrops();
    counters_ = {};
    handedToFiles_ = 0;
    notWrittenAtStart_ = outputs_.files ? outputs_.files->notWritten() : 0;
    notifier_ = std::make_unique<QSocketNotifier>(socket_.descriptor(), QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &CSysLogSocket::OnReceive);
    return true;
}

void CSysLogSocket::Close()
{
    rest_->stop();
    notifier_.reset();
    socket_.close();
}

void CSysLogSocket::setReplay(CReplaySocket* replay)
{
    replay_ = replay;
    ownAddresses_.clear();
    if (!replay_)
        return;
    // Forwards leave from any of this machine's addresses, depending on the route to the target.
    const auto addresses = QNetworkInterface::allAddresses();
    for (const QHostAddress& a : addresses) {
        if (const auto own = SocketAddress::fromText(a.toString(), 0))
            ownAddresses_.push_back(*own);
    }
}

bool CSysLogSocket::isOwnForward(const SocketAddress& from) const
{
    if (!replay_ || !replay_->isOpen() || from.port() != replay_->localPort())
        return false;
    return from.isLoopback() ||
           std::any_of(ownAddresses_.begin(), ownAddresses_.end(),
                       [&](const SocketAddress& own) { return own.sameHost(from); });
}

void CSysLogSocket::OnReceive()
{
    const int n = reader_.read(socket_.descriptor(), kDrainLimit);
    if (n == 0)
        return; // nothing to read after all
    {
        // The entries of one drain reach each file in one write.
        std::optional<AutoLogFiles::BatchScope> scope;
        if (outputs_.files)
            scope.emplace(*outputs_.files);
        for (int i = 0; i < n; ++i)
            intake(reader_.data(i), reader_.size(i), reader_.from(i));
        counters_.kernelDrops = reader_.kernelDrops();
    }
    if (outputs_.files) {
        counters_.notWritten = outputs_.files->notWritten() - notWrittenAtStart_;
        counters_.written = handedToFiles_ - counters_.notWritten;
    }
    sink_.drainEnded();
    if (n < kDrainLimit && notifier_) {
        notifier_->setEnabled(false);
        rest_->start();
    }
}

void CSysLogSocket::takeIn(QByteArrayView datagram, const SocketAddress& from)
{
    intake(datagram.data(), datagram.size(), from);
}

void CSysLogSocket::takeIn(QByteArrayView datagram, const sockaddr_in& from)
{
    intake(datagram.data(), datagram.size(), SocketAddress(from));
}

void CSysLogSocket::intake(const char* data, qsizetype size, const SocketAddress& from)
{
    sink_.beforeDatagram();
    CurrentDatagram& d = current_;
    d.Severity = d.Facility = d.Priority = d.HeaderEnd = 0;
    d.Text = data;
    d.WholeSize = size;
    d.ByteCount = std::min<qsizetype>(size, CurrentDatagram::kTextSize);
    d.TextLength = qsizetype(::strnlen(data, size_t(d.ByteCount)));
    ++counters_.read;
    if (size > CurrentDatagram::kTextSize)
        ++counters_.cut;

    if (isOwnForward(from)) {
        ++counters_.ownForwards;
        return;
    }
    // The text is made once per change of sender, not per datagram.
    if (!from.sameHost(lastSource_) || d.SourceAddress.isEmpty()) {
        lastSource_ = from;
        d.SourceAddress = from.hostText();
    }
    d.SourcePort = from.port();

    if (outputs_.echo)
        outputs_.echo->echo(d.text());

    if (!acceptedByHostFilter()) {
        ++counters_.filtered;
        return;
    }
    if (d.ByteCount == 0 || d.Text[0] != '<') {
        ++counters_.malformed;
        return;
    }
    d.HeaderEnd = findHeaderEnd(d.bytes());
    if (d.HeaderEnd < 0) {
        d.HeaderEnd = 0;
        ++counters_.malformed;
        return;
    }
    if (replay_ && replay_->isOpen()) {
        // Exactly the bytes that came in, zeros and all, however long the datagram.
        if (replay_->forward(d.Text, size_t(d.WholeSize)))
            ++counters_.forwarded;
        else
            ++counters_.forwardFailed;
    }
    dispatch();
}

bool CSysLogSocket::acceptedByHostFilter()
{
    HostFilter& hosts = hosts_;
    const QString& source = current_.SourceAddress;
    // New senders are recorded whether or not their datagram passes.
    if (hosts.record(source))
        sink_.senderAdded(source);
    return hosts.accepts(source);
}

void CSysLogSocket::dispatch()
{
    CurrentDatagram& d = current_;
    const Priority p = decodePriority(d.bytes(), d.HeaderEnd);
    d.Priority = p.value;
    d.Facility = p.facility;
    d.Severity = p.severity;

    if (const auto category = categoryForFacility(d.Facility)) {
        StoreEntry(*category);
    } else if (d.Facility == kStatusFacility) {
        ShowWanStatus();
    } else {
        ++counters_.ignored;
    }
}

int CSysLogSocket::StoreEntry(LogCategory category)
{
    if (categoryIndex(category) < 0 || categoryIndex(category) >= kCategoryCount)
        return 0;
    LogEntryView entry = splitter_.split(current_.text(), current_.HeaderEnd, current_.Severity,
                                         current_.SourceAddress);
    entry.sender = splitter_.senderBytes(current_.SourceAddress);
    if (outputs_.files) {
        // Staged while a drain lasts; what could not be written is taken off after the drain.
        outputs_.files->append(category, entry);
        ++handedToFiles_;
    }
    ++counters_.stored;
    sink_.entryStored(category, entry);
    return 1;
}

void CSysLogSocket::ShowWanStatus()
{
    ++counters_.statusReports;
    sink_.statusReported(current_.SourceAddress, current_.text());
    const bool changed = hosts_.acceptsEverySender() ? wan_.reset() : wan_.apply(current_.text());
    if (changed)
        sink_.statusChanged(wan_);
}

} // namespace quendal
