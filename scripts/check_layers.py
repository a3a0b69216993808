#!/usr/bin/env python3
"""Checks that the layers point one way.

Prints the graph of includes between the source folders and fails (exit status 1) when
  - a folder includes one above it or beside it (the order is below),
  - a folder other than platform/ and sim/ includes a Qt header,
  - files include each other in a cycle, or modules do (a module is a header with its .cpp
    file; a header without one, such as a module's private record layout, counts only as a
    file).

Layers, bottom to top: platform/ and ini/; params/ (records, working copy, parameter file) and
record/ (the live-data recording format); link/; ui/ and cli/. sim/ stands beside them and may use only the wire format and the record
layouts (link/ and params/ headers without the program's globals are its business to pick).
tests/, bench/ and fuzz/ may include anything and are not checked.

Usage: scripts/check_layers.py [source root]   (default: the folder above this script)
"""
import os
import re
import sys
from collections import defaultdict

LEVEL = {"platform": 0, "ini": 0, "params": 1, "record": 1, "link": 2, "ui": 3, "cli": 3}
# Folders outside the layering, and what each may include besides itself.
SIDE = {"sim": {"link", "params"}}
FREE = {"tests", "bench", "fuzz"}
QT_ALLOWED = {"platform", "sim"}

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^">]+)[">]', re.M)
QT_HEADER = re.compile(r"^(Q[A-Za-z0-9]+|Qt[A-Za-z]*/.*|qcustomplot\.h)$")


def sources(root):
    for folder in sorted(set(LEVEL) | set(SIDE)):
        base = os.path.join(root, folder)
        if not os.path.isdir(base):
            continue
        for dirpath, _, names in os.walk(base):
            for name in sorted(names):
                if name.endswith((".h", ".cpp")):
                    path = os.path.join(dirpath, name)
                    yield folder, os.path.relpath(path, root)


def allowed(src, dst):
    if src == dst:
        return True
    if src in SIDE:
        return dst in SIDE[src]
    if dst not in LEVEL:
        return False
    return LEVEL[dst] < LEVEL[src]


def module_of(path):
    return os.path.splitext(path)[0]


def find_cycles(graph):
    """Strongly connected components with more than one module (Tarjan, iterative)."""
    index, low, on_stack, stack, result = {}, {}, set(), [], []
    counter = [0]
    for start in sorted(graph):
        if start in index:
            continue
        work = [(start, iter(sorted(graph[start])))]
        index[start] = low[start] = counter[0]
        counter[0] += 1
        stack.append(start)
        on_stack.add(start)
        while work:
            node, children = work[-1]
            advanced = False
            for child in children:
                if child not in graph:
                    continue
                if child not in index:
                    index[child] = low[child] = counter[0]
                    counter[0] += 1
                    stack.append(child)
                    on_stack.add(child)
                    work.append((child, iter(sorted(graph[child]))))
                    advanced = True
                    break
                if child in on_stack:
                    low[node] = min(low[node], index[child])
            if advanced:
                continue
            work.pop()
            if work:
                parent = work[-1][0]
                low[parent] = min(low[parent], low[node])
            if low[node] == index[node]:
                component = []
                while True:
                    member = stack.pop()
                    on_stack.discard(member)
                    component.append(member)
                    if member == node:
                        break
                if len(component) > 1:
                    result.append(sorted(component))
    return result


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    folder_edges = defaultdict(int)
    files = defaultdict(set)
    modules = defaultdict(set)
    with_cpp = {module_of(p) for _, p in sources(root) if p.endswith(".cpp")}
    problems = []
    for folder, path in sources(root):
        with open(os.path.join(root, path), encoding="utf-8", errors="replace") as f:
            text = f.read()
        files.setdefault(path, set())
        if module_of(path) in with_cpp:
            modules.setdefault(module_of(path), set())
        for kind, target in INCLUDE.findall(text):
            if kind == "<":
                if QT_HEADER.match(target) and folder not in QT_ALLOWED:
                    problems.append(f"{path}: includes the Qt header <{target}>")
                continue
            dst = target.split("/", 1)[0]
            if "/" not in target or dst in FREE:
                if dst in FREE:
                    problems.append(f"{path}: includes {target}")
                continue
            if dst != folder:
                folder_edges[(folder, dst)] += 1
                if not allowed(folder, dst):
                    problems.append(f"{path}: includes {target} ({folder}/ may not include {dst}/)")
            files[path].add(target)
            if module_of(target) != module_of(path) and module_of(path) in with_cpp:
                modules[module_of(path)].add(module_of(target))

    print("Folder include graph (includer -> included: number of includes):")
    for (src, dst), count in sorted(folder_edges.items()):
        mark = "" if allowed(src, dst) else "   <-- not allowed"
        print(f"  {src:8} -> {dst:8} {count:4}{mark}")
    for cycle in find_cycles(files):
        problems.append("include cycle between files: " + ", ".join(cycle))
    for cycle in find_cycles(modules):
        problems.append("include cycle between modules: " + ", ".join(cycle))

    if problems:
        print("\nLayer check failed:")
        for p in problems:
            print("  " + p)
        return 1
    print("\nLayers point one way; no include cycle.")
    return 0


if __name__ == "__main__":
    sys.exit(main())
