"""Two operator sessions, one per link, through the accessibility tree:
Load, the Display and Setting read-backs with their commands, Alt+P from
another window, Unload; each step checked on what reached the simulated
controller. Then the pages as a keyboard and screen-reader user meets them.
With --real-ddc, one session over DDC2Bi on the real plugin and libddcutil,
the panel alone preloaded with the emulated monitor, checked on its
exchange log.

    operator_sessions.py BIN_DIR [--real-ddc PRELOAD]   (inside dbus-run-session)
"""

import os
import re
import shutil
import subprocess
import sys
import tempfile

from lumivex_driver import Failure, Panel, descendants, labelled_by, logged, states, wait_for


def frame(*payload):
    """A serial frame as zepta-sim logs it: length, payload, checksum."""
    data = [len(payload) + 2, *payload]
    data.append(-sum(data) & 0xFF)
    return "rx " + " ".join("%02X" % b for b in data)


def vcp(code, value):
    return r"SetCIValue\(0x[0-9A-F]{8}, 0x%02X, %d\) = 0" % (code, value)


# Each link: the port typed, what Load says, the log that shows what reached
# the controller, how a (frame, (VCP code, value)) pair reads there, and each
# page's read request.
LINKS = {
    "COM1": dict(opened="Open COM1 successfully", log="sim.log", sent=lambda f, v: re.escape(f),
                 reads={"Display": frame(0x03, 0x00), "Setting": frame(0x04, 0x00)}),
    "DDC2Bi": dict(opened="Open DDC2BI successfully", log="ddc.log", sent=lambda f, v: vcp(*v),
                   reads={"Display": r"GetCIValue\(0x[0-9A-F]{8}, 0xB2\) = 0",
                          "Setting": r"GetCIValue\(0x[0-9A-F]{8}, 0x60\) = 0"}),
    "DDC2Bi on libddcutil": dict(port="DDC2Bi", opened="Open DDC2BI successfully", log="exchanges.log",
                                 sent=lambda f, v: re.escape("set 0x%02X 0x%04X: applied" % v),
                                 reads={"Display": r"^i2c-3 get 0xB2: current",
                                        "Setting": r"^i2c-3 get 0x60: current"}),
}

TITLE = "ZEPTA-Lumivex K410 V1.5"
POWER_OFF = "ZEPTA device will be turn off,press ALT+P will be turn on"
FACTORY_RESET = "System will load factory setting"

# The session: (what the operator does, its arguments, what reaches the
# controller: a (frame, (VCP code, value)) write, the read-back of a page, or None).
SESSION = [
    ("type", ("text", "Interface Select", "{port}"), None),
    ("press", ("push button", "Load"), None),
    ("answer", ("{opened}", "OK"), None),
    ("title", (TITLE,), None),
    ("tab", ("Display", ("push button", "Calculate")), "Display"),
    ("type", ("text", "Bezel Width mm", "10"), None),
    ("type", ("text", "Veiwable Width mm", "400"), None),
    ("type", ("text", "Bezel Height mm", "12"), None),
    ("type", ("text", "Viewable Height mm", "400"), None),
    ("press", ("push button", "Calculate"), None),
    ("shows", ("text", "H Mask %", "1.3"), None),
    ("shows", ("text", "V Mask %", "1.5"), None),
    ("ini", ("Bezel Width=    10.0",), None),
    ("press", ("radio button", "ON"), (frame(0x18, 0x00, 13, 15, 1), (0xB2, 13 << 8 | 15 | 0x8000))),
    ("tab", ("Setting", ("push button", "Identify Monitors")), "Setting"),
    ("press", ("radio button", "Component"), (frame(0x1B, 0x01), (0x60, 1))),
    ("press", ("radio button", "OFF"), None),
    ("answer", (POWER_OFF, "Yes"), (frame(0x1C, 0x00), (0xD6, 0))),
    ("press", ("radio button", "LOCK"), (frame(0x02, 0x01), (0xFC, 1))),
    ("press", ("check box", "GPO-2"), (frame(0x05, 0x02), (0xB3, 2))),
    ("press", ("push button", "Factory Reset"), None),
    ("answer", (FACTORY_RESET, "No"), None),
    ("press", ("push button", "Identify Monitors"), (frame(0x02, 0x04, 0x00), (0xFB, 0))),
    ("alt_p", (), (frame(0x1C, 0x01), (0xD6, 1))),
    ("press", ("push button", "Refresh"), "Setting"),
    ("checked", ("radio button", "ON"), None),  # as the controller reports now
    ("checked", ("radio button", "Component"), None),
    ("checked", ("radio button", "LOCK"), None),
    ("checked", ("check box", "GPO-2"), None),
    ("tab", ("Interface", ("push button", "Unload")), None),
    ("press", ("push button", "Unload"), None),
    ("answer", ("Unload all devices", "OK"), None),
]


