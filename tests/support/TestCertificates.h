#pragma once

#include <QString>

#include <optional>

namespace quendal::test {

// Certificates for TLS tests, all PEM, keys unencrypted (EC P-256): a CA, a server certificate
// signed by it for localhost, 127.0.0.1 and ::1, a client certificate signed by it, and a
// stranger's CA with a client certificate of its own, which the first CA does not vouch for.
struct TestCertificates
{
    QString caCertificate;
    QString caKey;
    QString serverCertificate;
    QString serverKey;
    QString clientCertificate;
    QString clientKey;
    QString strangerCaCertificate;
    QString strangerClientCertificate;
    QString strangerClientKey;
};

// Makes them in `folder` with the openssl command. nullopt, with the reason in `error`, when
// openssl fails or is missing.
std::optional<TestCertificates> makeTestCertificates(const QString& folder,
                                                     QString* error = nullptr);

} // namespace quendal::test
