#include "transport/core/TlsServerFiles.h"

#include "transport/core/TlsFiles.h"

namespace quendal {

std::optional<QSslConfiguration> readTlsServerConfiguration(const QString& certificateFile,
                                                            const QString& keyFile,
                                                            const QString& clientCaFile,
                                                            QString* error)
{
    const std::optional<TlsIdentity> identity = readTlsIdentity(certificateFile, keyFile, error);
    if (!identity)
        return std::nullopt;
    QSslConfiguration configuration = strictTlsConfiguration(identity);
    if (clientCaFile.isEmpty()) {
        configuration.setPeerVerifyMode(QSslSocket::VerifyNone);
        return configuration;
    }
    const auto authorities = readCaCertificates(clientCaFile, error);
    if (!authorities)
        return std::nullopt;
    // These alone: the system's authorities vouch for nobody here.
    configuration.setCaCertificates(*authorities);
    configuration.setPeerVerifyMode(QSslSocket::VerifyPeer);
    return configuration;
}

} // namespace quendal
