#pragma once

#include <QSslConfiguration>
#include <QString>

#include <optional>

namespace quendal {

// The configuration a TLS listener hands to every new connection: `certificateFile` and `keyFile`
// presented (TLS 1.2 and 1.3 only); with `clientCaFile`, clients must present a certificate that
// one of its authorities signed, otherwise none is asked for. nullopt, with a reason naming the
// file, when any of them cannot be used.
std::optional<QSslConfiguration> readTlsServerConfiguration(const QString& certificateFile,
                                                            const QString& keyFile,
                                                            const QString& clientCaFile,
                                                            QString* error);

} // namespace quendal
