#!/usr/bin/env python3
"""Times one start of a program, for bench/startup.

  startup_watch.py exit   PROGRAM [ARG...]  seconds until it has ended
  startup_watch.py mapped PROGRAM [ARG...]  seconds until its window is mapped
  startup_watch.py idle   PROGRAM [ARG...]  "mapped idle rss_MB rss_after_new_MB"

The watcher itself must not compete with the program it times on a machine
of two cores: it learns of the window from the X server's MapNotify instead of
asking for it over and over, and reads the program's processor time in
nanoseconds from /proc every 5 ms instead of starting a process to do so.
"Idle" is the end of the program's last use of the processor (any thread)
before 0.3 s without any; "after new" is the resident size once Ctrl+N was
pressed in the window and it was idle again. Needs libX11 and, for idle,
xdotool; the X display is DISPLAY's.
"""

import ctypes
import os
import select
import signal
import subprocess
import sys
import time

SUBSTRUCTURE_NOTIFY_MASK = 1 << 19
MAP_NOTIFY = 19
QUIET = 0.3
POLL = 0.005


class XMapEvent(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong),
                ("send_event", ctypes.c_int), ("display", ctypes.c_void_p),
                ("event", ctypes.c_ulong), ("window", ctypes.c_ulong),
                ("override_redirect", ctypes.c_int)]


class XEvent(ctypes.Union):
    _fields_ = [("type", ctypes.c_int), ("xmap", XMapEvent), ("pad", ctypes.c_long * 24)]


def open_root():
    x = ctypes.CDLL("libX11.so.6")
    x.XOpenDisplay.restype = ctypes.c_void_p
    x.XOpenDisplay.argtypes = [ctypes.c_char_p]
    for name in ("XDefaultRootWindow", "XConnectionNumber", "XPending"):
        getattr(x, name).argtypes = [ctypes.c_void_p]
    x.XDefaultRootWindow.restype = ctypes.c_ulong
    x.XSelectInput.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_long]
    x.XNextEvent.argtypes = [ctypes.c_void_p, ctypes.POINTER(XEvent)]
    x.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
    display = x.XOpenDisplay(None)
    if not display:
        sys.exit("startup_watch: cannot open the X display")
    x.XSelectInput(display, x.XDefaultRootWindow(display), SUBSTRUCTURE_NOTIFY_MASK)
    x.XSync(display, 0)
    return x, display


def wait_mapped(x, display, start, process):
    """Seconds from start until a top-level window (not a menu or tip) maps."""
    fd = x.XConnectionNumber(display)
    event = XEvent()
    while True:
        while x.XPending(display):
            x.XNextEvent(display, ctypes.byref(event))
            if event.type == MAP_NOTIFY and not event.xmap.override_redirect:
                return time.monotonic() - start
        if process.poll() is not None:
            sys.exit("startup_watch: the program ended before its window showed")
        select.select([fd], [], [], 0.1)


def cpu_ns(pid):
    total = 0
    try:
        for task in os.listdir(f"/proc/{pid}/task"):
            try:
                with open(f"/proc/{pid}/task/{task}/schedstat") as f:
                    total += int(f.read().split()[0])
            except (FileNotFoundError, ProcessLookupError):
                pass  # a thread that ended meanwhile
    except FileNotFoundError:
        pass
    return total


def wait_idle(pid, start):
    """Seconds from start to the end of the last use before QUIET s of none."""
    last = cpu_ns(pid)
    since = time.monotonic()
    while True:
        time.sleep(POLL)
        now = time.monotonic()
        cur = cpu_ns(pid)
        if cur != last:
            last, since = cur, now
        elif now - since > QUIET:
            return since - start


def rss_mb(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1]) / 1024
    return 0.0


def main():
    if len(sys.argv) < 3 or sys.argv[1] not in ("exit", "mapped", "idle"):
        sys.exit(__doc__)
    mode, command = sys.argv[1], sys.argv[2:]
    quiet = subprocess.DEVNULL
    if mode == "exit":
        start = time.monotonic()
        subprocess.run(command, stdout=quiet, stderr=quiet, check=True)
        print(f"{time.monotonic() - start:.4f}")
        return
    x, display = open_root()
    start = time.monotonic()
    process = subprocess.Popen(command, stdout=quiet, stderr=quiet)
    try:
        mapped = wait_mapped(x, display, start, process)
        if mode == "mapped":
            print(f"{mapped:.4f}")
            return
        idle = wait_idle(process.pid, start)
        rss = rss_mb(process.pid)
        window = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid", str(process.pid)],
                                capture_output=True, text=True).stdout.split()[0]
        subprocess.run(["xdotool", "windowfocus", "--sync", window], check=True)
        subprocess.run(["xdotool", "key", "ctrl+n"], check=True)
        time.sleep(0.5)
        wait_idle(process.pid, time.monotonic())
        print(f"{mapped:.4f} {idle:.4f} {rss:.1f} {rss_mb(process.pid):.1f}")
    finally:
        process.send_signal(signal.SIGTERM)
        process.wait()


if __name__ == "__main__":
    main()
