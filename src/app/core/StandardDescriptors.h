#pragma once

namespace quendal {

// Reopens standard input, output and error on /dev/null where they were closed at start, so
// that the next descriptor opened (a socket, Qt's event descriptor, a log file) can never take
// number 1 and receive the entry lines. Call first thing in main, before anything opens a
// descriptor.
void reopenClosedStandardDescriptors();

// A reader of standard output that goes away must not kill the receiver: writes then fail with
// EPIPE instead, and printing stops while the log files go on.
void ignoreBrokenPipe();

} // namespace quendal
