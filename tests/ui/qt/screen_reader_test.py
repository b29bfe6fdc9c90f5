#!/usr/bin/python3
"""Walks the program's windows as a screen reader does, over the accessibility bus and by
keyboard only: screen_reader_test.py PROGRAM (screen_reader_test.sh gives it a display and a
session bus)."""
import os
import subprocess
import sys
import tempfile
import time

import pyatspi
from gi.repository import Atspi, GLib

IDS = ["{0A1B2C3D-0000-4000-8000-00000000000%d}" % n for n in (1, 2)]
TAB, RETURN, ESCAPE, UP, DOWN, F10, MENU = 0xFF09, 0xFF0D, 0xFF1B, 0xFF52, 0xFF54, 0xFFC7, 0xFF67
BUTTON, TEXT = "push button", "text"
faults = []
focused = []  # (role, name) of each object that announced it took the focus


def pump(seconds):
    context, end = GLib.MainContext.default(), time.time() + seconds
    while time.time() < end:
        while context.iteration(False):
            pass
        time.sleep(0.01)


def wait_for(find, what):
    for _ in range(100):
        pump(0.1)
        if find():
            return find()
    sys.exit("\n".join(faults + ["gave up waiting for " + what]))


def key(sym, shift=False):
    del focused[:]
    synth = pyatspi.Registry.generateKeyboardEvent
    if shift:
        synth(1, None, Atspi.KeySynthType.LOCKMODIFIERS)
        pump(0.1)
    synth(sym, None, pyatspi.KEY_SYM)
    pump(0.1)
    if shift:
        synth(1, None, Atspi.KeySynthType.UNLOCKMODIFIERS)
    # Tab and the arrows move the focus: wait for its announcement, however busy the machine.
    for _ in range(50 if sym in (TAB, UP, DOWN) else 0):
        if focused:
            break
        pump(0.1)
    pump(0.3)
    return focused[-1] if focused else None


def window(name):
    for app in pyatspi.Registry.getDesktop(0):
        for top in app if app is not None and app.name == "quillbay" else []:
            if top is not None and top.name == name and top.getState().contains(
                    pyatspi.STATE_SHOWING):
                return top
    return None


def focusables(obj):
    found = []
    for child in filter(None, obj):
        if child.getState().contains(pyatspi.STATE_FOCUSABLE) and child.getRoleName() not in (
                "table cell", "tree item", "table column header"):
            found.append(child)
        found += focusables(child)
    return found


def expect(what, heard, expected):
    if heard != expected:
        faults.append("%s\n  heard    %s\n  expected %s" % (what, heard, expected))


def check_window(top, expected, tabs):
    """The focusable objects of `top` by role and name, then Tab announcing `tabs` in turn."""
    expect(top.name + ": focusable objects",
           sorted((o.getRoleName(), o.name) for o in focusables(top)), sorted(expected))
    expect(top.name + ": Tab", [key(TAB) for _ in tabs], tabs)


def walk(program):
    main = wait_for(lambda: window("Tollmere") or program.poll() is not None, "the main window")
    if program.poll() is not None:
        sys.exit(3)  # it could not open the display
    radios = [("radio button", "Horizontal"), ("radio button", "Vertical")]
    tabs = [(TEXT, "Location"), (BUTTON, "Creat HTML"), (BUTTON, "CREATE"), (BUTTON, "OK/Cancel"),
            radios[1], ("tree", "Currently registered bar (s)"), (TEXT, "Name of the bar")]
    check_window(main, tabs + radios[:1] + [(BUTTON, "Delete")], tabs)
    location = [o for o in focusables(main) if o.name == "Location"]
    expect("the location box's examples", location[0].description if location else None,
           "E.g 1: c:\\mylocalpage.htm, E.g. 2: http://www.example.com")
    group = {(o.parent.getRoleName(), o.parent.name) for o in focusables(main)
             if o.getRoleName() == "radio button"}
    expect("the group of Horizontal and Vertical", group, {("panel", "Type of bar")})

    # Through the list each bar is heard by its name; Up from Vertical chooses Horizontal.
    key(TAB, shift=True)
    expect("bar list: Down, Up", [key(DOWN), key(UP)],
           [("table cell", "Other bar, " + IDS[1]), ("table cell", "My bar, " + IDS[0])])
    key(TAB, shift=True)  # Delete, enabled now that a bar is selected
    key(TAB, shift=True)
    expect("Up from Vertical", (key(UP), [o.getState().contains(pyatspi.STATE_CHECKED)
                                          for o in focusables(main) if o.name in ("Horizontal", "Vertical")]),
           (radios[0], [True, False]))

    # A message box: CREATE with the boxes empty.
    for _ in range(2):
        key(TAB, shift=True)
    key(RETURN)
    box = wait_for(lambda: window("quillbay"), "the message box")
    check_window(box, [("label", "Please input the name of the bar and URL!"), (BUTTON, "OK")],
                 [])
    key(RETURN)

    key(TAB, shift=True)
    key(RETURN)
    page = wait_for(lambda: window("Creat a HTML file for the bar"), "the link page")
    check_box = ("check box", "Check this box if you need a title in the file.")
    tabs = [(TEXT, "URL"), (BUTTON, "Add a link"), (BUTTON, "OK"), check_box, (BUTTON, "Cancel"),
            ("tree", "Link name, URL"), (TEXT, "Description"), (TEXT, "LINK NAME")]
    check_window(page, tabs + [(TEXT, "PATH"), (TEXT, "Title"), (BUTTON, "Delete")], tabs)
    key(ESCAPE)
    wait_for(lambda: window("Creat a HTML file for the bar") is None, "the link page to close")

    # The window menu, from the Menu key and from Shift+F10, anywhere: its last item is About.
    for menu_key, shift, then in ((MENU, False, ESCAPE), (F10, True, RETURN)):
        key(menu_key, shift)
        expect("window menu, last item", key(UP), ("menu item", "About Quillbay..."))
        key(then)
        pump(0.5)
    about = wait_for(lambda: window("About Quillbay"), "the About box")
    check_window(about, [(BUTTON, "OK")], [])
    key(ESCAPE)
    key(ESCAPE)


def main():
    data = tempfile.mkdtemp()
    os.makedirs(os.path.join(data, "quillbay"))
    with open(os.path.join(data, "quillbay", "bkupRegKeyf"), "w", newline="") as f:
        f.write("%s,My bar;\r\n%s,Other bar;\r\n" % tuple(IDS))
    program = subprocess.Popen([sys.argv[1]], env=dict(
        os.environ, XDG_DATA_HOME=data, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_QPA_PLATFORM="xcb"))
    try:
        pyatspi.Registry.registerEventListener(
            lambda e: e.detail1 and focused.append((e.source.getRoleName(), e.source.name)),
            "object:state-changed:focused")
        walk(program)
    finally:
        if program.poll() is None:
            program.kill()
        program.wait()
    print("\n".join(faults) or "All windows read as expected.")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
