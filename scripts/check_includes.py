#!/usr/bin/python3
"""Checks the include structure of the program's folders.

1. Inside each folder, no circle of includes: a header and its .cpp count as
   one unit (X.h and X.cpp are unit X), and unit A depends on unit B when a
   file of A includes "B.h" of the same folder.  Two folders are left out:
   xls/ keeps its headers as they are, and in app/ main.cpp is the program's
   entry, not the body of main.h (the main window), so the pairing by name
   does not hold there.
2. Between folders, no header of a folder that depends on the including one:
   the folders' dependencies are the libraries each folder's CMakeLists.txt
   links (tikomat_<name>[_part] belongs to folder <name>), taken transitively.

Prints every fault found and exits 1, or prints nothing and exits 0.
Usage: check_includes.py [source root]
"""
import pathlib
import re
import sys

FOLDERS = ["codepage", "xls", "core", "race", "journal", "racers", "link", "icons", "publish",
           "results", "web", "desk", "app", "tools", "cli"]
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.MULTILINE)
LINKED = re.compile(r"\btikomat_([a-z]+)")
NO_CIRCLE_CHECK = {"xls", "app"}
# Library targets whose name is not their folder's.
TARGET_FOLDER = {"emulator": "tools"}


def includes(path):
    return [pathlib.PurePosixPath(name).name for name in INCLUDE.findall(path.read_text(encoding="utf-8"))]


def sources(folder):
    return sorted(p for p in folder.iterdir() if p.suffix in (".h", ".cpp"))


def find_cycle(graph):
    """One circle of the directed graph as a list of nodes, or None."""
    state = {}
    stack = []

    def visit(node):
        state[node] = "open"
        stack.append(node)
        for nxt in sorted(graph.get(node, ())):
            if state.get(nxt) == "open":
                return stack[stack.index(nxt):] + [nxt]
            if nxt not in state:
                found = visit(nxt)
                if found:
                    return found
        stack.pop()
        state[node] = "done"
        return None

    for node in sorted(graph):
        if node not in state:
            found = visit(node)
            if found:
                return found
    return None


def folder_dependencies(root):
    direct = {}
    for name in FOLDERS:
        text = (root / name / "CMakeLists.txt").read_text(encoding="utf-8")
        linked = {TARGET_FOLDER.get(t, t) for t in LINKED.findall(text)}
        direct[name] = {f for f in linked if f in FOLDERS and f != name}
    closure = {}
    for name in FOLDERS:
        seen, todo = set(), list(direct[name])
        while todo:
            f = todo.pop()
            if f not in seen:
                seen.add(f)
                todo.extend(direct[f])
        closure[name] = seen
    return closure


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).resolve().parent.parent)
    faults = []

    header_folder = {}
    for name in FOLDERS:
        for path in sources(root / name):
            if path.suffix == ".h":
                header_folder.setdefault(path.name, set()).add(name)

    for name in FOLDERS:
        if name in NO_CIRCLE_CHECK:
            continue
        folder = root / name
        own = {p.name for p in sources(folder) if p.suffix == ".h"}
        graph = {}
        for path in sources(folder):
            unit = path.stem
            graph.setdefault(unit, set())
            for inc in includes(path):
                if inc in own and pathlib.PurePosixPath(inc).stem != unit:
                    graph[unit].add(pathlib.PurePosixPath(inc).stem)
        cycle = find_cycle(graph)
        if cycle:
            faults.append(f"{name}/: circle of includes: {' -> '.join(cycle)}")

    closure = folder_dependencies(root)
    for name in FOLDERS:
        for path in sources(root / name):
            for inc in includes(path):
                for other in sorted(header_folder.get(inc, ())):
                    if other != name and name in closure[other]:
                        faults.append(f"{name}/{path.name} includes {other}/{inc}, "
                                      f"but {other}/ depends on {name}/")

    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
