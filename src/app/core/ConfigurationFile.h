#pragma once

#include "app/core/HeadlessOptions.h"

#include <QLatin1StringView>
#include <QString>
#include <QStringList>

namespace quendal {

// Where the receiver without a window reads its settings unless --config names another file.
inline constexpr QLatin1StringView
    kDefaultConfigurationFile("/etc/quendal-syslog/quendal-syslogd.conf");

// Reads an INI file of "key = value" lines into `into`, over what it holds. Lines starting with
// '#' or ';' and blank lines are comments; a value is taken to the end of its line, commas and
// '#' included; an empty value leaves the setting at its default. Every unknown key, bad value
// or malformed line is one problem in `problems`, "FILE:LINE: port needs a port number from 0 to
// 65535, not 'x'"; false when there is any. A file that cannot be read is one problem too.
bool readConfigurationFile(const QString& path, HeadlessOptions& into, QStringList* problems);

// The same for a file's text, named `path` in the problems.
bool readConfigurationText(const QString& path, QByteArrayView text, HeadlessOptions& into,
                           QStringList* problems);

// The commented default file: every key with its help and its default, commented out.
QString defaultConfigurationText();

} // namespace quendal
