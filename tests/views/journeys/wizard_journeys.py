#!/usr/bin/python3
"""Two walks through Nimbrel's wizard, driven as a user would: controls are
found and pressed through the accessibility tree, text is typed and tiles are
double-clicked with xdotool, and the real builder makes a real app.

  create:  an address with words around it, a name, the icon, the real folder
           chooser, the progress texts, the finished screen, and "Open" shows
           the new app's own window.
  replace: double-click "Gmail", Back, Back, "Local folder"; building where a
           "Gmail.app" already is asks first, and "Cancel" changes nothing.

Usage: wizard_journeys.py JOURNEY PROGRAM [ARGS...]   (run under Xvfb and a
private session bus; the program is started here and stopped at the end).
"""
import hashlib
import http.server
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import time

import pyatspi
from gi.repository import Atspi, GLib

TIMEOUT = 30


class JourneyFailed(Exception):
    pass


def pump():
    context = GLib.MainContext.default()
    while context.iteration(False):
        pass


def wait_for(what, check, timeout=TIMEOUT):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        pump()
        try:
            found = check()
        except Exception:  # the tree changes under us; try again
            found = None
        if found:
            return found
        time.sleep(0.05)
    raise JourneyFailed("gave up waiting for " + what)


def walk(node, depth=0):
    if node is None or depth > 40:
        return
    yield node
    for child in node:
        yield from walk(child, depth + 1)


def applications():
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None:
            # Read the tree afresh every time: the cache misses windows and titles that come later.
            app.set_cache_mask(Atspi.Cache.NONE)
            app.clear_cache()
            yield app


def application(pid):
    return next((app for app in applications() if app.get_process_id() == pid), None)


def same(shown, name):
    """GTK names some buttons by their label twice, the first with its mnemonic ("_Open Open")."""
    return shown == name or shown.replace("_", "") == f"{name} {name}"


def find(pid, role, name, timeout=TIMEOUT):
    def look():
        app = application(pid)
        for node in walk(app) if app else ():
            if node.getRoleName() == role and same(node.name, name):
                return node
        return None
    try:
        return wait_for(f"{role} '{name}'", look, timeout)
    except JourneyFailed as failure:
        raise JourneyFailed(f"{failure}; the {role}s shown: {names(pid, role)}") from None


def names(pid, role):
    app = application(pid)
    return [n.name for n in walk(app)] if app and role is None else [
        n.name for n in walk(app) if n.getRoleName() == role] if app else []


def press(node):
    action = node.queryAction()
    for i in range(action.nActions):
        if action.getName(i) in ("click", "activate"):
            action.doAction(i)
            return
    raise JourneyFailed(f"'{node.name}' cannot be pressed")


def xdotool(*arguments):
    subprocess.run(["xdotool", *arguments], check=True)


def type_into(pid, node, text):
    click(pid, node)
    time.sleep(0.3)
    xdotool("type", "--delay", "20", text)


