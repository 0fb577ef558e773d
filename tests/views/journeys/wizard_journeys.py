#!/usr/bin/python3
# Two walks through Nimbrel's wizard against the real builder, driven as a user
# would (tests/support/nimbrel_session.py): wizard_journeys.py JOURNEY PATH-TO-NIMBREL
#
#   create:  an address with words around it, a name, the icon, the real folder
#            chooser, the progress texts, the finished screen, and "Open" shows
#            the new app's own window.
#   replace: double-click "Gmail", Back, Back, "Local folder"; building where a
#            "Gmail.app" already is asks first, and "Cancel" changes nothing.

import http.server
import os
import pathlib
import sys
import threading
import time

sys.dont_write_bytecode = True  # nothing left behind in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "support"))
from nimbrel_session import check, run  # noqa: E402


def start(s):
    s.launch()
    s.wait_for_window("frame", "Nimbrel")
    s.xdotool("mousemove", "300", "300")


def choose_folder(s, folder):
    # Types the folder into the real folder chooser and accepts it.
    select = s.control("push button", "Open")
    time.sleep(0.5)
    s.keys("ctrl+l")
    time.sleep(0.3)
    s.xdotool("type", "--delay", "10", str(folder) + "/")
    time.sleep(0.5)
    s.press(select)


def write(path, text):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w") as f:
        f.write(text)


def snapshot(folder):
    # Every file below `folder` with its content.
    files = ((os.path.join(r, n), pathlib.Path(r, n).read_bytes()) for r, _, names in os.walk(folder) for n in names)
    return sorted(files)


def create(s):
    site = s.path("site")
    write(os.path.join(site, "index.html"), "<!doctype html><title>Loopback</title><p>Hello from the loopback site.")
    server = http.server.ThreadingHTTPServer(
        ("127.0.0.1", 0), lambda *a: http.server.SimpleHTTPRequestHandler(*a, directory=site))
    threading.Thread(target=server.serve_forever, daemon=True).start()
    address = f"http://127.0.0.1:{server.server_address[1]}/"
    out = s.path("Applications")
    os.makedirs(out)
    start(s)

    s.type_into(s.control("text", "Website"), f"visit {address} today")
    s.push("push button", "Continue")
    s.type_into(s.control("text", "App name"), "Loop App")
    s.push("push button", "Next")
    s.control("push button", "Fetch from website")
    s.push("push button", "Next")

    seen = []
    def heard(event):
        text = event.any_data if isinstance(event.any_data, str) else ""
        if text and text.endswith("\u2026") and (not seen or seen[-1] != text):
            seen.append(text)
    s.atspi.Registry.registerEventListener(heard, "object:property-change:accessible-name")
    s.push("push button", "Create application")
    choose_folder(s, out)
    s.control("label", "Loop App is ready!", timeout=60)
    s.atspi.Registry.deregisterEventListener(heard, "object:property-change:accessible-name")
    check(seen and seen[0] == "Starting\u2026" and len(seen) >= 2, f"progress texts seen: {seen}")
    s.control("label", f"A native app for visit {address} today")
    check(os.path.isdir(os.path.join(out, "Loop App.app")), "no Loop App.app in " + out)

    s.push("push button", "Open")
    opened = s.wait_for(lambda: next((app for app in s.applications() if any(
        n is not None and n.getRoleName() == "frame" and n.name == "Loop App" for n in app)), None),
        "the new app's window", 60, lambda: f"windows: {[(a.get_process_id(), [n.name for n in a]) for a in s.applications()]}")
    os.kill(opened.get_process_id(), 15)
    server.shutdown()


def replace(s):
    site, out = s.path("blog"), s.path("Applications")
    write(os.path.join(site, "index.html"), "<!doctype html><title>Blog</title>")
    write(os.path.join(out, "Gmail.app", "Contents", "keep-me"), "the app the user already has")
    before = snapshot(out)
    start(s)

    s.push("push button", "Favorites")
    s.click(s.control("table cell", "Gmail"), count=2)
    s.control("push button", "Create application")
    s.push("push button", "Back")
    s.control("table cell", "Gmail")
    s.push("push button", "Back")
    s.push("push button", "Local folder")
    choose_folder(s, site)
    # The name from the tile stays (the alert below names "Gmail.app"), but
    # "Next" waits for an edit of it: the user touches the name.
    s.type_into(s.control("text", "App name"), "x")
    s.keys("BackSpace")
    s.push("push button", "Next")
    s.control("image", "App icon")
    s.push("push button", "Next")
    s.push("push button", "Create application")
    choose_folder(s, out)
    s.control("label", "\u201cGmail.app\u201d already exists")
    s.control("label", "An app with that name is already in this folder. Replace it?")
    s.control("push button", "Replace")
    s.push("push button", "Cancel")
    s.wait_for(lambda: not s.find(s.application(), "push button", "Replace"), "the alert to close")
    s.control("push button", "Create application")
    time.sleep(1)
    check(snapshot(out) == before and os.listdir(out) == ["Gmail.app"], "the destination changed after Cancel")


for journey in (create, replace):
    journey.session = {"fresh_tree": True}

if __name__ == "__main__":
    sys.exit(run({"create": create, "replace": replace}, sys.argv))
