#pragma once

#include "app/core/HeadlessOptions.h"

#include <memory>
#include <optional>

namespace quendal {

class ArrivalOrder;
class ReceptionEngine;
class ViewerServer;

// The viewer socket the options ask for: --viewer-socket, else $RUNTIME_DIRECTORY/viewer.sock
// when systemd set a runtime folder; none otherwise.
std::optional<QString> viewerSocketFor(const HeadlessOptions& options);

// Offers what `engine` delivers at `path` (the engine running already, for its port); says on
// standard error where, or why not. Null when the socket cannot be opened: reception goes on
// without viewers.
// `order`, when given, is the engine's observer and puts entries in their order across
// categories. `backlog` entries of each category are kept for viewers' back-fill.
std::unique_ptr<ViewerServer> openViewerSocket(const QString& path, ReceptionEngine& engine,
                                               ArrivalOrder* order = nullptr,
                                               qsizetype backlog = HeadlessOptions{}.viewerBacklog);

} // namespace quendal
