// The command line of the receiver without a window: any arguments (split at zero bytes). A
// rejection comes with a one-line reason, whatever the arguments held.
#include "FuzzSupport.h"
#include "app/core/HeadlessOptions.h"
#include "app/core/Settings.h"

#include <QStringList>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace quendal;
    fuzz::FuzzInput input(data, size);
    QStringList arguments;
    while (!input.empty())
        arguments.append(QString::fromUtf8(input.until('\0')));

    QString error;
    const auto options = parseHeadlessOptions(arguments, &error);
    if (!options) {
        FUZZ_CHECK(!error.isEmpty());
        for (const QChar c : error)
            FUZZ_CHECK(c.category() != QChar::Other_Control && c != QChar::LineSeparator &&
                       c != QChar::ParagraphSeparator);
        return 0;
    }
    // Accepted values are what the options promise.
    if (options->replayAddress) {
        FUZZ_CHECK(parseIpv4Address(*options->replayAddress) == *options->replayAddress);
        FUZZ_CHECK(options->replayPort <= 65535);
    }
    if (options->host)
        FUZZ_CHECK(parseIpv4Address(*options->host) == *options->host);
    if (options->logDir)
        FUZZ_CHECK(!options->logDir->isEmpty());
    return 0;
}
