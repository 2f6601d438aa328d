#include "receiver/core/IntakeStep.h"

#include "forward/core/ForwardSink.h"
#include "logs/core/AutoLogFiles.h"
#include "receiver/core/CReplaySocket.h"
#include "receiver/core/DatagramEcho.h"

#include <QHostAddress>
#include <QNetworkInterface>

#include <algorithm>
#include <cstring>

namespace quendal {
namespace {

constexpr int kStatusFacility = 21;

} // namespace

void IntakeCounters::count(const IntakeOutcome& o)
{
    ++read;
    readTcp += o.transport == Transport::Tcp;
    readTls += o.transport == Transport::Tls;
    switch (o.result) {
    case IntakeResult::NotAllowed:
        ++notAllowed;
        break;
    case IntakeResult::OverRate:
        ++overRate;
        break;
    case IntakeResult::OwnForward:
        ++ownForwards;
        break;
    case IntakeResult::Filtered:
        ++filtered;
        break;
    case IntakeResult::Malformed:
        ++malformed;
        break;
    case IntakeResult::Stored:
        ++stored;
        break;
    case IntakeResult::StatusReport:
        ++statusReports;
        break;
    case IntakeResult::OtherFacility:
        ++ignored;
        break;
    }
    forwarded += o.forward == ForwardResult::Sent;
    forwardFailed += o.forward == ForwardResult::Failed;
    cut += o.cut;
    notListed += o.senderNotListed;
}

IntakeStep::IntakeStep(IntakeSink& sink, const IntakeOutputs& outputs, const Clock& clock)
    : sink_(sink), outputs_(outputs), clock_(clock), rateLimit_(clock)
{}

void IntakeStep::resetCounters()
{
    counters_ = {};
    handedToFiles_ = 0;
    notWrittenAtStart_ = outputs_.files ? outputs_.files->notWritten() : 0;
    rateLimit_.reset();
    reported_ = false;
}

void IntakeStep::setReplay(CReplaySocket* replay)
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

bool IntakeStep::isOwnForward(const SocketAddress& from) const
{
    if (!replay_ || !replay_->isOpen() || from.port() != replay_->localPort())
        return false;
    return from.isLoopback() ||
           std::any_of(ownAddresses_.begin(), ownAddresses_.end(),
                       [&](const SocketAddress& own) { return own.sameHost(from); });
}

const QString& IntakeStep::senderText(const SocketAddress& from)
{
    if (!from.sameHost(lastSource_) || lastSourceText_.isEmpty()) {
        lastSource_ = from;
        lastSourceText_ = from.hostText();
    }
    return lastSourceText_;
}

IntakeOutcome IntakeStep::take(const IncomingMessage& message)
{
    sink_.beforeDatagram();
    IntakeOutcome outcome;
    outcome.transport = message.transport;
    outcome.cut = message.bytes.size() > kTextSize;
    outcome.result = decide(message, outcome);
    counters_.count(outcome);
    sink_.messageTaken(message, outcome);
    return outcome;
}

IntakeResult IntakeStep::decide(const IncomingMessage& message, IntakeOutcome& outcome)
{
    const SocketAddress& from = message.from;
    // Who may send, and how much, before anything else sees the message.
    if (!allowedBy(allow_, from))
        return IntakeResult::NotAllowed;
    if (!rateLimit_.admit(from))
        return IntakeResult::OverRate;
    if (isOwnForward(from))
        return IntakeResult::OwnForward;

    const QByteArrayView kept =
        message.bytes.first(std::min<qsizetype>(message.bytes.size(), kTextSize));
    const QByteArrayView text(kept.data(), qsizetype(::strnlen(kept.data(), size_t(kept.size()))));
    if (outputs_.echo)
        outputs_.echo->echo(text);

    // New senders are recorded whether or not their message passes.
    const QString& sender = senderText(from);
    switch (hosts_.record(sender)) {
    case HostFilter::Recorded::Added:
        sink_.senderAdded(sender);
        break;
    case HostFilter::Recorded::NotListed:
        outcome.senderNotListed = true;
        break;
    default:
        break;
    }
    if (!hosts_.accepts(from, sender))
        return IntakeResult::Filtered;

    if (kept.isEmpty() || kept.front() != '<')
        return IntakeResult::Malformed;
    const int headerEnd = findHeaderEnd(kept);
    if (headerEnd < 0)
        return IntakeResult::Malformed;
    if (replay_ && replay_->isOpen()) {
        // Exactly the bytes that came in, zeros and all, however long the message.
        outcome.forward = replay_->forward(message.bytes.data(), size_t(message.bytes.size()))
                              ? ForwardResult::Sent
                              : ForwardResult::Failed;
    }
    if (outputs_.forward) {
        // The whole message, as for Replay; the collectors' queues are filled on a thread of
        // their own.
        outputs_.forward->offer(message.bytes, sender, clock_.wallMs());
    }
    outcome.priority = decodePriority(kept, headerEnd);
    if (const auto category = categoryForFacility(outcome.priority.facility)) {
        outcome.category = *category;
        StoreEntry(text, outcome.priority, sender, *category);
        return IntakeResult::Stored;
    }
    if (outcome.priority.facility == kStatusFacility) {
        ShowWanStatus(text, sender);
        return IntakeResult::StatusReport;
    }
    return IntakeResult::OtherFacility;
}

void IntakeStep::StoreEntry(QByteArrayView text, const Priority& priority, const QString& sender,
                            LogCategory category)
{
    LogEntryView entry = splitter_.split(text, priority.headerEnd, priority.severity, sender);
    entry.sender = splitter_.senderBytes(sender);
    if (outputs_.files) {
        // Staged while a drain lasts; what could not be written is taken off after the drain.
        outputs_.files->append(category, entry);
        ++handedToFiles_;
    }
    sink_.entryStored(category, entry);
}

void IntakeStep::ShowWanStatus(QByteArrayView text, const QString& sender)
{
    sink_.statusReported(sender, text);
    const bool changed = hosts_.acceptsEverySender() ? wan_.reset() : wan_.apply(text);
    if (changed)
        sink_.statusChanged(wan_);
}

void IntakeStep::endDrain(bool reportNow)
{
    if (outputs_.files) {
        counters_.notWritten = outputs_.files->notWritten() - notWrittenAtStart_;
        counters_.written = handedToFiles_ - counters_.notWritten;
    }
    if (!rateLimit_.hasExcess())
        return;
    const qint64 now = clock_.monotonicMs();
    if (!reportNow && reported_ && now - lastReportMs_ < kOverRateReportMs)
        return;
    reported_ = true;
    lastReportMs_ = now;
    sink_.overRate(rateLimit_.takeReports());
}

} // namespace quendal
