#pragma once

#include <QList>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QString>

#include <optional>

namespace quendal {

// What one end of a TLS connection presents: its certificate, the intermediates after it, and
// its private key.
struct TlsIdentity
{
    QList<QSslCertificate> chain;
    QSslKey key;
};

// Reads a PEM certificate file (the certificate first, then any intermediates) and an unencrypted
// PEM private key (RSA or EC). nullopt, with a reason naming the file, when either cannot be used.
std::optional<TlsIdentity> readTlsIdentity(const QString& certificateFile, const QString& keyFile,
                                           QString* error);

// The certificates of a PEM file of certificate authorities. nullopt, with a reason naming the
// file, when it cannot be read or holds none.
std::optional<QList<QSslCertificate>> readCaCertificates(const QString& file, QString* error);

// A configuration that speaks TLS 1.2 and 1.3 only and checks the peer's certificate, presenting
// `identity` when given. The caller adds the authorities to trust and the peer's name.
QSslConfiguration strictTlsConfiguration(const std::optional<TlsIdentity>& identity = {});

} // namespace quendal
