#pragma once

#include "app/core/HeadlessOptions.h"

#include <memory>
#include <optional>

namespace quendal {

class ReceptionEngine;
class ViewerServer;

// The viewer socket the options ask for: --viewer-socket, else $RUNTIME_DIRECTORY/viewer.sock
// when systemd set a runtime folder; none otherwise.
std::optional<QString> viewerSocketFor(const HeadlessOptions& options);

// Offers what `engine` delivers at `path` (the engine running already, for its port); says on
// standard error where, or why not. Null when the socket cannot be opened: reception goes on
// without viewers.
std::unique_ptr<ViewerServer> openViewerSocket(const QString& path, ReceptionEngine& engine);

} // namespace quendal
