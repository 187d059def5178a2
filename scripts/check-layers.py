#!/usr/bin/env python3
"""Fails when the folders of the program include each other in a cycle, or when a core folder
(everything outside the qt/ and gui/ folders) includes Qt.

The folders form layers: each may include the folders below it only (CMakeLists.txt links them
in that order). A cycle means two folders can no longer be built, tested or understood apart.
Usage: check-layers.py [SOURCE_DIR]
"""
import os
import re
import sys

INCLUDE = re.compile(r'\s*#\s*include\s+([<"])([^>"]+)[>"]')
PRODUCT_DIRS = ("platform", "resources", "comm", "tables", "model", "calib", "device", "views",
                "monitor", "history", "app", "gui", "cli", "sim")


def folder_of(path):
    return os.path.dirname(path) or "."


def is_qt_folder(folder):
    return folder == "gui" or folder.endswith("/qt") or "/qt/" in folder


def scan(root):
    edges = {}  # folder -> {included folder: first "file -> header"}
    qt_in_core = []
    for top in PRODUCT_DIRS:
        for base, _, files in os.walk(os.path.join(root, top)):
            for name in sorted(files):
                if not name.endswith((".cpp", ".h")):
                    continue
                path = os.path.relpath(os.path.join(base, name), root)
                here = folder_of(path)
                with open(os.path.join(root, path), encoding="utf-8", errors="replace") as f:
                    for line in f:
                        m = INCLUDE.match(line)
                        if not m:
                            continue
                        quote, header = m.groups()
                        if quote == "<" and header.startswith("Q") and not is_qt_folder(here):
                            qt_in_core.append(f"{path} includes <{header}>")
                        if quote == '"' and "/" in header:
                            there = folder_of(header)
                            if there != here:
                                edges.setdefault(here, {}).setdefault(there, f"{path} -> {header}")
    return edges, qt_in_core


def cycles(edges):
    """Strongly connected components of more than one folder (Tarjan)."""
    index, low, stack, on_stack, found = {}, {}, [], set(), []

    def visit(v):
        index[v] = low[v] = len(index)
        stack.append(v)
        on_stack.add(v)
        for w in edges.get(v, {}):
            if w not in index:
                visit(w)
                low[v] = min(low[v], low[w])
            elif w in on_stack:
                low[v] = min(low[v], index[w])
        if low[v] == index[v]:
            component = []
            while True:
                w = stack.pop()
                on_stack.discard(w)
                component.append(w)
                if w == v:
                    break
            if len(component) > 1:
                found.append(sorted(component))

    for v in sorted(edges):
        if v not in index:
            visit(v)
    return found


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..")
    edges, qt_in_core = scan(root)
    failed = False
    for component in cycles(edges):
        failed = True
        print("include cycle between folders: " + ", ".join(component))
        for a in component:
            for b, example in sorted(edges.get(a, {}).items()):
                if b in component:
                    print(f"  {example}")
    for line in qt_in_core:
        failed = True
        print("Qt in the core: " + line)
    if not failed:
        print(f"layers: {len(edges)} folders, no include cycle, no Qt in the core")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
