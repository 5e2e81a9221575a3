#!/usr/bin/env python3
"""Checks of platform/'s structure that the compiler cannot make.

  check_platform.py floors PLATFORM_DIR
      Every #include "..." in platform/ goes to the same floor or one below,
      and no files include each other in a circle.
  check_platform.py entry-points PLATFORM_DIR
      platform/README.md lists every Win32 and host_ entry point the public
      headers declare, each with the one file that defines it.
"""
import os
import re
import sys

# Floors from the bottom: the public headers; the handle table, the
# rectangle arithmetic and the pure resource parsers; the kernel (modules, clock, and the backend interface that
# the kernel and USER call down into); GDI; USER; the backends; start-up.
FLOORS = [
    ("include/", 0),
    ("src/handles.", 1),
    ("src/rect.h", 1),
    ("src/res/", 1),
    ("src/module.", 2),
    ("src/clock.", 2),
    ("src/kernel.", 2),
    ("src/backend/backend.h", 2),
    ("src/gdi/", 3),
    ("src/user/", 4),
    ("src/backend/", 5),
    ("src/startup/", 6),
]
FLOOR_NAMES = ["public headers", "handles/res", "kernel", "gdi", "user", "backends", "start-up"]

INCLUDE = re.compile(r'^\s*#\s*include\s*[<"]([^">]+)[">]', re.M)


def floor_of(rel):
    best = None
    for prefix, floor in FLOORS:
        if rel.startswith(prefix) and (best is None or len(prefix) > len(best[0])):
            best = (prefix, floor)
    return None if best is None else best[1]


def sources(root):
    for d, _, files in os.walk(root):
        for f in sorted(files):
            if f.endswith((".h", ".cpp")):
                yield os.path.relpath(os.path.join(d, f), root)


def resolve(root, rel, name):
    for base in (os.path.dirname(rel), "src", "include"):
        cand = os.path.normpath(os.path.join(base, name))
        if os.path.isfile(os.path.join(root, cand)):
            return cand
    return None  # a system header


def check_floors(root):
    graph, problems = {}, []
    for rel in sources(root):
        floor = floor_of(rel)
        if floor is None:
            problems.append(f"{rel}: on no floor")
            continue
        with open(os.path.join(root, rel), encoding="utf-8") as f:
            text = f.read()
        graph[rel] = []
        for name in INCLUDE.findall(text):
            target = resolve(root, rel, name)
            if target is None:
                continue
            graph[rel].append(target)
            tf = floor_of(target)
            if tf is not None and tf > floor:
                problems.append(f"{rel} ({FLOOR_NAMES[floor]}) includes {target} ({FLOOR_NAMES[tf]}), a floor above")
    # Circles: a depth-first walk that meets a file still on its path.
    state = {}

    def visit(node, path):
        state[node] = 1
        for nxt in graph.get(node, []):
            if state.get(nxt) == 1:
                problems.append("circle: " + " -> ".join(path[path.index(nxt):] + [nxt]))
            elif nxt not in state:
                visit(nxt, path + [nxt])
        state[node] = 2

    for node in graph:
        if node not in state:
            visit(node, [node])
    edges = sum(len(v) for v in graph.values())
    return problems, f"{len(graph)} files, {edges} includes"


DECLARED = [
    re.compile(r"\bWINAPI\s+(\w+)\s*\("),
    re.compile(r"^[A-Za-z_][\w \*]*\b(host_\w+)\s*\(", re.M),
]


def defined_in(root):
    """name -> files of platform/src that define it (a top-level definition)."""
    found = {}
    definition = re.compile(r'^(?:extern "C" )?[A-Za-z_][\w \*]*?\b(\w+)\s*\([^;{}]*\)\s*\{', re.M)
    for rel in sources(root):
        if not rel.startswith("src/") or not rel.endswith(".cpp"):
            continue
        with open(os.path.join(root, rel), encoding="utf-8") as f:
            for name in definition.findall(f.read()):
                found.setdefault(name, set()).add(rel)
    return found


def check_entry_points(root):
    declared = set()
    for rel in sources(root):
        if rel.startswith("include/"):
            with open(os.path.join(root, rel), encoding="utf-8") as f:
                text = f.read()
            for pattern in DECLARED:
                declared.update(pattern.findall(text))
    declared.discard("WinMain")  # the program's, which start-up calls
    found = defined_in(root)
    problems = []
    actual = {}
    for name in sorted(declared):
        files = found.get(name, set())
        if len(files) != 1:
            problems.append(f"{name}: defined in {len(files)} files {sorted(files)}")
        else:
            actual[name] = "platform/" + next(iter(files))
    with open(os.path.join(root, "README.md"), encoding="utf-8") as f:
        listed = dict(re.findall(r"^\|\s*`(\w+)`\s*\|\s*`([^`]+)`\s*\|", f.read(), re.M))
    for name in sorted(set(actual) | set(listed)):
        if name not in listed:
            problems.append(f"README.md does not list {name} ({actual[name]})")
        elif name not in actual:
            problems.append(f"README.md lists {name}, which the headers do not declare")
        elif listed[name] != actual[name]:
            problems.append(f"README.md puts {name} in {listed[name]}; it is defined in {actual[name]}")
    return problems, f"{len(declared)} entry points"


def main(argv):
    checks = {"floors": check_floors, "entry-points": check_entry_points}
    if len(argv) != 3 or argv[1] not in checks or not os.path.isdir(argv[2]):
        print("usage: check_platform.py floors|entry-points PLATFORM_DIR", file=sys.stderr)
        return 2
    problems, summary = checks[argv[1]](argv[2])
    for p in problems:
        print(p)
    print(f"{argv[1]}: {summary}, {len(problems)} problem(s)")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
