# One Nimbrel session for a journey through its windows, driven as a user
# would: controls found and pressed through the accessibility tree (AT-SPI),
# pointer and keys through the X server (xdotool). Each session has its own
# settings, data and cache folders and its own D-Bus session bus, so the single
# instance of one journey never meets another's. Used by the shell's and the
# wizard's journeys: JOURNEY-SCRIPT NAME PATH-TO-NIMBREL.

import importlib.util
import os
import pathlib
import plistlib
import shutil
import signal
import subprocess
import tempfile
import time

def check(condition, message):
    if not condition:
        raise AssertionError(message)


class Session:
    # fresh_tree: read the tree afresh at every look, as the cache misses titles that come later.
    def __init__(self, nimbrel, info=None, fresh_tree=False):
        self.nimbrel, self.fresh_tree, self.processes, self._app = nimbrel, fresh_tree, [], None
        self.root = tempfile.mkdtemp(prefix="nimbrel-journey-")
        env = {k: v for k, v in os.environ.items() if k not in ("NO_AT_BRIDGE", "GTK_A11Y")}
        for name, folder in (("HOME", "home"), ("XDG_CONFIG_HOME", "config"), ("XDG_DATA_HOME", "data"),
                             ("XDG_CACHE_HOME", "cache"), ("XDG_RUNTIME_DIR", "runtime")):
            env[name] = self.path(folder)
            os.makedirs(env[name], mode=0o700, exist_ok=True)
        if info is not None:
            env["NIMBREL_MAIN_BUNDLE"] = self._bundle_with(info)
        self.bus = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                                    stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, env=env,
                                    start_new_session=True)
        env["DBUS_SESSION_BUS_ADDRESS"] = self.bus.stdout.readline().decode().strip()

        def gdbus(*args):
            return subprocess.run(["gdbus", "call", *args], env=env, capture_output=True, text=True, check=True).stdout
        # The accessibility bus of this session, named outright: left to itself
        # the library may take the one another session announced on the display.
        env["AT_SPI_BUS_ADDRESS"] = gdbus("--session", "--dest", "org.a11y.Bus", "--object-path", "/org/a11y/bus",
                                          "--method", "org.a11y.Bus.GetAddress").split("'")[1]
        # The registry must be up before the library first asks it for the desktop.
        gdbus("--address", env["AT_SPI_BUS_ADDRESS"], "--dest", "org.a11y.atspi.Registry", "--object-path",
              "/org/a11y/atspi/accessible/root", "--method", "org.freedesktop.DBus.Properties.Get",
              "org.a11y.atspi.Accessible", "ChildCount")
        self.env = env
        os.environ.update(env)  # the accessibility library of this process reads the bus from here
        import pyatspi
        from gi.repository import Atspi, GLib
        self.atspi, self.Atspi, self.glib = pyatspi, Atspi, GLib

    def path(self, *parts):
        return os.path.join(self.root, *parts)

    # A copy of the built bundle's Info.plist with some keys changed; the rest of the bundle is the built one.
    def _bundle_with(self, info):
        built = os.path.dirname(os.path.dirname(os.path.dirname(os.path.realpath(self.nimbrel))))
        os.makedirs(self.path("Nimbrel.app", "Contents"))
        plist = plistlib.loads(pathlib.Path(built, "Contents", "Info.plist").read_bytes()) | info
        pathlib.Path(self.path("Nimbrel.app", "Contents", "Info.plist")).write_bytes(plistlib.dumps(plist))
        os.symlink(os.path.join(built, "Contents", "Resources"), self.path("Nimbrel.app", "Contents", "Resources"))
        return self.path("Nimbrel.app")

    def launch(self):
        self.processes.append(subprocess.Popen([self.nimbrel], env=self.env))
        return self.processes[-1]

    def close(self):
        for process in self.processes:
            process.kill()
            process.wait()
        os.killpg(self.bus.pid, signal.SIGTERM)
        self.bus.wait()
        shutil.rmtree(self.root, ignore_errors=True)

    # ---- waiting and finding ----

    def wait_for(self, condition, what, timeout=30, seen=lambda: ""):
        deadline = time.monotonic() + timeout
        while True:
            # Lets the accessibility library take in what the applications announced
            # (windows that came and went): GTK 4.8 answers direct questions
            # about its windows wrongly, its announcements rightly.
            while self.glib.MainContext.default().iteration(False):
                pass
            try:
                value = condition()
            except Exception:  # the tree changed under us; look again
                value = None
            if value:
                return value
            if time.monotonic() > deadline:
                raise AssertionError(f"gave up waiting: {what}; {seen()}")
            time.sleep(0.05)

    def applications(self):
        for app in filter(None, self.atspi.Registry.getDesktop(0)):
            if self.fresh_tree:
                app.set_cache_mask(self.Atspi.Cache.NONE)
                app.clear_cache()
            yield app

    def _is_nimbrel(self, app):
        try:  # a fresh tree's application was told to keep no cache when it was found
            return any(w.getRoleName() == "frame" and w.name == "Nimbrel" for w in app)
        except Exception:  # it went away
            return False

    # Nimbrel's accessible application; the one found last is asked first.
    def application(self):
        if self._app is None or not self._is_nimbrel(self._app):
            self._app = next((a for a in self.applications() if self._is_nimbrel(a)), None)
        return self._app

    def windows(self, role, name):
        return [w for w in self.application() or [] if w.getRoleName() == role and w.name == name]

    def find_all(self, root, role, name=None):
        try:
            # GTK names some buttons by their label twice, the first with its mnemonic ("_Open Open").
            same = name in (None, root.name) or root.name.replace("_", "") == f"{name} {name}"
            mine = [root] if root.getRoleName() == role and same else []
            return mine + [found for child in root for found in self.find_all(child, role, name)]
        except Exception:  # a part that went away while we looked
            return []

    def find(self, root, role, name=None):
        return next(iter(self.find_all(root, role, name)), None)

    def wait_for_window(self, role, name):
        return self.wait_for(lambda: next(iter(self.windows(role, name)), None), f'{role} "{name}"', 60, lambda: (
            f"the desktop shows {[(a.name, [(w.getRoleName(), w.name) for w in a]) for a in self.applications()]}"))

    # Waits for the control anywhere below `root`, or in any of Nimbrel's windows when `root` is None.
    def control(self, role, name, root=None, timeout=30):
        return self.wait_for(lambda: self.find(root or self.application(), role, name), f'{role} "{name}"', timeout,
                             lambda: f"the {role}s shown: {[n.name for n in self.find_all(root or self.application(), role)]}")

    # ---- acting ----

    def press(self, accessible):
        names = self._actions(accessible)
        wanted = next((n for n in ("click", "toggle", "activate") if n in names), None)
        check(wanted, f'{accessible.getRoleName()} "{accessible.name}" has no action to press')
        try:
            accessible.queryAction().doAction(names.index(wanted))
        except self.glib.GError as error:
            if "disconnected" not in str(error):  # "Quit" may end the program before it answers
                raise

    # Waits for the control (below `root`, else anywhere in Nimbrel) and presses it.
    def push(self, role, name, root=None):
        self.press(self.control(role, name, root))

    def open_menu(self):
        frame = self.wait_for_window("frame", "Nimbrel")
        self.press(self.wait_for(lambda: next((b for b in self.find_all(frame, "push button", "Main Menu")
                                               if "click" in self._actions(b)), None), "the main menu button"))
        menu = self.control("menu", None, frame)
        self.wait_for(lambda: self.find(menu, "menu item"), "the menu's items")
        return menu

    # Opens the main menu and presses the item.
    def choose(self, label):
        self.push("menu item", label, self.open_menu())

    # What the main menu offers, label and whether it can be chosen; the menu closes again.
    def menu_items(self):
        menu = self.open_menu()
        items = {i.name: i.getState().contains(self.atspi.STATE_SENSITIVE) for i in self.find_all(menu, "menu item")}
        self.keys("Escape")
        self.wait_for(lambda: self.find(self.application(), "menu") is None, "the menu to close")
        return items

    @staticmethod
    def _actions(accessible):
        try:
            action = accessible.queryAction()
            return [action.getName(i) for i in range(action.nActions)]
        except NotImplementedError:
            return []

    def xdotool(self, *arguments, **options):
        return subprocess.run(["xdotool", *arguments], env=self.env, **{"check": True, **options})

    def keys(self, *keys):
        self.xdotool("key", "--clearmodifiers", *keys)

    def x_windows(self, title):
        return self.xdotool("search", "--onlyvisible", "--name", f"^{title}$", check=False, capture_output=True,
                            text=True).stdout.split()

    # Clicks the middle of the control with the real pointer.
    def click(self, accessible, window_title="Nimbrel", count=1):
        window = self.wait_for(lambda: self.x_windows(window_title), f'the X window "{window_title}"')[0]
        box = accessible.queryComponent().getExtents(self.atspi.WINDOW_COORDS)
        self.xdotool("mousemove", "--window", window, str(box.x + box.width // 2), str(box.y + box.height // 2))
        time.sleep(0.3)
        self.xdotool("click", "--repeat", str(count), "--delay", "80", "1")

    # Clicks into the field and types the text after what it shows.
    def type_into(self, field, text, window_title="Nimbrel"):
        self.click(field, window_title)
        time.sleep(0.2)
        self.xdotool("key", "--clearmodifiers", "End", "type", "--delay", "20", text)

    # ---- what is stored ----

    def defaults(self, domain="co.corvan.nimbrel"):
        file = pathlib.Path(self.path("config", domain, "defaults.plist"))
        return plistlib.loads(file.read_bytes()) if file.exists() else {}

    def set_defaults(self, domain, values):
        os.makedirs(self.path("config", domain), exist_ok=True)
        pathlib.Path(self.path("config", domain, "defaults.plist")).write_bytes(plistlib.dumps(values))


# Runs the journey named in argv[1] with the nimbrel of argv[2].
def run(journeys, argv):
    if importlib.util.find_spec("pyatspi") is None or shutil.which("xdotool") is None:
        print("python3-pyatspi or xdotool is missing")
        return 77  # what ctest counts as skipped
    session = Session(argv[2], **getattr(journeys[argv[1]], "session", {}))
    try:
        journeys[argv[1]](session)
    finally:
        session.close()
    return 0
