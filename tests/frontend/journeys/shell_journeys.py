#!/usr/bin/python3
# Journeys through Nimbrel's window, each run by name:
#     shell_journeys.py JOURNEY PATH-TO-NIMBREL

import http.server
import os
import subprocess
import sys
import threading
import urllib.parse

sys.dont_write_bytecode = True  # nothing left behind in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "support"))
from nimbrel_session import check, run  # noqa: E402

SUITE = "group.Q7XK3N5V1T.co.corvan.shared"


def map_state(session, window):
    info = subprocess.run(["xwininfo", "-id", window], env=session.env, capture_output=True, text=True).stdout
    return next(line.split(":")[1].strip() for line in info.splitlines() if "Map State" in line)


def window_stays_one_and_comes_back(session):
    # An answer given in another app hides the newsletter; without a feed nothing checks for updates.
    session.set_defaults(SUITE, {"mailingList.shared.decision": "subscribed"})
    first = session.launch()
    frame = session.wait_for_window("frame", "Nimbrel")
    items = session.menu_items()
    check("Subscribe to Newsletter\u2026" not in items and "Contact Support" in items, repr(items))
    check(not items["Check for Updates\u2026"], "checking without a feed")
    size = frame.queryComponent().getSize()
    check((size[0], size[1]) == (700, 500), f"content size {size}")
    window = session.wait_for(lambda: session.x_windows("Nimbrel"), "the X window")[0]
    hints = subprocess.run(["xprop", "-id", window, "WM_NORMAL_HINTS"], env=session.env, capture_output=True,
                           text=True).stdout
    minimum = next(l for l in hints.splitlines() if "minimum size" in l).split(":")[1]
    maximum = next(l for l in hints.splitlines() if "maximum size" in l).split(":")[1]
    check(minimum == maximum, "the window can be resized: " + hints)

    session.push("push button", "Close", frame)
    session.wait_for(lambda: map_state(session, window) == "IsUnMapped", "the window to hide")
    check(first.poll() is None, "closing the window ended Nimbrel")

    second = session.launch()
    check(second.wait(30) == 0, "a second nimbrel did not hand over to the first")
    session.wait_for(lambda: map_state(session, window) == "IsViewable", "the same window to come back")
    check(session.x_windows("Nimbrel") == [window], "another window appeared")

    # GTK 4.8 does not give a window shown again back to the accessibility
    # tree, so the last step is by keyboard.
    session.keys("ctrl+q")
    check(first.wait(30) == 0, "Quit did not end Nimbrel")


window_stays_one_and_comes_back.session = {"info": {"NimbrelUpdateFeedURL": ""}}


def settings_sheet(session):
    session.launch()
    frame = session.wait_for_window("frame", "Nimbrel")
    session.control("push button", "Settings", frame)  # the gear is in place
    session.keys("ctrl+comma")
    sheet = session.wait_for_window("dialog", "Settings")
    checked = lambda control, state=session.atspi.STATE_CHECKED: control.getState().contains(state)  # noqa: E731
    shown = lambda name: session.find(sheet, "text", name)  # noqa: E731
    stored = lambda key: session.defaults().get(key, "absent")  # noqa: E731
    on_general = lambda: checked(session.find(sheet, "page tab", "General"), session.atspi.STATE_SELECTED)  # noqa: E731
    check(on_general(), "the sheet opened on another tab than General")

    # Presses the control (or types into it), waits for the stored value, then for the field it brings.
    def change(control, key, value, typed=None, brings=None):
        session.press(control) if typed is None else session.type_into(control, typed, "Settings")
        session.wait_for(lambda: stored(key) == value, f"{key} = {value!r} in defaults.plist")
        return brings and session.control("text", brings, sheet)

    title_bar = session.find(sheet, "check box", "Show the title bar on generated apps")
    check(checked(title_bar), "the title bar is off by default")
    change(title_bar, "general.showTitleBar", False)

    session.push("page tab", "Signing", sheet)
    developer_id = session.control("check box", "Sign with my Developer ID", sheet)
    check(shown("Signing identity") is None, "identity field shown while signing is off")
    identity = change(developer_id, "signing.useDeveloperID", True, brings="Signing identity")
    check(shown("notarytool keychain profile") is None, "profile field shown too early")
    jo = "Developer ID Application: Jo (T1)"
    change(identity, "signing.identity", jo, typed=jo)
    profile = change(session.control("check box", "Notarize with Apple", sheet), "signing.notarize", True,
                     brings="notarytool keychain profile")
    change(profile, "signing.notaryProfile", "notary", typed="notary")

    # Off: the dependent controls go, their values stay; on again: they come back with them.
    change(developer_id, "signing.useDeveloperID", False)
    session.wait_for(lambda: shown("Signing identity") is None, "the identity field to go")
    check(session.find(sheet, "check box", "Notarize with Apple") is None, "notarization switch stayed")
    check(stored("signing.identity") == jo, "the identity was lost")
    change(developer_id, "signing.useDeveloperID", True, brings="notarytool keychain profile")
    check(checked(session.find(sheet, "check box", "Notarize with Apple")), "the notarization switch came back off")
    change(shown("Signing identity"), "signing.identity", jo + "!", typed="!")  # typed after what the field shows

    session.push("push button", "Done", sheet)
    session.wait_for(lambda: not session.windows("dialog", "Settings"), "the sheet to close")

    # The gear opens it again, on General; asking again while it is open changes nothing.
    session.push("push button", "Settings", frame)
    sheet = session.wait_for_window("dialog", "Settings")
    check(on_general(), "the sheet reopened on another tab than General")
    session.push("push button", "Settings", frame)
    session.keys("ctrl+comma")
    session.push("page tab", "General", sheet)  # a turn for the requests to arrive
    check(len(session.windows("dialog", "Settings")) == 1, "a second sheet opened")


