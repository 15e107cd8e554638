"""Drives a running lumivex through its accessibility tree, as a person
would, next to the simulated controllers whose logs show what arrived."""

import os
import re
import shutil
import subprocess
import time

import pyatspi

# Start-up under the sanitizers is slow: waits poll up to this long.
TIMEOUT = float(os.environ.get("LUMIVEX_E2E_TIMEOUT", "30"))


class Failure(AssertionError):
    pass


def wait_for(what, probe, timeout=TIMEOUT):
    """Polls probe() until it gives something true, and returns that."""
    deadline = time.monotonic() + timeout
    error = ""
    while True:
        try:
            found = probe()
        except Exception as e:  # the tree changes under our feet: try again
            found, error = None, " (%r)" % e
        if found:
            return found
        if time.monotonic() > deadline:
            raise Failure("gave up waiting for " + what + error)
        time.sleep(0.05)


def states(acc):
    acc.clearCache()  # not every change comes with an event that refreshes it
    return {pyatspi.stateToString(s) for s in acc.getState().getStates()}


def descendants(acc):
    for i in range(acc.childCount):
        child = acc.getChildAtIndex(i)
        if child is None:
            continue
        yield child
        yield from descendants(child)


def labelled_by(acc):
    for relation in acc.getRelationSet():
        if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY:
            return [relation.getTarget(i).name for i in range(relation.getNTargets())]
    return []


class Panel:
    """The simulators and one lumivex, in a working directory of their own."""

    def __init__(self, bin_dir, work):
        self.bin = bin_dir
        self.work = work
        self.procs = []
        self.env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_QPA_PLATFORM="xcb",
                        XDG_RUNTIME_DIR=work, ZEPTA_DDCHELPER=os.path.join(bin_dir, "libDDCHelper-sim.so"),
                        ZEPTA_SIM_LOG=self.path("ddc.log"),
                        # replies are taken as soon as they are whole: wait as long as a busy machine needs
                        ZEPTA_REPLY_WAIT_MS="5000")
        for name in ("ZEPTA_MESSAGE_LOG", "ZEPTA_EXIT_WHEN_SHOWN", "ZEPTA_SIM_MODEL"):
            self.env.pop(name, None)
        self.app = None

    def path(self, name):
        return os.path.join(self.work, name)

    def spawn(self, *argv, stdout=None, env=None, **options):
        proc = subprocess.Popen(argv, env=env or self.env, stdout=stdout or subprocess.DEVNULL, **options)
        self.procs.append(proc)
        return proc

    def start_display(self):
        """A virtual X display of its own: Xvfb picks a free number and
        names it when ready, so parallel runs never race for one."""
        read_end, write_end = os.pipe()
        self.spawn("Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24", "-nolisten", "tcp",
                   pass_fds=(write_end,), stderr=subprocess.DEVNULL)
        os.close(write_end)
        number = b""
        while not number.endswith(b"\n"):
            chunk = os.read(read_end, 16)
            if not chunk:
                raise Failure("Xvfb did not start")
            number += chunk
        os.close(read_end)
        os.environ["DISPLAY"] = self.env["DISPLAY"] = ":" + number.decode().strip()

    def start_sim(self):
        """zepta-sim on a pseudo-terminal, as COM1."""
        sim = self.spawn(os.path.join(self.bin, "zepta-sim"), "--persist", "--log", self.path("sim.log"),
                         stdout=subprocess.PIPE)
        self.env["ZEPTA_COM1"] = sim.stdout.readline().decode().strip()

    def start(self, own_env=None):
        """own_env: variables for lumivex alone, e.g. a preload."""
        # A copy of its own keeps ZEPTA.ini beside it, in the working directory.
        shutil.copy2(os.path.join(self.bin, "lumivex"), self.work)
        self.spawn(self.path("lumivex"), env=dict(self.env, **(own_env or {})))
        self.app = wait_for("lumivex on the accessibility bus", self._find_app)
        self.window = wait_for("the panel's window", lambda: self.find("dialog", "ZEPTA", exact=False))

    def _find_app(self):
        desktop = pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            if app is not None and app.name == "Lumivex":
                return app
        return None

    def stop(self):
        for proc in reversed(self.procs):
            proc.terminate()
        for proc in reversed(self.procs):
            try:
                proc.wait(timeout=TIMEOUT)
            except subprocess.TimeoutExpired:
                proc.kill()

    # -- finding and acting --------------------------------------------
    def find(self, role, name, root=None, exact=True):
        """The showing control of that role and name (or part of a name)."""
        for acc in descendants(root or self.app):
            if acc.getRoleName() == role and ((acc.name == name) if exact else (name in acc.name)):
                if "showing" in states(acc):
                    return acc
        return None

    def get(self, role, name, root=None):
        return wait_for("%s %r" % (role, name), lambda: self.find(role, name, root))

    def press(self, role, name):
        acc = self.get(role, name, self.window)
        wait_for("%r enabled" % name, lambda: "enabled" in states(acc))
        action = acc.queryAction()
        names = [action.getName(i) for i in range(action.nActions)]
        action.doAction(names.index("Press") if "Press" in names else 0)

    def tab(self, name, shows):
        """Selects the tab; shows = (role, name) of a control on its page."""
        self.get("page tab", name, self.window).queryAction().doAction(0)
        self.get(*shows, root=self.window)

    def type_into(self, role, name, text):
        acc = self.get(role, name, self.window)
        acc.queryEditableText().setTextContents(text)
        wait_for("%r typed" % text, lambda: acc.queryText().getText(0, -1) == text)

    def text_of(self, acc):
        return acc.queryText().getText(0, -1)

    def title(self):
        self.window.clearCache()
        return self.window.name

    # -- message boxes --------------------------------------------------
    def message_box(self):
        for acc in descendants(self.app):
            if acc.getRoleName() in ("dialog", "alert") and acc.name == "Lumivex" and "showing" in states(acc):
                return acc
        return None

    def box_saying(self, text):
        box = self.message_box()
        self.said = [a.name for a in descendants(box) if a.getRoleName() == "label"] if box else []
        return box if text in self.said else None

    def answer(self, text, button="OK"):
        """Waits for the message box saying text and presses button."""
        try:
            box = wait_for("a message box saying %r" % text, lambda: self.box_saying(text))
        except Failure:
            raise Failure("message box says %r, expected %r" % (self.said, text))
        self.get("push button", button, box).queryAction().doAction(0)
        wait_for("the message box gone", lambda: self.box_saying(text) is None)


def logged(path, pattern):
    """Lines of a simulator's log matching the regular expression."""
    try:
        with open(path) as log:
            return [line for line in log if re.search(pattern, line)]
    except FileNotFoundError:
        return []
