"""Reads the main window of the running savrona through the accessibility
layer (AT-SPI): the tree must show the first category name given and not the
second, and the status bar the text given.

Arguments: a category shown, a category not shown, the status text."""
import sys
import time

import pyatspi


def names_of(node, found, depth=0):
    if node is None or depth > 40:
        return
    try:
        found.append(node.name or "")
        for child in node:
            names_of(child, found, depth + 1)
    except Exception:
        pass


def savrona_names():
    desktop = pyatspi.Registry.getDesktop(0)
    for application in desktop:
        if application is not None and "savrona" in (application.name or "").lower():
            found = []
            names_of(application, found)
            return found
    return []


def main():
    shown, not_shown, status = sys.argv[1:4]
    names = []
    for _ in range(50):
        names = savrona_names()
        if shown in names and status in names:
            break
        time.sleep(0.2)
    if shown not in names:
        sys.exit("the tree does not show %r; it shows %r" % (shown, names))
    if not_shown in names:
        sys.exit("the tree shows %r, the built-in cookbook's name" % not_shown)
    if status not in names:
        sys.exit("the status bar does not say %r" % status)


main()
