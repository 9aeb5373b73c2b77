"""Reads the main window of the running savrona through the accessibility
layer (AT-SPI): the tree must show the first category name given and not the
second, and the status bar the text given.

Arguments: a category shown, a category not shown, the status text."""
import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from savrona_atspi import savrona_names  # noqa: E402


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
