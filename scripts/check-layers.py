#!/usr/bin/env python3
"""Checks the layering of src/: which folders each folder's files include from.

Every include of a project header names its folder ("engine/RunBackup.h"). The folders must form no
cycle, and the core folders must include no Qt header. Prints the table; exits 1 on any breach.

    scripts/check-layers.py [SRC]
"""
import os
import re
import sys

# Folders whose code is plain C++ and POSIX.
NO_QT = {'base', 'settings', 'engine', 'shares', 'runner', 'printers'}

QUOTED = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)
ANGLED = re.compile(r'^\s*#\s*include\s+<(Q[A-Za-z]*)>', re.M)


def main():
    src = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), '..', 'src')
    src = os.path.normpath(src)
    folders = sorted(d for d in os.listdir(src) if os.path.isdir(os.path.join(src, d)))
    uses = {f: set() for f in folders}
    problems = []
    for folder in folders:
        for dirpath, _, files in os.walk(os.path.join(src, folder)):
            for name in files:
                if not name.endswith(('.h', '.cpp', '.in')):
                    continue
                path = os.path.join(dirpath, name)
                shown = os.path.relpath(path, src)
                text = open(path, encoding='utf-8').read()
                for header in QUOTED.findall(text):
                    target = header.split('/')[0]
                    if '/' not in header or not os.path.exists(os.path.join(src, header)):
                        problems.append(f'{shown}: "{header}" is not a header of src/ named with its folder')
                    elif target != folder:
                        uses[folder].add(target)
                if folder in NO_QT:
                    for header in ANGLED.findall(text):
                        problems.append(f'{shown}: <{header}> in a folder that links no Qt')

    for folder in folders:
        print(f'{folder:12} {" ".join(sorted(uses[folder])) or "-"}')

    # A cycle shows as a folder reachable from itself.
    for start in folders:
        seen, todo = set(), list(uses[start])
        while todo:
            f = todo.pop()
            if f == start:
                problems.append(f'{start} includes from a folder that includes from it')
                break
            if f not in seen:
                seen.add(f)
                todo.extend(uses.get(f, ()))

    for p in problems:
        print('error:', p, file=sys.stderr)
    return 1 if problems else 0


if __name__ == '__main__':
    sys.exit(main())
