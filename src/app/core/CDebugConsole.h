#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <cstdio>

namespace quendal {

// Whether a command line switches the diagnostic console on: the program path and arguments,
// joined by blanks, hold " -d" anywhere (so "-d" and "-debug" both count).
bool commandLineHasDebugSwitch(const QStringList& arguments);

// The diagnostic console: every datagram read is written, as received, to standard output and
// to a debug log file that is started afresh with each run. Off unless switched on.
class CDebugConsole
{
public:
    static constexpr const char* kTitle = "QuenDal Marrowind SYSLOG";
    static constexpr const char* kLogFileName = "QuenDalSysLog.log";

    CDebugConsole() = default;
    virtual ~CDebugConsole();
    CDebugConsole(const CDebugConsole&) = delete;
    CDebugConsole& operator=(const CDebugConsole&) = delete;

    bool isEnabled() const { return enabled_; }

    // Switches the console on: standard output (titled when it is a terminal) and, when a name
    // is given, the debug log file, replaced if it exists.
    void Open(const QString& logFileName = QString::fromLatin1(kLogFileName));
    // Writes the bytes and a line end, as data: nothing in them is interpreted. Returns the
    // number of bytes written (the line end not counted), 0 when the console is off.
    int Print(QByteArrayView text);
    void Close();

private:
    bool enabled_ = false;
    std::FILE* logFile_ = nullptr;
};

} // namespace quendal