def run_session(panel, name):
    link = LINKS[name]
    port = link.get("port", name)
    log = panel.path(link["log"])
    sent = []  # the writes expected so far, in order

    def writes():
        # Past the time stamp (or bus), without the read requests (model, Display, Setting).
        lines = logged(log, r" rx (?!04 1A|04 03|04 04)| SetCIValue|^i2c-\d+ set ")
        return [line.split(" ", 1)[1].strip() for line in lines]

    for step, args, expect in SESSION:
        args = tuple(a.format(port=port, opened=link["opened"]) if isinstance(a, str) else a for a in args)
        print("%s: %s %s" % (name, step, args), flush=True)
        if isinstance(expect, str):
            read = link["reads"][expect]
            before = len(logged(log, read))
        if step == "type":
            panel.type_into(*args)
        elif step == "press":
            panel.press(*args)
        elif step == "answer":
            panel.answer(*args)
        elif step == "title":
            wait_for("the title %r" % args[0], lambda: panel.title() == args[0])
        elif step == "tab":
            panel.tab(*args)
        elif step == "shows":
            acc = panel.get(args[0], args[1], panel.window)
            try:
                wait_for("%s showing %r" % (args[1], args[2]), lambda: panel.text_of(acc) == args[2])
            except Failure:
                raise Failure("%s shows %r, expected %r" % (args[1], panel.text_of(acc), args[2]))
        elif step == "checked":
            acc = panel.get(*args, root=panel.window)
            wait_for("%s checked" % args[1], lambda: "checked" in states(acc))
        elif step == "ini":
            wait_for("%r in ZEPTA.ini" % args[0], lambda: args[0] in open(panel.path("ZEPTA.ini")).read())
        elif step == "alt_p":
            alt_p(panel)
        if isinstance(expect, str):
            wait_for("the read-back %s" % read, lambda: len(logged(log, read)) > before)
            # Text set through accessibility is not held as keys are: wait
            # until the page has taken its read-back.
            wait_for("the panel free after %s" % read, lambda: "busy" not in states(panel.window))
        elif expect:
            sent.append(link["sent"](*expect))
            wait_for("%s in %s" % (sent[-1], log), lambda: len(writes()) >= len(sent))
            if not re.match(sent[-1], writes()[len(sent) - 1]):
                raise Failure("the controller got %r, expected %s" % (writes()[len(sent) - 1], sent[-1]))
        if panel.message_box() is not None and step != "press":
            raise Failure("an unexpected message box after %s %s" % (step, args))
    # Exactly these writes and nothing else (a "No" sends nothing).
    got = writes()
    if len(got) != len(sent) or not all(re.match(p, w) for p, w in zip(sent, got)):
        raise Failure("writes %r, expected %r" % (got, sent))


def alt_p(panel):
    """Alt+P pressed while another program's window has the focus."""
    other = panel.spawn("xmessage", "-title", "another program", "another program")
    window = wait_for("another window", lambda: subprocess.run(
        ["xdotool", "search", "--onlyvisible", "--name", "another program"], capture_output=True,
        text=True).stdout.split())[0]
    subprocess.run(["xdotool", "windowfocus", "--sync", window], check=True)
    wait_for("the panel to lose the focus", lambda: "active" not in states(panel.window))
    subprocess.run(["xdotool", "key", "alt+p"], check=True)
    # The frame is awaited by the caller; the other window may go now.
    other.terminate()


def name_of(acc):
    """What a screen reader calls a control: a list by its label."""
    if acc.getRoleName() == "combo box":
        return (labelled_by(acc) or [acc.name])[0]
    return acc.name


CONTROL_ROLES = {"push button", "radio button", "check box", "combo box", "text", "label", "panel"}

