#pragma once

#include "receiver/core/DatagramEcho.h"

#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <cstdio>
#include <memory>

namespace quendal {

class LineWriter;

// Whether a command line switches the diagnostic console on: the program path and arguments,
// joined by blanks, hold " -d" anywhere (so "-d" and "-debug" both count).
bool commandLineHasDebugSwitch(const QStringList& arguments);

// The diagnostic console: every datagram read is echoed as one line on standard output, with
// control characters and backslashes escaped so that a sender can neither drive the terminal nor
// forge a line, and written as received to a debug log file that is started afresh with each
// run. Standard output is written through a LineWriter, so a stalled reader never holds up
// intake. Off unless switched on.
class CDebugConsole : public DatagramEcho
{
public:
    static constexpr const char* kTitle = "QuenDal Marrowind SYSLOG";
    static constexpr const char* kLogFileName = "QuenDalSysLog.log";

    CDebugConsole();
    ~CDebugConsole() override;
    CDebugConsole(const CDebugConsole&) = delete;
    CDebugConsole& operator=(const CDebugConsole&) = delete;

    bool isEnabled() const { return enabled_; }

    // Where the echo goes; without one, Open starts a writer of its own on standard output.
    // The headless receiver shares its own, so entry lines and echoes keep their order.
    void setOutput(LineWriter* output) { output_ = output; }

    // Switches the console on: standard output (titled when it is a terminal) and, when a name
    // is given, the debug log file, replaced if it is a regular file (created with mode 0640; a
    // link at the name is refused and reported, never followed).
    void Open(const QString& logFileName = QString::fromLatin1(kLogFileName));
    // Echoes the bytes as one line, as data: nothing in them is interpreted. Returns the number
    // of bytes taken (the line end not counted), 0 when the console is off.
    int Print(QByteArrayView text);
    void echo(QByteArrayView datagram) override { Print(datagram); }
    void Close();

private:
    // The debug log, or null after saying on standard error why it cannot be written.
    static std::FILE* openDebugLog(const QString& fileName);

    bool enabled_ = false;
    std::FILE* logFile_ = nullptr;
    LineWriter* output_ = nullptr;
    std::unique_ptr<LineWriter> ownOutput_;
    QByteArray line_;
};

} // namespace quendal
