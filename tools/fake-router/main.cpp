#include "FakeRouterOptions.h"

#include <QCoreApplication>
#include <QNetworkDatagram>
#include <QUdpSocket>

#include <cstdio>

using namespace quendal;
using namespace quendal::fakerouter;

// Exit status: 0 done (or --help), 1 cannot listen, 2 bad options.
int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QString error;
    const auto options = parseFakeRouterOptions(QCoreApplication::arguments().mid(1), &error);
    if (!options) {
        std::fprintf(stderr, "quendal-fake-router: %s\n", qPrintable(error));
        return 2;
    }
    if (options->help) {
        std::fputs(kFakeRouterUsage, stdout);
        return 0;
    }
    const QByteArray reply = *buildSearchReply(options->router);

    QUdpSocket socket;
    if (!socket.bind(options->listenAddress, options->listenPort)) {
        std::fprintf(stderr, "quendal-fake-router: cannot listen on %s:%u: %s\n",
                     qPrintable(options->listenAddress.toString()), options->listenPort,
                     qPrintable(socket.errorString()));
        return 1;
    }
    // Tests read the port from this line when they asked for port 0.
    std::fprintf(stderr, "quendal-fake-router: listening on %s:%u\n",
                 qPrintable(options->listenAddress.toString()), socket.localPort());
    std::fflush(stderr);

    int answered = 0;
    QObject::connect(&socket, &QUdpSocket::readyRead, [&] {
        while (socket.hasPendingDatagrams()) {
            const QNetworkDatagram request = socket.receiveDatagram();
            // Only what a searching page sends; anything else may be another program's traffic.
            if (!hasSearchSignature(request.data()))
                continue;
            // Replies go back only to loopback senders unless the user allowed otherwise.
            if (!request.senderAddress().isLoopback() && !options->allowNonLoopback)
                continue;
            socket.writeDatagram(reply, request.senderAddress(), request.senderPort());
            if (options->count > 0 && ++answered >= options->count) {
                socket.flush();
                QCoreApplication::exit(0);
                return;
            }
        }
    });
    return QCoreApplication::exec();
}
