#include "forward/core/KernelSendQueue.h"

#include <linux/sockios.h>
#include <sys/ioctl.h>

namespace quendal {

std::optional<qint64> unacknowledgedBytes(qintptr descriptor)
{
    int pending = 0;
    if (descriptor < 0 || ::ioctl(int(descriptor), SIOCOUTQ, &pending) != 0)
        return std::nullopt;
    return pending;
}

} // namespace quendal
