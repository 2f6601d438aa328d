// quendal-syslogd: the receiver without a window as a service of its own. It links the engine
// alone (Qt Core and Network), so a server needs no display libraries; options and behaviour
// are those of `quendal-syslog --headless`.
#include "app/core/HeadlessMain.h"
#include "app/core/StandardDescriptors.h"

int main(int argc, char** argv)
{
    // Before anything opens a descriptor, so that none can become standard output.
    quendal::reopenClosedStandardDescriptors();
    return quendal::headlessMain(argc, argv, QStringLiteral("quendal-syslogd"),
                                 QStringLiteral("quendal-syslogd"));
}
