// The port-definition file and its index: any bytes as Portdef.dat. Every UDP port gets the
// line the plain rule gives it (the last line whose first "<port>/udp" follows a space).
#include "../netinfo/support/PortDefinitionRule.h"
#include "FuzzSupport.h"
#include "netinfo/core/PortDefinitions.h"

#include <QFile>

#include <set>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace quendal;
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString path = fuzz::scratchFolder() + QStringLiteral("/Portdef.dat");
    {
        QFile file(path);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        FUZZ_CHECK(file.write(bytes.data(), bytes.size()) == bytes.size());
    }
    const PortDefinitions table = LoadPortDefinitionsFrom(path);
    FUZZ_CHECK(table.loaded());

    const QList<QByteArrayView> lines = fuzz::linesOf(bytes);
    FUZZ_CHECK(table.lines().size() == lines.size());
    for (qsizetype i = 0; i < lines.size(); ++i)
        FUZZ_CHECK(table.lines()[i] == lines[i]);

    // Only a number written right before a "/udp" can be annotated: those are checked against
    // the plain rule, every other port must have no line.
    std::set<int> candidates;
    for (const QByteArray& line : table.lines()) {
        for (qsizetype at = line.indexOf("/udp"); at >= 0; at = line.indexOf("/udp", at + 1)) {
            int value = 0, power = 1;
            for (qsizetype i = at - 1; i >= 0 && at - i <= 5 && line[i] >= '0' && line[i] <= '9';
                 --i) {
                value += (line[i] - '0') * power;
                power *= 10;
                if (value < 65536)
                    candidates.insert(value);
            }
        }
    }
    const std::vector<int> index = indexPortDefinitions(table.lines());
    FUZZ_CHECK(index.size() == 65536);
    for (int port = 0; port < 65536; ++port) {
        const int line = index[size_t(port)];
        FUZZ_CHECK(line >= -1 && line < table.lines().size());
        if (!candidates.count(port)) {
            FUZZ_CHECK(line == -1);
            continue;
        }
        const auto expected = test::portDefinitionFor(quint16(port), table.lines());
        FUZZ_CHECK(expected.has_value() == (line >= 0));
        FUZZ_CHECK(!expected || *expected == table.lines()[line]);
        FUZZ_CHECK(table.lineFor(quint16(port)) == expected);
    }
    return 0;
}
