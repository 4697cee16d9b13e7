#!/usr/bin/python3
"""What a screen reader sees of the running window, read from the real AT-SPI
tree: French names for the panes, the toolbar buttons, the size box, the
toolbars and the menu bar, no control named "Exit" or "Vide"; then the About
box, opened through its menu item, whose picture is named and whose links are
named links that Tab reaches.

Run by atspi_test.sh, inside an X server and a session bus, with the text of
the file the program was started on. Prints the tree it read and one line per
failed check; exits 1 on failure."""
import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib

DEADLINE = 20  # seconds for each thing awaited


def wait_for(what, find):
    end = time.time() + DEADLINE
    while time.time() < end:
        found = find()
        if found:
            return found
        time.sleep(0.05)
    sys.exit("tree_check: no %s after %d s" % (what, DEADLINE))


class Node:
    def __init__(self, acc, depth, parent):
        self.acc, self.depth, self.parent = acc, depth, parent
        self.role = acc.getRole()
        self.name = acc.name


def walk(acc, depth=0, parent=None):
    """Every node once (each read is a round trip on the bus); the items of a
    drop-down list are left out."""
    node = Node(acc, depth, parent)
    yield node
    if node.role == pyatspi.ROLE_LIST and parent is not None and parent.role == pyatspi.ROLE_COMBO_BOX:
        return
    for child in acc:
        if child is not None:
            yield from walk(child, depth + 1, node)


def dump(tree):
    for n in tree:
        print("%s%s %r" % ("  " * n.depth, n.acc.getRoleName(), n.name))


def app_named(name):
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.name.lower() == name:
            return app
    return None


failures = []


def check(ok, message):
    if not ok:
        failures.append(message)


def of_role(tree, *roles):
    return [n for n in tree if n.role in roles]


app = wait_for("Quorlin application on the bus", lambda: app_named("quorlin"))
frame = wait_for("main window", lambda: next(
    (a for a in app if a is not None and a.getRole() == pyatspi.ROLE_FRAME), None))
tree = list(walk(frame))
dump(tree)

panes = [n for n in of_role(tree, pyatspi.ROLE_TEXT) if n.parent.role != pyatspi.ROLE_COMBO_BOX]
check(sorted(n.name for n in panes) == ["Code HTML", "Texte source"],
      "panes named %r" % [n.name for n in panes])
# The file named on the command line is in the source pane.
source = next((n for n in panes if n.name == "Texte source"), None)
if source is not None:
    shown = wait_for("file's text in the source pane", lambda: (
        lambda t: t if t == sys.argv[1] else None)(source.acc.queryText().getText(0, -1)))
bars = of_role(tree, pyatspi.ROLE_TOOL_BAR)
check(len(bars) == 2 and all(n.name for n in bars), "toolbars named %r" % [n.name for n in bars])
buttons = [n.name for n in of_role(tree, pyatspi.ROLE_PUSH_BUTTON)
           if n.parent.role == pyatspi.ROLE_TOOL_BAR and n.acc.getState().contains(pyatspi.STATE_SHOWING)]
check(buttons == ["Ouvrir", "Nouveau", "Coller", "Quitter", "Coder", "Copier", "Enregistrer"],
      "toolbar buttons named %r" % buttons)
combos = of_role(tree, pyatspi.ROLE_COMBO_BOX)
check([n.name for n in combos] == ["Taille de la police"], "size box named %r" % [n.name for n in combos])
# Its value, the size, is the text of its field, not its name.
fields = [n for n in of_role(tree, pyatspi.ROLE_TEXT) if n.parent.role == pyatspi.ROLE_COMBO_BOX]
check([f.acc.queryText().getText(0, -1) for f in fields] == ["8"], "size box shows no size 8")
check([bool(n.name) for n in of_role(tree, pyatspi.ROLE_MENU_BAR)] == [True], "menu bar has no name")
named = {n.name for n in tree}
check("Exit" not in named and "Vide" not in named, "a control is named Exit or Vide")

about = next((n for n in of_role(tree, pyatspi.ROLE_MENU_ITEM) if n.name == "A propos..."), None)
check(about is not None, "no menu item A propos...")
if about is not None:
    # The item opens a modal box, and Qt answers the request only once the box
    # has closed: the request is made without waiting for the answer.
    pyatspi.setTimeout(500, 0)
    try:
        about.acc.queryAction().doAction(0)
    except GLib.GError:
        pass
    pyatspi.setTimeout(25000, 0)
    box = wait_for("About box", lambda: next(
        (a for a in app if a is not None and a.getRole() == pyatspi.ROLE_DIALOG
         and a.name.startswith("Info ")), None))
    inside = list(walk(box))
    print()
    dump(inside)
    links = of_role(inside, pyatspi.ROLE_LINK)
    check([n.name.split(" : ")[0] for n in links] == ["Site web", "Courriel"],
          "About links %r" % [n.name for n in links])
    pictures = of_role(inside, pyatspi.ROLE_IMAGE, pyatspi.ROLE_ICON)
    check(len(pictures) == 1 and pictures[0].name, "About picture %r" % [n.name for n in pictures])

    # Tab from OK reaches each link: keys typed into the box through the X server.
    window = subprocess.run(["xdotool", "search", "--sync", "--name", "^Info "],
                            capture_output=True, text=True, check=True).stdout.split()[0]
    subprocess.run(["xdotool", "windowfocus", "--sync", window], check=True)
    candidates = links + of_role(inside, pyatspi.ROLE_PUSH_BUTTON)

    def focused():
        return next((n.name for n in candidates if n.acc.getState().contains(pyatspi.STATE_FOCUSED)), None)

    previous = wait_for("focus in the About box", focused)
    reached = []
    for _ in links:
        subprocess.run(["xdotool", "key", "--window", window, "Tab"], check=True)
        previous = wait_for("focus to move on Tab", lambda: (
            lambda now: now if now and now != previous else None)(focused()))
        reached.append(previous)
    check(reached == [n.name for n in links], "Tab reached %r" % reached)

for failure in failures:
    print("FAILED: " + failure)
sys.exit(1 if failures else 0)
