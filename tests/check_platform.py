#!/usr/bin/env python3
"""Checks of platform/'s structure that the compiler cannot make.

  check_platform.py floors PLATFORM_DIR
      Every #include "..." in platform/ goes to the same floor or one below,
      and no files include each other in a circle.
  check_platform.py entry-points PLATFORM_DIR
      platform/README.md lists every Win32 and host_ entry point the public
      headers declare, each with the one file that defines it.
  check_platform.py functions REPO_DIR
      No function of the C++ in src/, platform/ and tools/, nor of the
      browser backend's page code, runs past 60 lines (Universal Ctags finds
      them).
"""
import json
import os
import re
import subprocess
import sys

# Floors from the bottom: the public headers; the handle table, the
# rectangle arithmetic and the pure resource parsers; the kernel (modules,
# clock, and the backend interface that the kernel and USER call down into);
# GDI; USER; the backends; start-up.
FLOORS = [
    ("include/", 0),
    ("src/handles.", 1),
    ("src/geometry.h", 1),
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


MAX_FUNCTION_LINES = 60
FUNCTION_TREES = ("src", "platform", "tools")
PAGE_CODE = ["platform/src/backend/web.js", "platform/src/backend/web_page.js", "platform/src/startup/web_worker.js"]


def js_end(lines, start):
    """The last line of the page code's function opening on line `start`,
    which ctags does not give: the next line back at its indent that begins
    with "}" (the page code is formatted so), or the same line for a
    function on one line."""
    head = lines[start - 1]
    if head.count("{") == head.count("}"):
        return start
    indent = len(head) - len(head.lstrip())
    return next((n for n in range(start + 1, len(lines) + 1) if lines[n - 1].startswith(" " * indent + "}")), len(lines))


def check_functions(root):
    files = PAGE_CODE[:]
    for tree in FUNCTION_TREES:
        for d, _, names in os.walk(os.path.join(root, tree)):
            files += [os.path.relpath(os.path.join(d, f), root) for f in sorted(names) if f.endswith((".cpp", ".h"))]
    try:
        out = subprocess.run(["ctags", "--fields=+ne", "--output-format=json", "--kinds-C++=f",
                              "--kinds-JavaScript=fm", "-f", "-"] + files,
                             cwd=root, capture_output=True, text=True, check=True).stdout
    except (OSError, subprocess.CalledProcessError) as e:
        return [f"Universal Ctags did not run: {e}"], "no functions read"
    problems, count, texts = [], 0, {}
    for row in out.splitlines():
        tag = json.loads(row)
        if tag.get("_type") != "tag" or tag.get("kind") not in ("function", "method"):
            continue
        count += 1
        path, name = tag["path"], tag["name"]
        end = tag.get("end")
        if end is None:
            if path not in texts:
                with open(os.path.join(root, path), encoding="utf-8") as f:
                    texts[path] = f.read().split("\n")
            end = js_end(texts[path], tag["line"])
            key = re.search(r"(\w+)\s*[:=]\s*function", texts[path][tag["line"] - 1])
            name = key.group(1) if key and name.startswith("AnonymousFunction") else name
        lines = end - tag["line"] + 1
        if lines > MAX_FUNCTION_LINES:
            problems.append(f"{path}:{tag['line']}: {name} has {lines} lines (at most {MAX_FUNCTION_LINES})")
    return problems, f"{count} functions in {len(files)} files"


def main(argv):
    checks = {"floors": check_floors, "entry-points": check_entry_points, "functions": check_functions}
    if len(argv) != 3 or argv[1] not in checks or not os.path.isdir(argv[2]):
        print("usage: check_platform.py floors|entry-points PLATFORM_DIR | functions REPO_DIR", file=sys.stderr)
        return 2
    problems, summary = checks[argv[1]](argv[2])
    for p in problems:
        print(p)
    print(f"{argv[1]}: {summary}, {len(problems)} problem(s)")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
