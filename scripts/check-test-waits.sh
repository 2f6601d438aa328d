#!/bin/sh
# Fails when a test waits a fixed time for time to pass (sleep_for, usleep, QThread::msleep,
# QTest::qWait, settle) instead of moving a quendal::ManualClock or waiting for the event itself
# with a deadline (test::waitUntil, QTest::qWaitFor). The few waits that no event can replace are
# listed below, each with the reason; a new one goes there only with a reason of its own.
set -eu
cd "$(dirname "$0")/.."

# path:text of the line, the reason after the last colon-separated field.
allowed='
tests/support/TestSupport.cpp:QThread::msleep(1);:waitUntil and settle yield a millisecond between turns of the event loop
tests/support/TestSupport.cpp:void settle(std::chrono::milliseconds time):the definition
tests/support/TestSupport.h:void settle(std::chrono::milliseconds time = std::chrono::milliseconds(150));:the declaration
tests/app/gui/SystemTrayTest.cpp:settle(:a single click is told from a double click only once the platform double-click interval has passed
tests/app/core/AutoLogFilesHeadlessTest.cpp:test::settle(std::chrono::milliseconds(300));:the receiver runs in a process of its own, so its path check runs on its own clock
tests/app/core/AutoLogFilesHeadlessTest.cpp:test::settle();:the entries that cannot be written leave no trace before the summary of the process
tests/app/core/HeadlessServiceTest.cpp:test::settle(std::chrono::milliseconds(300));:forwards of the process coming back to it leave no trace before its summary
tests/app/core/SystemdServiceTest.cpp:test::settle(std::chrono::milliseconds(200));:a stuck receiver thread shows only as watchdog beats that do not come, which takes time by nature
tests/app/core/HeadlessFaultsTest.cpp:test::settle(std::chrono::milliseconds(300));:the line writer watches its reader from the main event loop while another thread writes, and no event marks its turns
'

found=$(grep -rnE 'sleep_for|usleep\(|QThread::(m|u)?sleep|qSleep|QTest::qWait\(|(^|[^A-Za-z_])settle\(' \
    tests --include='*.cpp' --include='*.h' || true)
unexplained=$(echo "$found" | while IFS= read -r hit; do
    [ -n "$hit" ] || continue
    file=${hit%%:*}
    text=$(echo "$hit" | cut -d: -f3- | sed 's/^ *//; s/ *\/\/.*$//')
    echo "$allowed" | grep -qF "$file:$text:" || echo "  $hit"
done)
if [ -n "$unexplained" ]; then
    echo "check-test-waits: these tests wait a fixed time:" >&2
    echo "$unexplained" >&2
    echo "check-test-waits: move a quendal::ManualClock or wait for the event itself" \
        "(test::waitUntil, QTest::qWaitFor), or list the case with its reason here" >&2
    exit 1
fi
echo "check-test-waits: no test waits a fixed time outside the explained cases" >&2