class Feed(http.server.BaseHTTPRequestHandler):
    # An appcast on a loopback port; the first request waits for `release`.
    release = threading.Event()
    body = b""

    def do_GET(self):
        Feed.release.wait(60)
        self.send_response(200)
        self.send_header("Content-Type", "application/rss+xml")
        self.send_header("Content-Length", str(len(Feed.body)))
        self.end_headers()
        self.wfile.write(Feed.body)

    def log_message(self, *args):
        pass


FEED = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Feed)
Feed.body = (b'<rss version="2.0" xmlns:sparkle="http://www.andymatuschak.org/xml-namespaces/sparkle"><channel>'
             b'<item><title>Nimbrel 99</title><sparkle:version>99.0</sparkle:version>'
             b'<link>https://example.org/nimbrel</link></item></channel></rss>')


def main_menu(session):
    # Contact Support, the newsletter and a check for updates, from the main menu.
    threading.Thread(target=FEED.serve_forever, daemon=True).start()
    received = session.path("mail.txt")
    handler = session.path("mail-handler")
    with open(handler, "w") as f:
        f.write(f'#!/bin/sh\nprintf "%s" "$1" > "{received}"\n')
    os.chmod(handler, 0o755)
    os.makedirs(session.path("data", "applications"))
    with open(session.path("data", "applications", "fake-mail.desktop"), "w") as f:
        f.write(f"[Desktop Entry]\nType=Application\nName=Fake Mail\nExec={handler} %u\n"
                "MimeType=x-scheme-handler/mailto;\n")
    with open(session.path("config", "mimeapps.list"), "w") as f:
        f.write("[Default Applications]\nx-scheme-handler/mailto=fake-mail.desktop\n")

    session.launch()
    session.choose("Contact Support")
    link = session.wait_for(lambda: os.path.exists(received) and open(received).read(), "the mail application")
    parts = urllib.parse.urlsplit(link)
    fields = urllib.parse.parse_qs(parts.query, keep_blank_values=True)
    check(parts.scheme == "mailto" and parts.path == os.environ["NIMBREL_SUPPORT_EMAIL"], link)
    check(fields == {"subject": ["Nimbrel Support Request"],
                     "body": ["Hello Nimbrel Team,\n\nI need assistance with the following:\n\n"]}, repr(fields))

    session.choose("Subscribe to Newsletter\u2026")
    prompt = session.wait_for_window("dialog", "Stay in the loop")
    session.push("push button", "Don't ask again", prompt)
    session.wait_for(lambda: not session.windows("dialog", "Stay in the loop"), "the prompt to go")
    check(session.defaults(SUITE).get("mailingList.shared.decision") == "declined", "the answer was not stored")
    items = session.menu_items()
    check("Subscribe to Newsletter\u2026" not in items and "Contact Support" in items, repr(items))

    session.choose("Check for Updates\u2026")
    check(not session.menu_items()["Check for Updates\u2026"], "a second check could start")
    Feed.release.set()
    dialog = session.wait_for_window("dialog", "A new version 99.0 is available")
    session.push("push button", "Later", dialog)
    session.wait_for(lambda: not session.windows("dialog", "A new version 99.0 is available"), "the dialog to go")
    check(session.menu_items()["Check for Updates\u2026"], "no check possible after the dialog")


main_menu.session = {"info": {"NimbrelUpdateFeedURL": f"http://127.0.0.1:{FEED.server_port}/appcast.xml"}}


def tree(folder):
    return sorted(os.path.relpath(os.path.join(d, n), folder) for d, dirs, files in os.walk(folder)
                  for n in dirs + files)


def install_and_uninstall(session):
    before = tree(session.root)
    installer = os.path.join(os.environ["NIMBREL_SOURCE_DIR"], "scripts", "install")
    build = os.path.dirname(os.path.realpath(session.nimbrel))
    env = dict(session.env, NIMBREL_BUILD_DIR=os.path.dirname(os.path.dirname(os.path.dirname(build))))
    subprocess.run([installer], env=env, check=True, stdout=subprocess.DEVNULL)

    entry = session.path("data", "applications", "co.corvan.nimbrel.desktop")
    subprocess.run(["desktop-file-validate", entry], check=True)
    check(os.path.isfile(session.path("data", "icons", "hicolor", "scalable", "apps", "co.corvan.nimbrel.svg")),
          "no icon in the theme")
    command = session.path("home", ".local", "bin", "nimbrel")
    check(subprocess.run([command, "build", "--help"], env=env, capture_output=True).returncode == 0,
          "the nimbrel command does not run the command line")

    subprocess.run(["gio", "launch", entry], env=session.env, check=True)
    session.wait_for_window("frame", "Nimbrel")
    program = os.readlink(f"/proc/{session.application().get_process_id()}/exe")
    check(program.startswith(session.path("data", "nimbrel", "Nimbrel.app")), "the launcher started " + program)
    session.choose("Quit")
    session.wait_for(lambda: session.application() is None, "Nimbrel to quit")

    subprocess.run([installer, "--uninstall"], env=env, check=True, stdout=subprocess.DEVNULL)
    left = set(tree(session.root)) - set(before)
    check(not any(not p.startswith(("config", "cache", "runtime")) for p in left), "left behind: " + repr(left))


JOURNEYS = {f.__name__: f for f in (window_stays_one_and_comes_back, settings_sheet, main_menu,
                                    install_and_uninstall)}

if __name__ == "__main__":
    sys.exit(run(JOURNEYS, sys.argv))
