// A plain driver for compilers without libFuzzer: feeds every file named on the command line,
// or found directly in a folder named there, to the target once. The regression run of CI.
#include "FuzzSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

namespace {

bool replay(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "replay: cannot read %s\n", qPrintable(path));
        return false;
    }
    const QByteArray bytes = file.readAll();
    // An exact-size copy, so that AddressSanitizer sees a read past the end of the input.
    auto* exact = new uint8_t[size_t(bytes.size())];
    std::memcpy(exact, bytes.constData(), size_t(bytes.size()));
    LLVMFuzzerTestOneInput(exact, size_t(bytes.size()));
    delete[] exact;
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    int inputs = 0;
    bool ok = true;
    for (int i = 1; i < argc; ++i) {
        const QString path = QString::fromLocal8Bit(argv[i]);
        if (QFileInfo(path).isDir()) {
            const QFileInfoList files = QDir(path).entryInfoList(QDir::Files, QDir::Name);
            for (const QFileInfo& f : files) {
                ok = replay(f.filePath()) && ok;
                ++inputs;
            }
        } else {
            ok = replay(path) && ok;
            ++inputs;
        }
    }
    std::printf("replay: %d inputs, no invariant broken\n", inputs);
    return ok && inputs > 0 ? 0 : 1;
}
