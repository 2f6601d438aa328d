#include "transport/core/TlsFiles.h"

#include <QFile>

namespace quendal {

namespace {

std::optional<QByteArray> readWhole(const QString& file, QString* error)
{
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("cannot read %1: %2").arg(file, in.errorString());
        return std::nullopt;
    }
    return in.readAll();
}

} // namespace

std::optional<TlsIdentity> readTlsIdentity(const QString& certificateFile, const QString& keyFile,
                                           QString* error)
{
    const auto certificates = readWhole(certificateFile, error);
    if (!certificates)
        return std::nullopt;
    TlsIdentity identity;
    identity.chain = QSslCertificate::fromData(*certificates, QSsl::Pem);
    if (identity.chain.isEmpty() || identity.chain.first().isNull()) {
        if (error)
            *error = QStringLiteral("%1 holds no PEM certificate").arg(certificateFile);
        return std::nullopt;
    }
    const auto key = readWhole(keyFile, error);
    if (!key)
        return std::nullopt;
    for (const QSsl::KeyAlgorithm algorithm : {QSsl::Rsa, QSsl::Ec}) {
        identity.key = QSslKey(*key, algorithm, QSsl::Pem, QSsl::PrivateKey);
        if (!identity.key.isNull())
            return identity;
    }
    if (error)
        *error = QStringLiteral("%1 holds no unencrypted PEM private key (RSA or EC)").arg(keyFile);
    return std::nullopt;
}

std::optional<QList<QSslCertificate>> readCaCertificates(const QString& file, QString* error)
{
    const auto data = readWhole(file, error);
    if (!data)
        return std::nullopt;
    QList<QSslCertificate> certificates = QSslCertificate::fromData(*data, QSsl::Pem);
    if (certificates.isEmpty()) {
        if (error)
            *error = QStringLiteral("%1 holds no PEM certificate").arg(file);
        return std::nullopt;
    }
    return certificates;
}

QSslConfiguration strictTlsConfiguration(const std::optional<TlsIdentity>& identity)
{
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.setProtocol(QSsl::TlsV1_2OrLater);
    configuration.setPeerVerifyMode(QSslSocket::VerifyPeer);
    if (identity) {
        configuration.setLocalCertificateChain(identity->chain);
        configuration.setPrivateKey(identity->key);
    }
    return configuration;
}

} // namespace quendal
