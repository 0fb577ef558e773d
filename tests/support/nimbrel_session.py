"""One Nimbrel session for a journey through its windows, driven as a user
would: controls found and pressed through the accessibility tree (AT-SPI),
pointer and keys through the X server (xdotool). Each session has its own
settings, data and cache folders and its own D-Bus session bus, so the single
instance of one journey never meets another's. Used by the shell's and the
wizard's journeys: JOURNEY-SCRIPT NAME PATH-TO-NIMBREL."""

import importlib.util
import os
import plistlib
import shutil
import signal
import subprocess
import tempfile
import time

SKIP = 77  # what ctest counts as skipped


class JourneyFailed(AssertionError):
    pass


def check(condition, message):
    if not condition:
        raise JourneyFailed(message)


def same(shown, name):
    """GTK names some buttons by their label twice, the first with its mnemonic ("_Open Open")."""
    return name is None or shown == name or shown.replace("_", "") == f"{name} {name}"


class Session:
    def __init__(self, nimbrel, info=None, fresh_tree=False):
        self.nimbrel = nimbrel
        # Read the tree afresh at every look: the cache misses titles that come later.
        self.fresh_tree = fresh_tree
        self.root = tempfile.mkdtemp(prefix="nimbrel-journey-")
        self.processes = []
        env = dict(os.environ)
        env.pop("NO_AT_BRIDGE", None)
        env.pop("GTK_A11Y", None)
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
        # The accessibility bus of this session, named outright: left to itself
        # the library may take the one another session announced on the display.
        reply = subprocess.run(["gdbus", "call", "--session", "--dest", "org.a11y.Bus", "--object-path",
                                "/org/a11y/bus", "--method", "org.a11y.Bus.GetAddress"], env=env,
                               capture_output=True, text=True, check=True).stdout
        env["AT_SPI_BUS_ADDRESS"] = reply.split("'")[1]
        # The registry must be up before the library first asks it for the desktop.
        subprocess.run(["gdbus", "call", "--address", env["AT_SPI_BUS_ADDRESS"], "--dest", "org.a11y.atspi.Registry",
                        "--object-path", "/org/a11y/atspi/accessible/root", "--method",
                        "org.freedesktop.DBus.Properties.Get", "org.a11y.atspi.Accessible", "ChildCount"],
                       env=env, capture_output=True, check=True)
        self.env = env
        # The accessibility library of this process reads the bus from here.
        os.environ.update(env)
        import pyatspi
        from gi.repository import Atspi, GLib
        self.atspi, self.Atspi, self.glib = pyatspi, Atspi, GLib

    def path(self, *parts):
        return os.path.join(self.root, *parts)

    # A copy of the built bundle's Info.plist with some keys changed; the rest
    # of the bundle is the built one.
    def _bundle_with(self, info):
        built = os.path.dirname(os.path.dirname(os.path.dirname(os.path.realpath(self.nimbrel))))
        os.makedirs(self.path("Nimbrel.app", "Contents"))
        with open(os.path.join(built, "Contents", "Info.plist"), "rb") as f:
            plist = plistlib.load(f)
        plist.update(info)
        with open(self.path("Nimbrel.app", "Contents", "Info.plist"), "wb") as f:
            plistlib.dump(plist, f)
        os.symlink(os.path.join(built, "Contents", "Resources"), self.path("Nimbrel.app", "Contents", "Resources"))
        return self.path("Nimbrel.app")

    def launch(self):
        process = subprocess.Popen([self.nimbrel], env=self.env)
        self.processes.append(process)
        return process

    def close(self):
        for process in self.processes:
            if process.poll() is None:
                process.terminate()
                try:
                    process.wait(10)
                except subprocess.TimeoutExpired:
                    process.kill()
        os.killpg(self.bus.pid, signal.SIGTERM)
        self.bus.wait()
        shutil.rmtree(self.root, ignore_errors=True)

    # ---- waiting and finding ----

    def wait_for(self, condition, what, timeout=30):
        deadline = time.monotonic() + timeout
        while True:
            # Lets the accessibility library take in what the applications announced
            # (windows that came and went): GTK 4.8 answers direct questions
            # about its windows wrongly, its announcements rightly.
            context = self.glib.MainContext.default()
            while context.iteration(False):
                pass
            try:
                value = condition()
            except Exception:  # the tree changed under us; look again
                value = None
            if value:
                return value
            if time.monotonic() > deadline:
                raise JourneyFailed("gave up waiting: " + what)
            time.sleep(0.05)

    def applications(self):
        for app in self.atspi.Registry.getDesktop(0):
            if app is not None:
                if self.fresh_tree:
                    app.set_cache_mask(self.Atspi.Cache.NONE)
                    app.clear_cache()
                yield app

    def _is_nimbrel(self, app):
        try:
            if self.fresh_tree:
                app.clear_cache()
            return any(w.getRoleName() == "frame" and w.name == "Nimbrel" for w in app)
        except Exception:  # it went away
            return False

    def application(self):
        """Nimbrel's accessible application; the one found last is asked first."""
        app = getattr(self, "_app", None)
        if app is None or not self._is_nimbrel(app):
            app = self._app = next((a for a in self.applications() if self._is_nimbrel(a)), None)
        return app

    def windows(self, role, name):
        app = self.application()
        return [w for w in app if w.getRoleName() == role and w.name == name] if app else []

    def find_all(self, root, role, name=None):
        found = []
        try:
            if root.getRoleName() == role and same(root.name, name):
                found.append(root)
            for i in range(root.childCount):
                found += self.find_all(root.getChildAtIndex(i), role, name)
        except Exception:
            pass  # a part that went away while we looked
        return found

    def find(self, root, role, name=None):
        found = self.find_all(root, role, name)
        return found[0] if found else None

    def wait_for_window(self, role, name):
        try:
            return self.wait_for(lambda: (self.windows(role, name) or [None])[0], f'{role} "{name}"', timeout=60)
        except JourneyFailed as failure:
            seen = [(a.name, [(w.getRoleName(), w.name) for w in a]) for a in self.applications()]
            raise JourneyFailed(f"{failure}; the desktop shows {seen}") from None

    def wait_for_control(self, root, role, name, timeout=30):
        """The control anywhere below `root`, or in any of Nimbrel's windows when `root` is None."""
        def look():
            return self.find(root or self.application(), role, name)
        try:
            return self.wait_for(look, f'{role} "{name}"', timeout)
        except JourneyFailed as failure:
            shown = [n.name for n in self.find_all(root or self.application(), role)]
            raise JourneyFailed(f"{failure}; the {role}s shown: {shown}") from None

    def control(self, role, name, timeout=30):
        return self.wait_for_control(None, role, name, timeout)

    def has_state(self, accessible, state):
        return accessible.getState().contains(state)

    # ---- acting ----

    def press(self, accessible):
        names = self._actions(accessible)
        for wanted in ("click", "toggle", "activate"):
            if wanted in names:
                try:
                    accessible.queryAction().doAction(names.index(wanted))
                except self.glib.GError as error:
                    # "Quit" may end the program before it answers.
                    if "disconnected" not in str(error):
                        raise
                return
        raise JourneyFailed(f'{accessible.getRoleName()} "{accessible.name}" has no action to press')

    def button(self, root, label):
        return self.find(root, "push button", label)

    def open_menu(self):
        frame = self.wait_for_window("frame", "Nimbrel")
        button = self.wait_for(lambda: next((b for b in self.find_all(frame, "push button", "Main Menu")
                                             if "click" in self._actions(b)), None), "the main menu button")
        self.press(button)
        menu = self.wait_for_control(frame, "menu", None)
        self.wait_for(lambda: self.find(menu, "menu item"), "the menu's items")
        return menu

    def menu_item(self, label):
        """Opens the main menu and answers the item, to be pressed."""
        item = self.find(self.open_menu(), "menu item", label)
        check(item is not None, f'no "{label}" in the menu')
        return item

    def menu_items(self):
        """What the main menu offers, label and whether it can be chosen; the menu closes again."""
        menu = self.open_menu()
        items = {i.name: self.has_state(i, self.atspi.STATE_SENSITIVE) for i in self.find_all(menu, "menu item")}
        frame = self.wait_for_window("frame", "Nimbrel")
        self.keys("Escape")
        self.wait_for(lambda: self.find(frame, "menu") is None, "the menu to close")
        return items

    @staticmethod
    def _actions(accessible):
        try:
            action = accessible.queryAction()
            return [action.getName(i) for i in range(action.nActions)]
        except NotImplementedError:
            return []

    def xdotool(self, *arguments, **options):
        return subprocess.run(["xdotool", *arguments], env=self.env, check=True, **options)

    def keys(self, *keys):
        self.xdotool("key", "--clearmodifiers", *keys)

    def x_windows(self, title):
        return subprocess.run(["xdotool", "search", "--onlyvisible", "--name", f"^{title}$"], env=self.env,
                              capture_output=True, text=True).stdout.split()

    def click(self, accessible, window_title="Nimbrel", count=1):
        """Clicks the middle of the control with the real pointer."""
        window = self.wait_for(lambda: self.x_windows(window_title), f'the X window "{window_title}"')[0]
        box = accessible.queryComponent().getExtents(self.atspi.WINDOW_COORDS)
        self.xdotool("mousemove", "--window", window, str(box.x + box.width // 2), str(box.y + box.height // 2))
        time.sleep(0.3)
        self.xdotool("click", "--repeat", str(count), "--delay", "80", "1")

    def type_into(self, field, text, window_title="Nimbrel"):
        """Clicks into the field and types the text after what it shows."""
        self.click(field, window_title)
        time.sleep(0.2)
        self.keys("End")
        self.xdotool("type", "--delay", "20", text)

    # ---- what is stored ----

    def defaults(self, domain="co.corvan.nimbrel"):
        try:
            with open(self.path("config", domain, "defaults.plist"), "rb") as f:
                return plistlib.load(f)
        except FileNotFoundError:
            return {}

    def set_defaults(self, domain, values):
        os.makedirs(self.path("config", domain), exist_ok=True)
        with open(self.path("config", domain, "defaults.plist"), "wb") as f:
            plistlib.dump(values, f)


def run(journeys, argv):
    """Runs the journey named in argv[1] with the nimbrel of argv[2]."""
    if importlib.util.find_spec("pyatspi") is None or shutil.which("xdotool") is None:
        print("python3-pyatspi or xdotool is missing")
        return SKIP
    journey = journeys[argv[1]]
    session = Session(argv[2], **getattr(journey, "session", {}))
    try:
        journey(session)
    finally:
        session.close()
    print(f"{argv[1]}: done")
    return 0
