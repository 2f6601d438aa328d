#pragma once

#include <QtGlobal>

#include <optional>

namespace quendal {

// The bytes a connected TCP socket has handed to the system that the peer has not acknowledged
// yet (sent or not); nullopt when the system cannot say.
std::optional<qint64> unacknowledgedBytes(qintptr descriptor);

} // namespace quendal
