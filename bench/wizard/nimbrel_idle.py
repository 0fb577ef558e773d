#!/usr/bin/python3
"""Whole-process CPU of the real `nimbrel` while its wizard idles with the blobs
moving, then after its window is closed (hidden). Prints figures.

Usage (on a display with a session bus, e.g. under xvfb-run dbus-run-session):
  bench/wizard/nimbrel_idle.py build/Nimbrel.app/Contents/MacOS/nimbrel [SECONDS]
"""
import os
import subprocess
import sys
import time

import pyatspi

TICKS = os.sysconf("SC_CLK_TCK")


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICKS  # utime + stime, all threads


def cpu_percent(pid, seconds):
    start, before = time.monotonic(), cpu_seconds(pid)
    time.sleep(seconds)
    return 100 * (cpu_seconds(pid) - before) / (time.monotonic() - start)


def close_window(pid):
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.get_process_id() == pid:
            action = app[0].queryAction()
            names = [action.getName(i) for i in range(action.nActions)]
            action.doAction(names.index("window.close"))
            return


def main():
    program, seconds = sys.argv[1], float(sys.argv[2]) if len(sys.argv) > 2 else 10
    child = subprocess.Popen([program], stderr=subprocess.DEVNULL)
    try:
        subprocess.run(["timeout", "60", "xdotool", "search", "--sync", "--onlyvisible", "--pid", str(child.pid),
                        "--name", "Nimbrel"], capture_output=True, check=True)
        time.sleep(3)  # past start-up
        print(f"nimbrel idle on the website screen: {cpu_percent(child.pid, seconds):.1f} % of one core")
        close_window(child.pid)
        time.sleep(2)
        if child.poll() is not None:
            raise SystemExit("nimbrel ended when its window was closed")
        print(f"nimbrel with its window closed (hidden): {cpu_percent(child.pid, seconds):.1f} % of one core")
    finally:
        child.terminate()
        child.wait(10)


if __name__ == "__main__":
    main()
