#include "receiver/core/CSysLogSocket.h"

#include "app/core/CDebugConsole.h"
#include "app/core/UiText.h"
#include "logs/core/AutoLogFiles.h"
#include "logs/core/EntrySplitter.h"
#include "logs/core/LogList.h"
#include "receiver/core/CReplaySocket.h"
#include "receiver/core/HostList.h"
#include "receiver/core/PriorityDecoder.h"
#include "receiver/core/WanStatus.h"

#include <QHostAddress>
#include <QNetworkInterface>
#include <QSocketNotifier>

#include <algorithm>
#include <cstring>

namespace quendal {
namespace {

constexpr int kAnyHostText = 9002;
constexpr int kStatusFacility = 21;

bool isLoopback(quint32 networkOrderAddress)
{
    return (ntohl(networkOrderAddress) >> 24) == 127;
}

} // namespace

CSysLogSocket::CSysLogSocket(const IntakeTargets& targets, QObject* parent)
    : QObject(parent), targets_(targets)
{
    Q_ASSERT(targets_.hosts);
}

CSysLogSocket::~CSysLogSocket()
{
    Close();
}

bool CSysLogSocket::Create(quint16 port, QString* error, quint32 address)
{
    Close();
    if (!socket_.open(port, address, error))
        return false;
    receiveBufferBytes_ = socket_.requestReceiveBuffer(kReceiveBufferBytes);
    counters_ = {};
    notifier_ = std::make_unique<QSocketNotifier>(socket_.descriptor(), QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &CSysLogSocket::OnReceive);
    return true;
}

void CSysLogSocket::Close()
{
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
        if (a.protocol() == QAbstractSocket::IPv4Protocol)
            ownAddresses_.insert(htonl(a.toIPv4Address()));
    }
}

bool CSysLogSocket::isOwnForward(const sockaddr_in& from) const
{
    if (!replay_ || !replay_->isOpen() || ntohs(from.sin_port) != replay_->localPort())
        return false;
    return isLoopback(from.sin_addr.s_addr) || ownAddresses_.contains(from.sin_addr.s_addr);
}

void CSysLogSocket::OnReceive()
{
    sockaddr_in from{};
    const qsizetype n = socket_.receive(current_.Text.data(), CurrentDatagram::kTextSize, &from);
    if (n < 0)
        return; // nothing to read after all
    intake(n, from);
}

void CSysLogSocket::takeIn(QByteArrayView datagram, const sockaddr_in& from)
{
    const qsizetype n = std::min<qsizetype>(datagram.size(), CurrentDatagram::kTextSize);
    std::memcpy(current_.Text.data(), datagram.data(), size_t(n));
    intake(n, from);
}

void CSysLogSocket::intake(qsizetype n, const sockaddr_in& from)
{
    CurrentDatagram& d = current_;
    d.Severity = d.Facility = d.Priority = d.HeaderEnd = 0;
    d.Text[size_t(n)] = 0;
    d.ByteCount = n;
    d.TextLength = qsizetype(::strnlen(d.Text.data(), size_t(n)));
    ++counters_.read;

    if (isOwnForward(from)) {
        ++counters_.ownForwards;
        return;
    }
    if (from.sin_addr.s_addr != lastSource_ || d.SourceAddress.isEmpty()) {
        lastSource_ = from.sin_addr.s_addr;
        d.SourceAddress = dottedAddress(from.sin_addr.s_addr);
    }
    d.SourcePort = ntohs(from.sin_port);

    if (targets_.console)
        targets_.console->Print(d.text());

    if (!acceptedByHostFilter()) {
        ++counters_.filtered;
        return;
    }
    if (d.Text[0] != '<') {
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
        // Exactly the bytes that came in, zeros and all.
        if (replay_->forward(d.Text.data(), size_t(d.ByteCount)))
            ++counters_.forwarded;
        else
            ++counters_.forwardFailed;
    }
    dispatch();
}

bool CSysLogSocket::acceptedByHostFilter()
{
    HostList& hosts = *targets_.hosts;
    const QString& source = current_.SourceAddress;
    const QString& selected = hosts.selectedText();
    const bool accepted = selected == source || selected == GetUiText(kAnyHostText);
    // New senders are recorded whether or not their datagram passes.
    hosts.add(source);
    return accepted;
}

void CSysLogSocket::dispatch()
{
    CurrentDatagram& d = current_;
    const Priority p = decodePriority(d.bytes(), d.HeaderEnd);
    d.Priority = p.value;
    d.Facility = p.facility;
    d.Severity = p.severity;

    if (const auto category = categoryForFacility(d.Facility)) {
        StoreEntry(targets_.lists[size_t(categoryIndex(*category))], *category);
    } else if (d.Facility == kStatusFacility) {
        ShowWanStatus();
    } else {
        ++counters_.ignored;
    }
}

int CSysLogSocket::StoreEntry(LogList* list, LogCategory category)
{
    if (categoryIndex(category) < 0 || categoryIndex(category) >= kCategoryCount)
        return 0;
    const LogEntryView entry = splitEntry(current_.text(), current_.HeaderEnd, current_.Severity);
    if (list)
        list->prepend(entry);
    if (targets_.files && targets_.files->append(category, entry))
        ++counters_.written;
    ++counters_.stored;
    Q_EMIT entryStored(category, entry);
    return 1;
}

void CSysLogSocket::ShowWanStatus()
{
    ++counters_.statusReports;
    if (!targets_.wan)
        return;
    if (targets_.hosts->selectedText() == GetUiText(kAnyHostText))
        targets_.wan->reset();
    else
        targets_.wan->apply(current_.text());
}

} // namespace quendal
