#!/usr/bin/python3
"""The window as a screen reader meets it, through AT-SPI.

Starts quendal-syslog on a private Xvfb display (inside the session bus that
accessibility_test.sh provides) with settings that start reception at once on a free
loopback port, sends a few datagrams from 127.0.0.1, and reads the accessible tree with
pyatspi: the FireWall list must be a table with its column headers and its rows' cell texts,
and no control that takes the keyboard focus may be without a name.

Exit status: 0 passed, 1 failed, 77 skipped (with the reason on standard output).
"""

import os
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time

SKIP = 77


def skip(reason):
    print("SKIP: " + reason)
    sys.exit(SKIP)


try:
    import pyatspi
    from gi.repository import GLib
except ImportError:
    skip("python3-pyatspi is not installed")


def wait_for(predicate, seconds=20.0):
    """Polls for an event outside this process (a window appearing, a row arriving)."""
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        value = predicate()
        if value:
            return value
        time.sleep(0.1)
    return predicate()


def start_xvfb():
    if not shutil.which("Xvfb"):
        skip("Xvfb is not installed")
    read_end, write_end = os.pipe()
    server = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x900x24", "-nolisten", "tcp"],
        pass_fds=[write_end], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_end)
    number = b""
    while not number.endswith(b"\n"):
        chunk = os.read(read_end, 16)
        if not chunk:
            break
        number += chunk
    os.close(read_end)
    if not number.strip().isdigit():
        server.kill()
        skip("Xvfb did not name its display")
    return server, ":" + number.strip().decode()


def free_udp_port():
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def find_application(name):
    desktop = pyatspi.Registry.getDesktop(0)
    for app in desktop:
        if app is not None and app.name == name:
            return app
    return None


def walk(node, visit, depth=0):
    """Visits the tree, but not the cells of tables: a list of many rows has many of them."""
    if node is None or depth > 60:
        return
    visit(node)
    if node.getRole() in (pyatspi.ROLE_TABLE, pyatspi.ROLE_TREE_TABLE):
        return
    for child in node:
        walk(child, visit, depth + 1)


def main():
    program = sys.argv[1]
    failures = []
    server, display = start_xvfb()
    home = tempfile.mkdtemp(prefix="quendal-a11y-")
    window = None
    try:
        port = free_udp_port()
        config = os.path.join(home, "config")
        logs = os.path.join(home, "logs")
        os.makedirs(config)
        os.makedirs(logs)
        # Started at once with these values: no settings dialog stands in front of the window.
        with open(os.path.join(config, "QuendalSysLog.conf"), "w") as settings:
            settings.write("[General]\nAutoStart=true\nAutoStartPort=%d\n"
                           "AutoStartReplay=false\nDefaultLogPath=%s\n" % (port, logs))
        environment = dict(os.environ)
        environment.update({
            "DISPLAY": display,
            "XDG_CONFIG_HOME": config,
            "XDG_RUNTIME_DIR": home,
            "QT_QPA_PLATFORM": "xcb",
            "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1",
            "QT_ACCESSIBILITY": "1",
        })
        environment.pop("WAYLAND_DISPLAY", None)
        window = subprocess.Popen([program], env=environment, stdout=subprocess.DEVNULL,
                                  stderr=subprocess.PIPE)

        app = wait_for(lambda: find_application("quendal-syslog"))
        if app is None:
            window.kill()
            failures.append("the window did not appear on the accessibility bus; it said: " +
                            window.communicate()[1].decode(errors="replace")[-2000:])
            return failures

        def firewall_table():
            found = []
            walk(app, lambda n: found.append(n) if n.getRole() == pyatspi.ROLE_TABLE
                 and n.name == "FireWall Log" else None)
            return found[0] if found else None

        table_node = wait_for(firewall_table)
        if table_node is None:
            failures.append("no table named \"FireWall Log\"")
            return failures

        messages = [b"Packet blocked from 10.0.0.%d" % i for i in range(1, 4)]
        with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as router:
            for message in messages:
                router.sendto(b"<131>Mar 14 09:26:53 gateway: " + message, ("127.0.0.1", port))

        table = table_node.queryTable()
        if not wait_for(lambda: table.nRows >= len(messages)):
            failures.append("the table has %d rows, expected %d" % (table.nRows, len(messages)))
            return failures

        headers = [table.getColumnDescription(c) for c in range(table.nColumns)]
        if headers[:3] != ["Time", "Host", "Message"]:
            failures.append("column headers are %r" % headers)
        header_cell = table.getColumnHeader(2)
        if header_cell is None or header_cell.name != "Message":
            failures.append("the Message column has no header cell")

        # Newest on top: the last message sent is row 0.
        rows = [[table.getAccessibleAt(r, c).name for c in range(table.nColumns)]
                for r in range(len(messages))]
        for row, message in zip(rows, reversed(messages)):
            if row[:3] != ["Mar 14 09:26:53", "gateway", message.decode()]:
                failures.append("a row reads %r" % row)
        cell = table.getAccessibleAt(0, 2)
        if cell.getRole() != pyatspi.ROLE_TABLE_CELL:
            failures.append("a cell has the role %s" % cell.getRoleName())

        unnamed = []

        def look(node):
            states = node.getState()
            # A label's name is its text: one with nothing to say yet (a lease time) is silent.
            if (states.contains(pyatspi.STATE_FOCUSABLE) and states.contains(pyatspi.STATE_SHOWING)
                    and node.getRole() != pyatspi.ROLE_LABEL and not node.name.strip()):
                path = []
                up = node
                while up is not None and up.getRole() != pyatspi.ROLE_APPLICATION:
                    path.append(up.name or up.getRoleName())
                    up = up.parent
                unnamed.append(" < ".join(path))

        walk(app, look)
        # Every tab in turn: a page's controls are on screen only while its tab is chosen.
        tab_lists = []
        walk(app, lambda n: tab_lists.append(n) if n.getRole() == pyatspi.ROLE_PAGE_TAB_LIST
             else None)
        for tabs in tab_lists:
            for index in list(range(1, tabs.childCount)) + [0]:
                # The tabs' objects are made afresh as the chosen tab changes: ask anew each time.
                tabs.clearCache()
                tab = tabs.getChildAtIndex(index)
                try:
                    tab.queryAction().doAction(0)  # "Press", as a screen reader's user does
                except GLib.GError:
                    pass  # the pressed tab's object goes as the tabs change, before it answers
                wait_for(lambda: tabs.getChildAtIndex(index).getState().contains(
                    pyatspi.STATE_SELECTED), 5)
                walk(app, look)
        unnamed = sorted(set(unnamed))
        if unnamed:
            failures.append("focusable controls without a name: %s" % ", ".join(unnamed))
        return failures
    finally:
        if window is not None:
            window.send_signal(signal.SIGTERM)
            try:
                window.wait(10)
            except subprocess.TimeoutExpired:
                window.kill()
                window.wait()
        server.terminate()
        server.wait()
        shutil.rmtree(home, ignore_errors=True)


if __name__ == "__main__":
    problems = main()
    for problem in problems:
        print("FAIL: " + problem)
    sys.exit(1 if problems else 0)
