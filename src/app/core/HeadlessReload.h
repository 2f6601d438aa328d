#pragma once

#include "app/core/HeadlessConfiguration.h"

#include <QString>

#include <functional>

namespace quendal {

class ReceptionEngine;

// The running receiver's configuration, and SIGHUP's reload of it.
class HeadlessReload
{
public:
    // `engine` runs with `settings`, made from `options`, which came from `source`.
    HeadlessReload(ConfigurationSource source, HeadlessOptions options, ReceptionSettings settings,
                   ReceptionEngine& engine);

    // Reads the configuration file and the command line again and applies what changed, each
    // between two datagrams: the allow list, the rate limit, the accepted sender, the log folder,
    // Replay and the interval of --stats at once; a new port or listen address rebinds (the
    // counts so far are printed first, as the engine's start afresh). debug, max-senders and
    // switching --stats on or off wait for the next start, and a line says so. A file that is
    // now wrong, or a new port that cannot be bound, is reported once on standard error and the
    // running configuration stays: false then.
    bool reloadConfiguration();

    const HeadlessOptions& options() const { return options_; }
    const ReceptionSettings& settings() const { return settings_; }

    // Called before a rebind with the engine's counts so far, and when the interval of --stats
    // changes.
    std::function<void()> beforeRebind;
    std::function<void()> statsIntervalChanged;

private:
    bool rebind(const ReceptionSettings& settings);

    ConfigurationSource source_;
    HeadlessOptions options_;
    ReceptionSettings settings_;
    ReceptionEngine& engine_;
};

// "cannot receive on [::1]:514: reason (hint)", for a start or a rebind that failed.
QString cannotReceiveText(const ReceptionSettings& settings, const QString& error);

} // namespace quendal
