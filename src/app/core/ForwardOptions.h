#pragma once

#include "forward/core/ForwardTarget.h"

#include <QString>

#include <optional>
#include <vector>

namespace quendal {

struct HeadlessOptions;
struct HeadlessSetting;

// One collector as configured: a --forward URL, or a [forward NAME] section of the
// configuration file. What it leaves unset comes from the global forward-* settings.
struct ForwardEntry
{
    QString name;
    std::optional<ForwardUrl> url;
    std::optional<ForwardFormat> format;
    std::optional<QString> ca, cert, key;
    std::optional<int> queueMaxMb;
};

// The forwarding settings of the receiver without a window.
struct ForwardOptions
{
    std::vector<ForwardEntry> targets;
    std::optional<QString> ca, cert, key; // for every target without its own
    std::optional<QString> queueDir;      // none: $STATE_DIRECTORY, else the log folder's queue/
    int queueMaxMb = 1024;
    ForwardFormat format = ForwardFormat::Rfc5424;
    DiskQueueOptions::Sync sync = DiskQueueOptions::Sync::Interval;
};

// The largest queue, in MiB.
inline constexpr int kMaxQueueMb = 1024 * 1024;

// Stores one "key = value" of a [forward NAME] section: url, format, ca, cert, key,
// queue-max-mb. Empty when taken, else what the key needs, or "unknown" for a key it has not.
QString storeForwardSectionValue(ForwardEntry& entry, const QString& key, const QString& value);

// The rows of the settings table (see HeadlessSettings.cpp).
QString storeForward(const HeadlessSetting&, const QString& v, HeadlessOptions& o);
QString storeForwardCa(const HeadlessSetting&, const QString& v, HeadlessOptions& o);
QString storeForwardCert(const HeadlessSetting&, const QString& v, HeadlessOptions& o);
QString storeForwardKey(const HeadlessSetting&, const QString& v, HeadlessOptions& o);
QString storeForwardFormat(const HeadlessSetting&, const QString& v, HeadlessOptions& o);
QString storeQueueDir(const HeadlessSetting&, const QString& v, HeadlessOptions& o);
QString storeQueueMaxMb(const HeadlessSetting&, const QString& v, HeadlessOptions& o);
QString storeQueueSync(const HeadlessSetting&, const QString& v, HeadlessOptions& o);

// What forwarding runs with, its files checked: nullopt, with the one-line reason in `problem`,
// when a target has no URL, a certificate or key file cannot be used, or a cert comes without
// its key.
std::optional<ForwardSettings> forwardSettingsFor(const ForwardOptions& options,
                                                  const QString& logFolder, QString* problem);

} // namespace quendal
