#pragma once

#include "app/core/HeadlessOptions.h"

#include <QLatin1StringView>
#include <QString>

#include <span>

namespace quendal {

// The kind of value a setting takes: it decides how the command line and the configuration file
// read it, and how the help and the default file show it.
enum class SettingType
{
    Flag,    // on the command line without a value; yes/no (true/false, on/off, 1/0) in the file
    Number,  // a decimal from `minimum` to `maximum`
    Address, // one IPv4 or IPv6 host
    AddressAndPort,  // ADDRESS:PORT, an IPv6 address in brackets
    AddressPrefixes, // comma-separated networks, "192.168.0.0/16, fd00::/8"
    Path,            // a folder or a file
    Text             // a word or URL of the setting's own form
};

// Where a setting may be given.
enum class SettingPlace
{
    FileAndCommandLine, // a key of the file and a long option of the same name
    CommandLine         // an option alone (--config, --help, ...)
};

// One setting of the receiver without a window. The table of them drives the option parser, the
// configuration file's parser, --check-config, the help and the commented default file; the
// manual page is checked against it.
struct HeadlessSetting
{
    QLatin1StringView key; // the file's key, and the long option without its "--"
    char shortName = 0;    // the one-letter option ('d' for -d), 0 when there is none
    SettingType type = SettingType::Number;
    QLatin1StringView valueName = {}; // "N", "ADDRESS" (empty for a flag)
    // The value the default file shows commented out; empty when unset means the default.
    QLatin1StringView defaultText = {};
    int minimum = 0; // of a Number
    int maximum = 0;
    SettingPlace place = SettingPlace::FileAndCommandLine;
    QLatin1StringView help = {}; // lines of the help, split at '\n'
    // Stores a value read from the command line or the file. Empty when it is taken, else what
    // the setting needs ("a port number from 0 to 65535"), to follow "--port needs " or the
    // file's "port needs ".
    QString (*store)(const HeadlessSetting& setting, const QString& value,
                     HeadlessOptions& into) = nullptr;

    bool isFlag() const { return type == SettingType::Flag; }
    bool inFile() const { return place == SettingPlace::FileAndCommandLine; }
};

// Every setting, in the order of the help and the default file.
std::span<const HeadlessSetting> headlessSettings();

// The setting of this key or long option name ("port"), or of this one-letter option ('d' when
// `name` is "d"); null when there is none.
const HeadlessSetting* findHeadlessSetting(QStringView name);

// How a flag is written in the configuration file: yes/no, true/false, on/off, 1/0; nullopt
// for anything else.
std::optional<bool> parseFlagText(QStringView text);

// Text as it can be shown in a one-line message: control characters (C1 too), line and
// paragraph separators and backslashes escaped.
QString shownOnOneLine(QStringView text);

} // namespace quendal
