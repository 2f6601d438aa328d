#include "receiver/core/CSysLogSocket.h"

#include "logs/core/AutoLogFiles.h"

#include <QSocketNotifier>
#include <QTimer>

#include <optional>

namespace quendal {

CSysLogSocket::CSysLogSocket(IntakeSink& sink, const IntakeOutputs& outputs, QObject* parent,
                             const Clock& clock)
    : QObject(parent), sink_(sink), outputs_(outputs), step_(sink, outputs, clock),
      rest_(new QTimer(this))
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
    // Quietly: the sink may be going too.
    rest_->stop();
    notifier_.reset();
    socket_.close();
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

bool CSysLogSocket::Adopt(int descriptor, QString* error, int receiveBufferBytes)
{
    Close();
    return startReading(socket_.adopt(descriptor, error), receiveBufferBytes);
}

bool CSysLogSocket::startReading(bool opened, int receiveBufferBytes)
{
    if (!opened)
        return false;
    receiveBufferBytes_ = socket_.requestReceiveBuffer(receiveBufferBytes);
    socket_.enableDropCounter();
    reader_.resetKernelDrops();
    step_.resetCounters();
    notifier_ = std::make_unique<QSocketNotifier>(socket_.descriptor(), QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &CSysLogSocket::OnReceive);
    return true;
}

void CSysLogSocket::Close()
{
    rest_->stop();
    notifier_.reset();
    if (socket_.isOpen()) {
        // Drops after the last datagram read are counted too.
        readKernelDrops();
        step_.endDrain(true);
    }
    socket_.close();
}

void CSysLogSocket::readKernelDrops()
{
    if (const std::optional<quint32> count = socket_.kernelDropCount())
        reader_.noteDropCount(*count);
    step_.setKernelDrops(reader_.kernelDrops());
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
            step_.take({QByteArrayView(reader_.data(i), reader_.size(i)), reader_.from(i)});
        step_.setKernelDrops(reader_.kernelDrops());
    }
    step_.endDrain();
    sink_.drainEnded();
    if (n < kDrainLimit && notifier_) {
        notifier_->setEnabled(false);
        rest_->start();
    }
}

IntakeOutcome CSysLogSocket::takeIn(QByteArrayView datagram, const SocketAddress& from)
{
    return step_.take({datagram, from});
}

IntakeOutcome CSysLogSocket::takeIn(QByteArrayView datagram, const sockaddr_in& from)
{
    return step_.take({datagram, SocketAddress(from)});
}

} // namespace quendal