def click(pid, node, count=1):
    window = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid", str(pid), "--name", "Nimbrel"],
                            capture_output=True, text=True).stdout.split()
    if not window:
        raise JourneyFailed("no window to click in")
    box = node.queryComponent().getExtents(pyatspi.WINDOW_COORDS)
    xdotool("mousemove", "--window", window[0], str(box.x + box.width // 2), str(box.y + box.height // 2))
    time.sleep(0.3)
    xdotool("click", "--repeat", str(count), "--delay", "80", "1")


def choose_folder(pid, folder):
    """Types the folder into the real folder chooser and accepts it."""
    select = find(pid, "push button", "Open")
    time.sleep(0.5)
    xdotool("key", "ctrl+l")
    time.sleep(0.3)
    xdotool("type", "--delay", "10", str(folder) + "/")
    time.sleep(0.5)
    press(select)


def serve(folder):
    handler = lambda *a: http.server.SimpleHTTPRequestHandler(*a, directory=folder)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


def tree_digest(folder):
    digest = hashlib.sha256()
    for root, dirs, files in sorted(os.walk(folder)):
        dirs.sort()
        for name in sorted(files):
            path = os.path.join(root, name)
            digest.update(path.encode())
            with open(path, "rb") as f:
                digest.update(f.read())
    return digest.hexdigest()


def journey_create(pid, work):
    site = os.path.join(work, "site")
    os.makedirs(site)
    with open(os.path.join(site, "index.html"), "w") as f:
        f.write("<!doctype html><title>Loopback</title><p>Hello from the loopback site.")
    server = serve(site)
    address = f"http://127.0.0.1:{server.server_address[1]}/"
    out = os.path.join(work, "Applications")
    os.makedirs(out)

    type_into(pid, find(pid, "text", "Website"), f"visit {address} today")
    press(find(pid, "push button", "Continue"))
    type_into(pid, find(pid, "text", "App name"), "Loop App")
    press(find(pid, "push button", "Next"))
    find(pid, "push button", "Fetch from website")
    press(find(pid, "push button", "Next"))

    seen = []
    def heard(event):
        text = event.any_data if isinstance(event.any_data, str) else ""
        if text and text.endswith("\u2026") and (not seen or seen[-1] != text):
            seen.append(text)
    pyatspi.Registry.registerEventListener(heard, "object:property-change:accessible-name")
    press(find(pid, "push button", "Create application"))
    choose_folder(pid, out)
    find(pid, "label", "Loop App is ready!", timeout=60)
    pyatspi.Registry.deregisterEventListener(heard, "object:property-change:accessible-name")
    if not seen or seen[0] != "Starting\u2026" or len(seen) < 2:
        raise JourneyFailed(f"progress texts seen: {seen}")
    print("progress:", " | ".join(seen))
    find(pid, "label", f"A native app for visit {address} today")
    if not os.path.isdir(os.path.join(out, "Loop App.app")):
        raise JourneyFailed("no Loop App.app in " + out)

    press(find(pid, "push button", "Open"))
    def app_window():
        for app in applications():
            if app.get_process_id() != pid:
                for node in app:
                    if node is not None and node.getRoleName() == "frame" and node.name == "Loop App":
                        return app
        return None
    try:
        opened = wait_for("the new app's window", app_window, timeout=60)
    except JourneyFailed as failure:
        frames = [(app.get_process_id(), [n.name for n in app]) for app in applications()]
        raise JourneyFailed(f"{failure}; windows: {frames}") from None
    os.kill(opened.get_process_id(), 15)
    server.shutdown()


def journey_replace(pid, work):
    site = os.path.join(work, "blog")
    os.makedirs(site)
    with open(os.path.join(site, "index.html"), "w") as f:
        f.write("<!doctype html><title>Blog</title>")
    out = os.path.join(work, "Applications")
    existing = os.path.join(out, "Gmail.app", "Contents")
    os.makedirs(existing)
    with open(os.path.join(existing, "keep-me"), "w") as f:
        f.write("the app the user already has")
    before = tree_digest(out)

    press(find(pid, "push button", "Favorites"))
    click(pid, find(pid, "table cell", "Gmail"), count=2)
    find(pid, "push button", "Create application")
    press(find(pid, "push button", "Back"))
    find(pid, "table cell", "Gmail")
    press(find(pid, "push button", "Back"))
    press(find(pid, "push button", "Local folder"))
    choose_folder(pid, site)
    # The name from the tile stays (the alert below names "Gmail.app"), but
    # "Next" waits for an edit of it: the user touches the name.
    click(pid, find(pid, "text", "App name"))
    xdotool("key", "End", "x", "BackSpace")
    press(find(pid, "push button", "Next"))
    find(pid, "image", "App icon")
    press(find(pid, "push button", "Next"))
    press(find(pid, "push button", "Create application"))
    choose_folder(pid, out)
    alert = find(pid, "label", "\u201cGmail.app\u201d already exists")
    find(pid, "label", "An app with that name is already in this folder. Replace it?")
    find(pid, "push button", "Replace")
    press(find(pid, "push button", "Cancel"))
    wait_for("the alert to close", lambda: not any(same(n, "Replace") for n in names(pid, "push button")))
    find(pid, "push button", "Create application")
    time.sleep(1)
    pump()
    if tree_digest(out) != before or os.listdir(out) != ["Gmail.app"]:
        raise JourneyFailed("the destination changed after Cancel")
    del alert


JOURNEYS = {"create": journey_create, "replace": journey_replace}


def main():
    journey, program = sys.argv[1], sys.argv[2:]
    work = tempfile.mkdtemp(prefix="nimbrel-journey-")
    env = dict(os.environ)
    env.pop("GTK_A11Y", None)
    child = subprocess.Popen(program, env=env)
    try:
        # The first look at the accessibility bus must wait for the program,
        # which starts the bus: an earlier look would stay blind.
        subprocess.run(["timeout", "60", "xdotool", "search", "--sync", "--onlyvisible", "--pid", str(child.pid),
                        "--name", "Nimbrel"], capture_output=True, check=True)
        find(child.pid, "frame", "Nimbrel", timeout=60)
        xdotool("mousemove", "300", "300")
        JOURNEYS[journey](child.pid, work)
        print(f"journey {journey}: passed")
        return 0
    except JourneyFailed as failure:
        print(f"journey {journey}: {failure}", file=sys.stderr)
        return 1
    finally:
        child.terminate()
        try:
            child.wait(10)
        except subprocess.TimeoutExpired:
            child.kill()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
