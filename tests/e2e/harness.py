"""The end-to-end suite's machinery: an X server, a session bus with the accessibility bus, the
program as a process of its own, and the helpers that find and work its controls through AT-SPI
and real key presses. Nothing here calls into the program."""

import os
import shutil
import signal
import sqlite3
import subprocess
import time

SCREEN = (1280, 1024)


class RoadFailure(AssertionError):
    """A road saw something other than what it waited for."""


class Skip(Exception):
    """A road that cannot run on this machine; its reason is printed as a SKIP line."""


def check(condition, message):
    if not condition:
        raise RoadFailure(message)


def wait_for(probe, timeout, what, interval=0.1):
    """Polls `probe` until it returns something true, and returns that; fails after `timeout` s."""
    deadline = time.monotonic() + timeout
    last_error = None
    while True:
        try:
            value = probe()
            if value:
                return value
        except RoadFailure as e:
            if "while waiting for" in str(e):
                raise
            raise RoadFailure(f"{e}, while waiting for {what}") from None
        except Exception as e:  # a window that went away between two looks at the tree
            last_error = e
        if time.monotonic() >= deadline:
            extra = f" (last error: {last_error})" if last_error else ""
            raise RoadFailure(f"timed out after {timeout} s waiting for {what}{extra}")
        time.sleep(interval)


# ---------------------------------------------------------------- the X server and the buses

