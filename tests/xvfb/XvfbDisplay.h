#pragma once

#include <QString>

#include <sys/types.h>

namespace quendal::test {

// An Xvfb server of the test's own, on a display number it picks itself (-displayfd), so that
// test runs side by side never share one. It ends with the object.
class XvfbDisplay
{
public:
    XvfbDisplay() = default;
    ~XvfbDisplay();
    XvfbDisplay(const XvfbDisplay&) = delete;
    XvfbDisplay& operator=(const XvfbDisplay&) = delete;

    // The Xvfb program on PATH; empty when it is not installed.
    static QString program();
    // Starts the server and waits until it takes clients; false with the reason otherwise.
    bool start(QString* error);
    // ":N", once started.
    QString name() const { return name_; }

private:
    pid_t pid_ = -1;
    QString name_;
};

} // namespace quendal::test
