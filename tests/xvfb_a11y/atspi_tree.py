#!/usr/bin/python3
"""Reads qinghe-tv over the accessibility bus (AT-SPI), as a screen reader does.

    atspi_tree.py dump         one line per object under the program: depth,
                               role, name, action names and "focused" when it
                               has the focus, tab-separated
    atspi_tree.py press NAME [ROLE]
                               runs the first action of the first object named
                               NAME (and of that role)
    atspi_tree.py type NAME TEXT
                               puts TEXT into the first editable object named NAME

Exits 2 when the program is not on the bus (yet).
"""
import sys

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402

PROGRAM = "qinghe-tv"


def program():
    desktop = Atspi.get_desktop(0)
    for i in range(desktop.get_child_count()):
        app = desktop.get_child_at_index(i)
        if app is not None and app.get_name() == PROGRAM:
            return app
    return None


def actions(node):
    action = node.get_action_iface()
    if action is None:
        return []
    return [action.get_action_name(i) for i in range(action.get_n_actions())]


def walk(node, depth=0):
    yield depth, node
    for i in range(node.get_child_count()):
        child = node.get_child_at_index(i)
        if child is not None:
            yield from walk(child, depth + 1)


def main():
    app = program()
    if app is None:
        return 2
    if sys.argv[1] == "dump":
        for depth, node in walk(app):
            focused = node.get_state_set().contains(Atspi.StateType.FOCUSED)
            fields = [str(depth), node.get_role_name(), node.get_name() or "", ",".join(actions(node)),
                      "focused" if focused else ""]
            print("\t".join(field.replace("\t", " ").replace("\n", " ") for field in fields))
        return 0
    if sys.argv[1] == "press":
        role = sys.argv[3] if len(sys.argv) > 3 else None
        for _, node in walk(app):
            if node.get_name() == sys.argv[2] and actions(node) and role in (None, node.get_role_name()):
                return 0 if node.get_action_iface().do_action(0) else 1
        return 1
    if sys.argv[1] == "type":
        for _, node in walk(app):
            editable = node.get_editable_text_iface() if node.get_name() == sys.argv[2] else None
            if editable is not None:
                return 0 if editable.set_text_contents(sys.argv[3]) else 1
        return 1
    return 64


if __name__ == "__main__":
    sys.exit(main())
