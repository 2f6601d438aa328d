#include "common/core/Clock.h"

#include <chrono>

namespace quendal {

namespace {

class SystemClock : public Clock
{
public:
    qint64 monotonicMs() const override
    {
        using namespace std::chrono;
        return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    }
    qint64 wallMs() const override { return QDateTime::currentMSecsSinceEpoch(); }
};

} // namespace

Clock& Clock::system()
{
    static SystemClock clock;
    return clock;
}

} // namespace quendal
