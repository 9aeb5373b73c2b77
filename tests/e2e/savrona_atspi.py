"""The names that the running savrona shows through the accessibility layer
(AT-SPI), for the end-to-end tests to read its windows."""
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
    """Every accessible name in savrona's windows, in tree order."""
    found = []
    for application in pyatspi.Registry.getDesktop(0):
        if application is not None and "savrona" in (application.name or "").lower():
            names_of(application, found)
    return found
