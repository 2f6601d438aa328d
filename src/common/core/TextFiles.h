#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

namespace quendal {

// A file inside a folder as the system's files are found: trailing slashes of the folder are
// dropped before the file name is added, and an empty folder means the current directory.
QString fileInFolder(const QString& folder, const QString& fileName);

// A whole file, read to its end (the kernel's /proc files report a size of 0); nullopt when it
// cannot be opened or read.
std::optional<QByteArray> readWholeFile(const QString& path);

// A line as read, without its line feed and a carriage return right before it. The system's
// text files are written with CR LF and read alike whether they have CR LF or LF.
inline QByteArrayView withoutLineEnd(QByteArrayView line)
{
    if (line.endsWith('\n')) {
        line.chop(1);
        if (line.endsWith('\r'))
            line.chop(1);
    }
    return line;
}

} // namespace quendal
