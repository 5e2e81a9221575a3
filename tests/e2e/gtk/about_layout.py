#!/usr/bin/python3
"""Starts the desktop program, opens its About box through the accessibility
tree, prints where the box's client area and each control lie, closes it with
OK and ends the program from its menu. Exit code 1 if a control reaches
outside the client area or two controls overlap.

Usage: about_layout.py PROGRAM (inside a D-Bus session, on any GDK backend)."""
import subprocess
import sys
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402

APP_ID = "io.github.pofurin.Pofurin"
ROLES = {Atspi.Role.LABEL, Atspi.Role.PUSH_BUTTON, Atspi.Role.ICON, Atspi.Role.IMAGE}


def wait_for(find, seconds=20):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        found = find()
        if found:
            return found
        time.sleep(0.2)
    sys.exit(f"FAIL timed out after {seconds} s")


def walk(node):
    yield node
    for i in range(node.get_child_count()):
        child = node.get_child_at_index(i)
        if child is not None:
            yield from walk(child)


def named(root, role, prefix):
    return next((n for n in walk(root) if n.get_role() == role and (n.get_name() or "").startswith(prefix)), None)


def box(node):
    e = node.get_extents(Atspi.CoordType.SCREEN)
    return (e.x, e.y, e.width, e.height)


def main():
    # GTK's accessible menu items complain on stderr when acted on: only
    # the exit code is judged.
    program = subprocess.Popen([sys.argv[1]], stderr=subprocess.DEVNULL)
    try:
        desktop = Atspi.get_desktop(0)
        app = wait_for(lambda: next((a for a in walk_apps(desktop) if a.get_name() == APP_ID), None))
        named(app, Atspi.Role.MENU_ITEM, "ﾊﾞｰｼﾞｮﾝ情報").do_action(0)
        dialog = wait_for(lambda: named(app, Atspi.Role.DIALOG, "ﾊﾞｰｼﾞｮﾝ情報") or
                          named(app, Atspi.Role.FRAME, "ﾊﾞｰｼﾞｮﾝ情報"))
        area = wait_for(lambda: named(dialog, Atspi.Role.DRAWING_AREA, ""))
        # The controls lie over the client area; a title bar GTK draws itself
        # (Wayland) has controls of its own elsewhere in the dialog.
        controls = wait_for(lambda: [n for n in walk(area.get_parent()) if n.get_role() in ROLES] or None)
        ax, ay, aw, ah = box(area)
        print(f"INFO client area {aw}x{ah}")
        bad = []
        placed = []
        for n in controls:
            x, y, w, h = box(n)
            x, y = x - ax, y - ay
            print(f"INFO {n.get_role_name()} '{n.get_name()}' at ({x},{y}) {w}x{h}")
            if x < 0 or y < 0 or x + w > aw or y + h > ah:
                bad.append(f"'{n.get_name()}' reaches outside the box")
            for other, (ox, oy, ow, oh) in placed:
                if x < ox + ow and ox < x + w and y < oy + oh and oy < y + h:
                    bad.append(f"'{n.get_name()}' overlaps '{other}'")
            placed.append((n.get_name(), (x, y, w, h)))
        named(dialog, Atspi.Role.PUSH_BUTTON, "OK").do_action(0)
        wait_for(lambda: named(app, Atspi.Role.DRAWING_AREA, "") and not dialog_shown(app))
        named(app, Atspi.Role.MENU_ITEM, "ｱﾌﾟﾘｹｰｼｮﾝの終了").do_action(0)
        status = program.wait(20)
        if status != 0:
            bad.append(f"exit code {status}")
        for why in bad:
            print(f"FAIL {why}")
        return 1 if bad else 0
    finally:
        if program.poll() is None:
            program.kill()
            program.wait()


def walk_apps(desktop):
    return [desktop.get_child_at_index(i) for i in range(desktop.get_child_count())]


def dialog_shown(app):
    dialog = named(app, Atspi.Role.DIALOG, "ﾊﾞｰｼﾞｮﾝ情報") or named(app, Atspi.Role.FRAME, "ﾊﾞｰｼﾞｮﾝ情報")
    return dialog is not None and dialog.get_state_set().contains(Atspi.StateType.SHOWING)


if __name__ == "__main__":
    sys.exit(main())
