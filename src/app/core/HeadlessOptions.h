#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace quendal {

// The command line of the receiver without a window:
//   quendal-syslog --headless [--port N] [--log-dir DIR] [--replay ADDRESS:PORT]
//                  [--host ADDRESS] [-d]
struct HeadlessOptions
{
    quint16 port = 514;
    std::optional<QString> logDir; // none: the stored log folder, else the current directory
    std::optional<QString> replayAddress;
    quint16 replayPort = 0;
    std::optional<QString> host; // none: every sender
    bool debug = false;
    bool help = false;
};

// Whether the command line asks for the receiver without a window.
bool wantsHeadless(const QStringList& arguments);

// Parses the arguments after the program name. nullopt, with a one-line reason in `error`, for
// anything it does not understand.
std::optional<HeadlessOptions> parseHeadlessOptions(const QStringList& arguments, QString* error);

QString headlessUsage();

} // namespace quendal