class XServer:
    """An Xvfb of its own on a display number that it picks itself, optionally with a window
    manager (some stacking rules exist only where a window manager keeps them). That window
    manager gives the focus to a window only when it is clicked, so that which window is active
    when a program opens its next one never depends on timing."""

    def __init__(self, workdir, window_manager=False):
        self.workdir = workdir
        self.window_manager = window_manager
        self.proc = None
        self.wm = None
        self.display = None

    def start(self):
        read_fd, write_fd = os.pipe()
        log = open(os.path.join(self.workdir, "xvfb.log"), "wb")
        self.proc = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", f"{SCREEN[0]}x{SCREEN[1]}x24",
             "-nolisten", "tcp", "-noreset"],
            pass_fds=(write_fd,), stdout=log, stderr=subprocess.STDOUT, start_new_session=True)
        os.close(write_fd)
        number = b""
        deadline = time.monotonic() + 20
        while not number.endswith(b"\n") and time.monotonic() < deadline:
            chunk = os.read(read_fd, 16)
            if not chunk:
                break
            number += chunk
        os.close(read_fd)
        if not number.strip():
            raise RuntimeError("Xvfb did not start (see xvfb.log in the work folder)")
        self.display = ":" + number.decode().strip()
        if self.window_manager:
            env = dict(os.environ, DISPLAY=self.display)
            with open("/etc/xdg/openbox/rc.xml", encoding="utf-8") as f:
                config = f.read()
            check("<focusNew>yes</focusNew>" in config, "openbox's rc.xml has no focusNew setting to change")
            rc = os.path.join(self.workdir, "openbox-rc.xml")
            with open(rc, "w", encoding="utf-8") as f:
                f.write(config.replace("<focusNew>yes</focusNew>", "<focusNew>no</focusNew>"))
            self.wm = subprocess.Popen(["openbox", "--sm-disable", "--config-file", rc], env=env, start_new_session=True,
                                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            wait_for(lambda: self._wm_running(), 15, "the window manager")
        return self

    def _wm_running(self):
        out = subprocess.run(["xprop", "-display", self.display, "-root", "_NET_SUPPORTING_WM_CHECK"],
                             capture_output=True, text=True).stdout
        return "window id" in out

    def stop(self):
        for p in (self.wm, self.proc):
            if p and p.poll() is None:
                p.terminate()
                try:
                    p.wait(5)
                except subprocess.TimeoutExpired:
                    p.kill()
                    p.wait()


class SessionBus:
    """A private D-Bus session with the accessibility bus launched on it. The suite's own process
    takes its address before it first talks to AT-SPI, so it sees only the programs of this bus."""

    def __init__(self, workdir, display):
        self.workdir = workdir
        self.display = display
        self.daemon = None
        self.launcher = None
        self.address = None

    def start(self):
        self.daemon = subprocess.Popen(
            ["dbus-daemon", "--session", "--nofork", "--print-address=1", "--nosyslog"],
            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, start_new_session=True)
        self.address = self.daemon.stdout.readline().decode().strip()
        if not self.address:
            raise RuntimeError("dbus-daemon gave no address")
        env = dict(os.environ, DISPLAY=self.display, DBUS_SESSION_BUS_ADDRESS=self.address)
        self.launcher = subprocess.Popen([find_at_spi_launcher(), "--launch-immediately"], env=env,
                                         stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                         start_new_session=True)
        wait_for(self._a11y_bus_up, 20, "the accessibility bus")
        return self

    def _a11y_bus_up(self):
        r = subprocess.run(["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus", "/org/a11y/bus",
                            "org.a11y.Bus.GetAddress"],
                           env=dict(os.environ, DBUS_SESSION_BUS_ADDRESS=self.address),
                           capture_output=True, text=True)
        return r.returncode == 0 and "unix:" in r.stdout

    def stop(self):
        for p in (self.launcher, self.daemon):
            if p and p.poll() is None:
                # the launcher's own bus daemon and registry are its process group's
                try:
                    os.killpg(p.pid, signal.SIGTERM)
                except ProcessLookupError:
                    pass
                try:
                    p.wait(5)
                except subprocess.TimeoutExpired:
                    os.killpg(p.pid, signal.SIGKILL)
                    p.wait()


def find_at_spi_launcher():
    for path in ("/usr/libexec/at-spi-bus-launcher", "/usr/lib/at-spi2-core/at-spi-bus-launcher"):
        if os.access(path, os.X_OK):
            return path
    found = shutil.which("at-spi-bus-launcher")
    if found:
        return found
    raise RuntimeError("at-spi-bus-launcher not found (Debian package at-spi2-core)")


# ---------------------------------------------------------------- AT-SPI

_pyatspi = None


def atspi():
    """pyatspi, imported only once the session bus of the suite is in the environment."""
    global _pyatspi
    if _pyatspi is None:
        import pyatspi
        _pyatspi = pyatspi
    return _pyatspi


def role(acc):
    return acc.getRoleName()


def states(acc):
    return set(acc.getState().getStates())


def has_state(acc, state_name):
    return getattr(atspi(), "STATE_" + state_name.upper()) in states(acc)


def showing(acc):
    return has_state(acc, "showing")


def enabled(acc):
    return has_state(acc, "enabled")


def checked(acc):
    return has_state(acc, "checked")


def children(acc):
    out = []
    for i in range(acc.childCount):
        c = acc.getChildAtIndex(i)
        if c is not None:
            out.append(c)
    return out


def walk(acc):
    yield acc
    for c in children(acc):
        yield from walk(c)


def find_all(root, role_name=None, name=None, only_showing=True, predicate=None):
    out = []
    for acc in walk(root):
        if role_name is not None and role(acc) != role_name:
            continue
        if name is not None and acc.name != name:
            continue
        if only_showing and not showing(acc):
            continue
        if predicate is not None and not predicate(acc):
            continue
        out.append(acc)
    return out


def text_of(acc):
    try:
        t = acc.queryText()
        return t.getText(0, -1)
    except NotImplementedError:
        return acc.name or ""
    except Exception:
        return acc.name or ""


def action_names(acc):
    try:
        a = acc.queryAction()
    except NotImplementedError:
        return []
    return [a.getName(i) for i in range(a.nActions)]


def do_action(acc, wanted=("Press", "press", "click", "Toggle", "toggle")):
    a = acc.queryAction()
    names = [a.getName(i) for i in range(a.nActions)]
    for w in wanted:
        if w in names:
            a.doAction(names.index(w))
            return
    raise RoadFailure(f"{describe(acc)} has no press action (actions: {names})")


def set_text(acc, text):
    e = acc.queryEditableText()
    check(e.setTextContents(text), f"{describe(acc)} refused the text {text!r}")


def extents(acc):
    """Screen rectangle (x, y, w, h) of a control."""
    pyatspi = atspi()
    c = acc.queryComponent()
    r = c.getExtents(pyatspi.DESKTOP_COORDS)
    return (r.x, r.y, r.width, r.height)


def describe(acc):
    try:
        return f"[{role(acc)}] {acc.name!r}"
    except Exception:
        return "<gone>"


def dump_tree(acc, depth=0, out=None):
    """The accessibility tree below `acc`, one line a node, as a screen reader would list it."""
    pyatspi = atspi()
    out = [] if out is None else out
    try:
        st = states(acc)
        flags = [n for n, s in (("showing", pyatspi.STATE_SHOWING), ("enabled", pyatspi.STATE_ENABLED),
                                ("focused", pyatspi.STATE_FOCUSED), ("checked", pyatspi.STATE_CHECKED),
                                ("active", pyatspi.STATE_ACTIVE), ("selected", pyatspi.STATE_SELECTED))
                 if s in st]
        # nameless fillers (scroll areas' insides) only nest the controls deeper
        if role(acc) == "filler" and not acc.name and depth > 0:
            for c in children(acc):
                dump_tree(c, depth, out)
            return out
        line = "  " * depth + f"[{role(acc)}] {acc.name!r} ({','.join(flags)})"
        if role(acc) in ("text", "entry", "password text", "paragraph"):
            line += f" text={text_of(acc)[:200]!r}"
        out.append(line)
        for c in children(acc):
            dump_tree(c, depth + 1, out)
    except Exception as e:
        out.append("  " * depth + f"<gone: {e}>")
    return out


# ---------------------------------------------------------------- screen and stacking

def screenshot(display, path):
    """The whole screen of `display` into a PNG file; returns the image (PIL)."""
    from PIL import Image
    from Xlib import X, display as xdisplay
    d = xdisplay.Display(display)
    try:
        root = d.screen().root
        g = root.get_geometry()
        raw = root.get_image(0, 0, g.width, g.height, X.ZPixmap, 0xFFFFFFFF)
        img = Image.frombytes("RGB", (g.width, g.height), raw.data, "raw", "BGRX")
    finally:
        d.close()
    if path:
        img.save(path)
    return img


def client_stacking(display):
    """The managed windows from the bottom to the top, as the window manager keeps them
    (_NET_CLIENT_LIST_STACKING); each as (window id, pid, title, states, (x, y, w, h))."""
    from Xlib import X, Xatom, display as xdisplay
    d = xdisplay.Display(display)
    try:
        root = d.screen().root
        prop = root.get_full_property(d.intern_atom("_NET_CLIENT_LIST_STACKING"), X.AnyPropertyType)
        ids = list(prop.value) if prop else []
        out = []
        for wid in ids:
            w = d.create_resource_object("window", wid)
            try:
                pid = w.get_full_property(d.intern_atom("_NET_WM_PID"), Xatom.CARDINAL)
                name = w.get_full_property(d.intern_atom("_NET_WM_NAME"), d.intern_atom("UTF8_STRING"))
                st = w.get_full_property(d.intern_atom("_NET_WM_STATE"), Xatom.ATOM)
                attrs = w.get_attributes()
                geo = w.get_geometry()
                pos = w.translate_coords(root, 0, 0)
                title = name.value.decode("utf-8", "replace") if name else (w.get_wm_name() or "")
                state_names = [d.get_atom_name(a) for a in (st.value if st else [])]
                out.append({"id": wid, "pid": pid.value[0] if pid else None, "title": title,
                            "states": state_names, "viewable": attrs.map_state == X.IsViewable,
                            "rect": (-pos.x, -pos.y, geo.width, geo.height)})
            except Exception:
                continue  # a window that went away meanwhile
        return out
    finally:
        d.close()


def x_top_level_stacking(display):
    """Without a window manager: the viewable top-level windows from the bottom to the top."""
    from Xlib import X, Xatom, display as xdisplay
    d = xdisplay.Display(display)
    try:
        root = d.screen().root
        out = []
        for w in root.query_tree().children:
            try:
                a = w.get_attributes()
                if a.map_state != X.IsViewable:
                    continue
                pid = w.get_full_property(d.intern_atom("_NET_WM_PID"), Xatom.CARDINAL)
                g = w.get_geometry()
                out.append({"id": w.id, "pid": pid.value[0] if pid else None, "title": w.get_wm_name() or "",
                            "rect": (g.x, g.y, g.width, g.height)})
            except Exception:
                continue
        return out
    finally:
        d.close()


# ---------------------------------------------------------------- the program

class Suite:
    """What the roads share: the build, a database template built once from the test bank, the
    X server and buses, and a work folder with one folder per road."""

    def __init__(self, build_dir, source_dir, workdir, keep=False):
        self.build_dir = build_dir
        self.source_dir = source_dir
        self.workdir = workdir
        self.keep = keep
        self.binary = os.path.join(build_dir, "bin", "ferdano")
        self.dbbuild = os.path.join(build_dir, "bin", "ferdano-dbbuild")
        self.bank = os.path.join(source_dir, "tests", "common", "testbank")
        self.template_db = os.path.join(workdir, "template", "DB")
        self.x = None
        self.bus = None

    def start(self):
        for f in (self.binary, self.dbbuild):
            if not os.access(f, os.X_OK):
                raise RuntimeError(f"{f} is missing: build the targets ferdano and ferdano-dbbuild first")
        os.makedirs(os.path.dirname(self.template_db), exist_ok=True)
        r = subprocess.run([self.dbbuild, "--source", self.bank, self.template_db], capture_output=True, text=True)
        if r.returncode != 0:
            raise RuntimeError(f"ferdano-dbbuild failed: {r.stdout}{r.stderr}")
        self.x = XServer(self.workdir).start()
        self.bus = SessionBus(self.workdir, self.x.display).start()
        # pyatspi finds the accessibility bus through these, once, when it is first imported
        os.environ["DBUS_SESSION_BUS_ADDRESS"] = self.bus.address
        os.environ["DISPLAY"] = self.x.display
        os.environ.pop("AT_SPI_BUS_ADDRESS", None)
        atspi()

    def stop(self):
        if self.bus:
            self.bus.stop()
        if self.x:
            self.x.stop()

    def road_dir(self, name):
        d = os.path.join(self.workdir, name)
        os.makedirs(d, exist_ok=True)
        return d


class Program:
    """One installation of the program (the binary with a copy of the test database beside it)
    and the processes started from it. Several processes may share one installation and one
    temporary directory, as two instances of one user on one station do."""

    def __init__(self, suite, road_dir, x=None):
        self.suite = suite
        self.x = x or suite.x
        self.root = road_dir
        self.prog_dir = os.path.join(road_dir, "prog")
        self.tmp_dir = os.path.join(road_dir, "tmp")
        self.cwd = os.path.join(road_dir, "cwd")  # where the program writes its print files
        self.runtime_dir = os.path.join(road_dir, "runtime")
        for d in (self.prog_dir, self.tmp_dir, self.cwd, self.runtime_dir):
            os.makedirs(d, exist_ok=True)
        os.chmod(self.runtime_dir, 0o700)
        # the program and its chart module, as they are installed. The program finds its database
        # beside its own file, links resolved: a hard link is a file of its own there, and saves a
        # copy when the build is on the same file system
        module = os.path.join(os.path.dirname(suite.binary), "ferdano_chart.so")
        for source in (suite.binary, module):
            target = os.path.join(self.prog_dir, os.path.basename(source))
            try:
                os.link(source, target)
            except OSError:
                shutil.copy2(source, target)
        shutil.copytree(suite.template_db, os.path.join(self.prog_dir, "DB"))
        self.db_path = os.path.join(self.prog_dir, "DB", "ferdano.db")
        self.procs = []

    # the database copy, read and set with sqlite3 beside the program
    def query(self, sql, params=()):
        con = sqlite3.connect(self.db_path, timeout=10)
        try:
            return con.execute(sql, params).fetchall()
        finally:
            con.close()

    def execute(self, sql, params=()):
        con = sqlite3.connect(self.db_path, timeout=10)
        try:
            con.execute(sql, params)
            con.commit()
        finally:
            con.close()

    def set_const(self, name, value):
        self.execute("UPDATE FNKonst SET ConstValue=? WHERE ConstName=?", (str(value), name))
        check(self.query("SELECT ConstValue FROM FNKonst WHERE ConstName=?", (name,)) == [(str(value),)],
              f"constant {name} not set")

    def start(self, extra_env=None, label=None):
        env = dict(os.environ)
        for k in ("QT_QPA_PLATFORM", "XDG_RUNTIME_DIR", "AT_SPI_BUS_ADDRESS", "QT_ACCESSIBILITY"):
            env.pop(k, None)
        env.update({
            "DISPLAY": self.x.display,
            "DBUS_SESSION_BUS_ADDRESS": self.suite.bus.address,
            "TMPDIR": self.tmp_dir,
            "QT_QPA_PLATFORM": "xcb",
            "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1",
            "QT_ACCESSIBILITY": "1",
            "LC_ALL": "C.UTF-8",
            "HOME": self.root,
            "XDG_RUNTIME_DIR": self.runtime_dir,
        })
        env.update(extra_env or {})
        n = len(self.procs) + 1
        log = open(os.path.join(self.root, f"ferdano-{n}.log"), "wb")
        p = subprocess.Popen([os.path.join(self.prog_dir, "ferdano")], cwd=self.cwd, env=env, stdout=log,
                             stderr=subprocess.STDOUT, start_new_session=True)
        proc = Process(self, p, label or f"ferdano #{n}")
        self.procs.append(proc)
        return proc

    def stop_all(self):
        for p in self.procs:
            p.kill()


class Process:
    """One running program: its process and its application in the accessibility tree."""

    def __init__(self, program, popen, label):
        self.program = program
        self.popen = popen
        self.pid = popen.pid
        self.label = label

    def alive(self):
        return self.popen.poll() is None

    def returncode(self):
        return self.popen.poll()

    def wait_exit(self, timeout, what="the program to end"):
        try:
            return self.popen.wait(timeout)
        except subprocess.TimeoutExpired:
            raise RoadFailure(f"timed out after {timeout} s waiting for {what}; it still runs")

    def kill(self):
        if self.popen.poll() is None:
            self.popen.kill()
            self.popen.wait()

    def app(self):
        """The program's application object in the accessibility tree, or None."""
        pyatspi = atspi()
        desktop = pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            a = desktop.getChildAtIndex(i)
            try:
                if a is not None and a.get_process_id() == self.pid:
                    # a fresh look every time: the program changes its windows under us
                    from gi.repository import Atspi
                    a.set_cache_mask(Atspi.Cache.NONE)
                    return a
            except Exception:
                continue
        return None

    def windows(self):
        """The program's top-level windows that are on screen."""
        self.check_alive()
        a = self.app()
        if a is None:
            return []
        return [w for w in children(a) if showing(w)]

    def check_alive(self):
        if not self.alive():
            raise RoadFailure(f"{self.label} ended unexpectedly with status {self.returncode()}")

    def window(self, title=None, containing=None, timeout=20, what=None):
        """Waits for a window on screen whose name is `title` and/or that holds a control
        satisfying `containing` (a role/name pair or a predicate over the window)."""
        def probe():
            for w in self.windows():
                if title is not None and w.name != title:
                    continue
                if containing is not None and not self._holds(w, containing):
                    continue
                return w
            return None
        return wait_for(probe, timeout, what or f"window {title!r} holding {containing!r}")

    @staticmethod
    def _holds(w, containing):
        if callable(containing):
            return containing(w)
        role_name, name = containing
        return bool(find_all(w, role_name, name))

    def gone(self, acc_window, timeout=20, what=None):
        """Waits until a window is no longer on screen."""
        def probe():
            self.check_alive()
            try:
                return not showing(acc_window)
            except Exception:
                return True
        wait_for(probe, timeout, what or f"{describe(acc_window)} to close")

    def trees(self):
        a = self.app()
        if a is None:
            return [f"{self.label}: not in the accessibility tree (alive: {self.alive()})"]
        lines = [f"{self.label} (pid {self.pid}, alive: {self.alive()}):"]
        for w in children(a):
            if showing(w):
                lines += dump_tree(w, 1)
        return lines


# ---------------------------------------------------------------- the keyboard and the mouse

def xdotool(display, *args):
    r = subprocess.run(["xdotool", *args], env=dict(os.environ, DISPLAY=display), capture_output=True, text=True)
    if r.returncode != 0:
        raise RoadFailure(f"xdotool {' '.join(args)} failed: {r.stderr.strip()}")
    return r.stdout


def key(display, *keys):
    """Real key presses through the X server (XTEST), to whichever window has the focus."""
    xdotool(display, "key", "--delay", "60", *keys)


def type_text(display, text):
    xdotool(display, "type", "--delay", "40", text)


def click(display, x, y):
    xdotool(display, "mousemove", str(x), str(y), "click", "1")
