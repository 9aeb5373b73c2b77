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


def walk(node, depth=0):
    """The node and every node below it, depth first."""
    if node is None or depth > 40:
        return
    yield node
    for child in node:
        yield from walk(child, depth + 1)


def savrona_names():
    """Every accessible name in savrona's windows, in tree order."""
    found = []
    for application in pyatspi.Registry.getDesktop(0):
        if application is not None and "savrona" in (application.name or "").lower():
            names_of(application, found)
    return found


def names_of_process(pid):
    """Every accessible name in the windows of the savrona with that process id."""
    found = []
    for application in pyatspi.Registry.getDesktop(0):
        try:
            if application is not None and application.get_process_id() == pid:
                names_of(application, found)
        except Exception:
            pass
    return found


def status_of_process(pid):
    """The status bar's "N Categories with M recipes" of that savrona, or ""."""
    for name in names_of_process(pid):
        if " Categories with " in name:
            return name
    return ""


def tree_root_point_of_process(pid):
    """A point on the first row of that savrona's cookbook tree, on the screen, where a
    click gives the tree the focus; None when the tree is not found."""
    for application in pyatspi.Registry.getDesktop(0):
        try:
            if application is None or application.get_process_id() != pid:
                continue
            for node in walk(application):
                if node.getRole() in (pyatspi.ROLE_TREE, pyatspi.ROLE_TREE_TABLE):
                    box = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
                    return box.x + 40, box.y + 10
        except Exception:
            pass
    return None


def press_button(name):
    """Presses the button of savrona's windows that has that accessible name; whether
    there was one."""
    for application in pyatspi.Registry.getDesktop(0):
        if application is None or "savrona" not in (application.name or "").lower():
            continue
        for node in walk(application):
            try:
                if node.name == name and node.getRole() == pyatspi.ROLE_PUSH_BUTTON:
                    return node.queryAction().doAction(0)
            except Exception:
                pass
    return False


if __name__ == "__main__":
    import sys
    if len(sys.argv) == 3 and sys.argv[1] == "status":
        print(status_of_process(int(sys.argv[2])))
    elif len(sys.argv) == 3 and sys.argv[1] == "press":
        sys.exit(0 if press_button(sys.argv[2]) else 1)

    elif len(sys.argv) == 3 and sys.argv[1] == "tree-root-point":
        point = tree_root_point_of_process(int(sys.argv[2]))
        if point is None:
            sys.exit(1)
        print(*point)
