#pragma once

#include "history/core/HistoryQuery.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace quendal {

// The command line of a search of the log files:
//   quendal-syslog --search TEXT [--regex] [--match-case] [--host H] [--category C]...
//                  [--emergency] [--since TIME] [--until TIME] [--log-dir DIR] [--json]
// TIME is "YYYY-MM-DD HH:MM[:SS]", local time.
struct HistoryOptions
{
    HistoryQuery query;
    std::optional<QString> logDir; // none: the stored log folder
    bool json = false;
    bool help = false;
};

// Whether a command line asks for a search rather than a receiver.
bool isHistorySearch(const QStringList& arguments);

// Parses the arguments after the program name; nullopt with a one-line reason in `error` for
// anything it does not understand.
std::optional<HistoryOptions> parseHistoryOptions(const QStringList& arguments, QString* error);

QString historyUsage();

} // namespace quendal
