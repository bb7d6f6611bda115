#!/usr/bin/python3
"""Prints the accessible tree of a running application as a screen reader sees it, one line
per element: depth, role, name, and its box on screen (x y width height), tab-separated.

    atspi_tree.py APPLICATION-NAME
    atspi_tree.py APPLICATION-NAME --press NAME   (presses the first element of that name
                                                  that has an action, as a screen reader does)
"""
import sys

import pyatspi


def walk(node, depth, out):
    try:
        box = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        where = f"{box.x}\t{box.y}\t{box.width}\t{box.height}"
    except Exception:
        where = "\t\t\t"
    try:
        out.append(f"{depth}\t{node.getRoleName()}\t{node.name}\t{where}")
        count = node.childCount
    except Exception:
        # The element went away while being read (a row replaced by the next sample).
        return
    for i in range(count):
        try:
            child = node.getChildAtIndex(i)
        except Exception:
            continue
        if child is not None:
            walk(child, depth + 1, out)


def press(node, name):
    if node.name == name:
        try:
            action = node.queryAction()
            if action.nActions > 0:
                return action.doAction(0)
        except NotImplementedError:
            pass
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is not None and press(child, name):
            return True
    return False


def main():
    wanted = sys.argv[1].lower()
    desktop = pyatspi.Registry.getDesktop(0)
    out = []
    pressed = False
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        if app is not None and (app.name or "").lower() == wanted:
            if len(sys.argv) > 3 and sys.argv[2] == "--press":
                pressed = pressed or press(app, sys.argv[3])
            else:
                walk(app, 0, out)
    if len(sys.argv) > 3:
        sys.exit(0 if pressed else 1)
    print("\n".join(out))


main()
