// The service's configuration file: any text. It is rejected exactly when there are problems,
// and each problem is one line naming the file, with nothing a terminal would obey.
#include "FuzzSupport.h"
#include "app/core/ConfigurationFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace quendal;
    const QString path = QStringLiteral("/etc/quendal-syslog/quendal-syslogd.conf");
    HeadlessOptions options;
    QStringList problems;
    const bool read = readConfigurationText(
        path, QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)), options,
        &problems);
    FUZZ_CHECK(read == problems.isEmpty());
    for (const QString& problem : problems) {
        FUZZ_CHECK(problem.startsWith(path + u':'));
        for (const QChar c : problem)
            FUZZ_CHECK(c.category() != QChar::Other_Control && c != QChar::LineSeparator &&
                       c != QChar::ParagraphSeparator);
    }
    return 0;
}
