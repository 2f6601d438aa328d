#pragma once

#include <QString>

namespace quendal::test {

// Why the tests run without an X server (then they skip); empty while Xvfb serves them.
extern QString xvfbUnavailable;

} // namespace quendal::test