DISPLAY_TAB_ORDER = ["Display Resolution", "Display Mode", "Refresh", "OFF", "H Mask %", "V Mask %",
                     "Calculate", "Veiwable Width mm", "Bezel Width mm", "Viewable Height mm", "Bezel Height mm"]


PAGES = {  # what shows each page, and what it says with no link
    "Interface": (("push button", "Load"), None),
    "Display": (("push button", "Calculate"), "Interface port unload"),
    "Setting": (("push button", "Identify Monitors"), "Interface port unload"),
    "About": (("push button", "https://www.zepta.example/"), None),
}


def show_page(panel, tab):
    shows, says = PAGES[tab]
    panel.tab(tab, shows)
    if says:
        panel.answer(says)
    return panel.get(*shows, root=panel.window).parent


def check_keyboard(panel):
    """With no link: every control named; Tab walks the Display page."""
    for tab in PAGES:
        page = show_page(panel, tab)
        unnamed = [a.getRoleName() for a in descendants(page)
                   if a.getRoleName() in CONTROL_ROLES and "showing" in states(a) and not name_of(a)]
        if unnamed:
            raise Failure("%s page: controls without a name: %r" % (tab, unnamed))
    page = show_page(panel, "Display")
    subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "ZEPTA", "windowfocus", "--sync"], check=True)

    def focused():
        for acc in descendants(page):
            if "focused" in states(acc):
                return acc.parent if acc.parent.getRoleName() == "combo box" else acc
        return None

    def focus_on(name):
        acc = focused()
        return acc if acc is not None and name_of(acc) == name else None

    wait_for("the panel active", lambda: "active" in states(panel.window))
    for _ in range(2 * len(DISPLAY_TAB_ORDER)):  # from wherever the focus is
        subprocess.run(["xdotool", "key", "Tab"], check=True)
        try:
            wait_for("the first control", lambda: focus_on(DISPLAY_TAB_ORDER[0]), timeout=2)
            break
        except Failure:
            pass
    for i, name in enumerate(DISPLAY_TAB_ORDER):
        if i > 0:
            subprocess.run(["xdotool", "key", "Tab"], check=True)
        try:
            acc = wait_for("the focus on %r" % name, lambda: focus_on(name))
        except Failure:
            raise Failure("Tab reached %r, expected %r" % (focused() and name_of(focused()), name))
        if "showing" not in states(acc):
            raise Failure("%r has the focus but is not showing" % name)


def real_ddc_environment(bin_dir, work, preload):
    """The real plugin over libddcutil, on a K410 the emulator puts on i2c-3."""
    with open(os.path.join(work, "emulator.conf"), "w") as conf:
        conf.write("log=%s\nstate=%s\nbus=3 model=K410\n"
                   % (os.path.join(work, "exchanges.log"), os.path.join(work, "monitors.state")))
    # The user's own ddcutilrc must not change what the library does here.
    os.makedirs(os.path.join(work, "config", "ddcutil"))
    with open(os.path.join(work, "config", "ddcutil", "ddcutilrc"), "w") as rc:
        rc.write("[libddcutil]\n")
    return dict(LD_PRELOAD=preload, LUMIVEX_I2C_EMULATOR=os.path.join(work, "emulator.conf"),
                XDG_CONFIG_HOME=os.path.join(work, "config"),
                ZEPTA_DDCHELPER=os.path.join(bin_dir, "libDDCHelper.so"))


def main():
    bin_dir = sys.argv[1]
    preload = sys.argv[sys.argv.index("--real-ddc") + 1] if "--real-ddc" in sys.argv else None
    work = tempfile.mkdtemp(prefix="lumivex-e2e-")
    os.chmod(work, 0o700)
    panel = Panel(bin_dir, work)
    try:
        panel.start_display()
        if preload:
            panel.start(real_ddc_environment(bin_dir, work, preload))
            run_session(panel, "DDC2Bi on libddcutil")
        else:
            panel.start_sim()
            panel.start()
            for port in ("COM1", "DDC2Bi"):
                run_session(panel, port)
            check_keyboard(panel)
    except Exception:
        print("logs kept in", work)
        raise
    finally:
        panel.stop()
    shutil.rmtree(work)
    print("operator sessions passed")


if __name__ == "__main__":
    main()
