#pragma once

#include "forward/core/ForwardTarget.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace quendal {

class SettingsStore;

// The window's forwarding settings as its settings store keeps them.
struct StoredForwarding
{
    QStringList urls; // tcp://, tls:// or udp:// collectors
    QString caFile;   // empty: the system's trust store
    QString certFile; // with keyFile: the client certificate; empty: none
    QString keyFile;

    bool operator==(const StoredForwarding&) const = default;
};

StoredForwarding readStoredForwarding(const SettingsStore& store);
bool storeForwarding(SettingsStore& store, const StoredForwarding& forwarding);

// What the window forwards with, queues in the log folder's queue/. nullopt, with the reason in
// `problem`, when a URL or a file cannot be used.
std::optional<ForwardSettings> forwardSettingsFor(const StoredForwarding& forwarding,
                                                  const QString& logFolder, QString* problem);

} // namespace quendal
