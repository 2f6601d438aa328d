#pragma once

#include "app/core/HeadlessOptions.h"
#include "receiver/core/ReceptionEngine.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace quendal {

// Where the receiver's settings come from: a configuration file and the command line over it.
// Kept for SIGHUP, which reads both again.
struct ConfigurationSource
{
    QStringList arguments;         // after the program name
    std::optional<QString> file;   // none: no file is read
    bool fileMayBeMissing = false; // the default file is optional, a file named by --config not
};

// The source for these arguments: the file named by --config, else the default file when
// `defaultFileApplies`.
ConfigurationSource configurationSource(const QStringList& arguments, const HeadlessOptions& parsed,
                                        bool defaultFileApplies);

// Reads the file and then the command line over it. nullopt, with one line per problem in
// `problems` ("FILE:LINE: ..." for the file's), when either holds anything wrong.
std::optional<HeadlessOptions> loadHeadlessOptions(const ConfigurationSource& source,
                                                   QStringList* problems);

// What the options ask of reception, once checked as far as can be without binding: the listen
// address is one, the Replay target can be used, the log folder exists and can be written.
// nullopt, with the one-line reason in `problem`, otherwise.
std::optional<ReceptionSettings> receptionSettingsFor(const HeadlessOptions& options,
                                                      QString* problem);

} // namespace quendal
