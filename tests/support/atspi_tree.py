#!/usr/bin/python3
"""Prints the accessible tree of a running application as a screen reader sees it, one line
per element: depth, role, name, and its box on screen (x y width height), tab-separated.

    atspi_tree.py APPLICATION-NAME
"""
import sys

import pyatspi


def walk(node, depth, out):
    try:
        box = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        where = f"{box.x}\t{box.y}\t{box.width}\t{box.height}"
    except Exception:
        where = "\t\t\t"
    out.append(f"{depth}\t{node.getRoleName()}\t{node.name}\t{where}")
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is not None:
            walk(child, depth + 1, out)


def main():
    wanted = sys.argv[1].lower()
    desktop = pyatspi.Registry.getDesktop(0)
    out = []
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        if app is not None and (app.name or "").lower() == wanted:
            walk(app, 0, out)
    print("\n".join(out))


main()
