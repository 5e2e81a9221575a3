#!/usr/bin/python3
# Usage: about_layout.py PROGRAM, in a D-Bus session. Opens, reads and closes PROGRAM's About box and
# ends it through the accessibility tree; prints PASS, or FAIL for each control outside the box or over another.
import subprocess
import sys
import time
import gi
gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402


def wait_for(find):
    for _ in range(100):
        if found := find():
            return found
        time.sleep(0.2)
    sys.exit("FAIL nothing after 20 s")


def walk(node):
    yield node
    for child in (node.get_child_at_index(i) for i in range(node.get_child_count())):
        yield from walk(child) if child else ()


def find(root, role, name="ﾊﾞｰｼﾞｮﾝ情報"):
    return next((n for n in walk(root) if n.get_role() == role and (n.get_name() or "").startswith(name)), None)


# GTK's accessible menu items complain on stderr when acted on: the exit code is judged.
program = subprocess.Popen([sys.argv[1]], stderr=subprocess.DEVNULL)
app = wait_for(lambda: find(Atspi.get_desktop(0), Atspi.Role.APPLICATION, "io.github.pofurin.Pofurin"))
find(app, Atspi.Role.MENU_ITEM).do_action(0)
dialog = wait_for(lambda: find(app, Atspi.Role.DIALOG) or find(app, Atspi.Role.FRAME))
area = wait_for(lambda: find(dialog, Atspi.Role.DRAWING_AREA, ""))
a = area.get_extents(Atspi.CoordType.SCREEN)
print(f"INFO client area {a.width}x{a.height}")
bad, placed = [], []
for n in walk(area.get_parent()):  # the controls over the client area, not a title bar GTK draws
    if n.get_role() in (Atspi.Role.LABEL, Atspi.Role.PUSH_BUTTON, Atspi.Role.ICON):
        e = n.get_extents(Atspi.CoordType.SCREEN)
        x, y, r, b = e.x - a.x, e.y - a.y, e.x - a.x + e.width, e.y - a.y + e.height
        print(f"INFO {n.get_role_name()} '{n.get_name()}' at ({x},{y}) {e.width}x{e.height}")
        bad += [f"'{n.get_name()}' reaches outside the box"] * (min(x, y) < 0 or r > a.width or b > a.height)
        bad += [f"'{n.get_name()}' overlaps '{m}'" for m, o in placed if x < o[2] and o[0] < r and y < o[3] and o[1] < b]
        placed.append((n.get_name(), (x, y, r, b)))
find(dialog, Atspi.Role.PUSH_BUTTON, "OK").do_action(0)
wait_for(lambda: not (find(app, Atspi.Role.DIALOG) or find(app, Atspi.Role.FRAME)))
find(app, Atspi.Role.MENU_ITEM, "ｱﾌﾟﾘｹｰｼｮﾝの終了").do_action(0)
bad += [f"exit code {program.returncode}"] * (program.wait(20) != 0)
print("\n".join(f"FAIL {why}" for why in bad) or "PASS")
