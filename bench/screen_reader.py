#!/usr/bin/python3
"""Listens on the accessibility bus as a screen reader does, for the benchmarks.

    screen_reader.py READY_FILE

Registers for the events a screen reader follows in a tree (children added
and removed, names, states, focus, selection), writes READY_FILE once the
registry knows, and counts what arrives until SIGTERM; then prints the count
on standard error. As a reader keeps its view of a list current, it reads
the name and role of each event's source, and when a tree's children change
it reads the tree's rows again, each a round trip to the program.
"""
import signal
import sys

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, GLib  # noqa: E402

EVENTS = (
    "object:children-changed",
    "object:property-change",
    "object:state-changed",
    "object:text-changed",
    "object:active-descendant-changed",
    "object:selection-changed",
    "object:visible-data-changed",
    "focus:",
)


def main():
    received = {}

    def read_rows(tree):
        for i in range(tree.get_child_count()):
            row = tree.get_child_at_index(i)
            if row is not None:
                row.get_name()

    def on_event(event):
        received[event.type] = received.get(event.type, 0) + 1
        source = event.source
        try:
            if event.type.startswith("object:state-changed:defunct") or source is None:
                return
            role = source.get_role()
            source.get_name()
            if event.type.startswith("object:children-changed") and role in (Atspi.Role.TREE, Atspi.Role.TREE_TABLE):
                read_rows(source)
        except GLib.Error:
            pass  # the object went before it was read

    listener = Atspi.EventListener.new(on_event)
    for kind in EVENTS:
        listener.register(kind)

    def stop(*_):
        total = sum(received.values())
        detail = ", ".join(f"{kind} {n}" for kind, n in sorted(received.items()))
        print(f"screen_reader.py: {total} events ({detail})", file=sys.stderr)
        Atspi.event_quit()

    GLib.unix_signal_add(GLib.PRIORITY_DEFAULT, signal.SIGTERM, stop)
    with open(sys.argv[1], "w") as ready:
        ready.write("listening\n")
    Atspi.event_main()
    return 0


if __name__ == "__main__":
    sys.exit(main())
