#!/usr/bin/env python3
"""Checks src/ against the Layers table of docs/ARCHITECTURE.md (columns folder, may use, namespace).

Fails when
  - a folder of src/ has no row, or a row names no folder of src/;
  - a file includes from a folder that its folder's "may use" cell does not list (every include of a
    project header names its folder: "engine/RunBackup.h"), or a "may use" cell names a folder that is
    not above its row, which rules out cycles;
  - a file opens a `namespace hozonix...` that is not its folder's namespace or one below it. A block
    that only declares classes (`namespace hozonix::report { class Report; }`) may name the namespace of
    a folder it may use;
  - a file of the core includes a Qt header.
Prints what each folder includes from; exits 1 on any breach.

    scripts/check-layers.py [SRC [ARCHITECTURE.md]]
"""
import os
import re
import sys

# Folders whose code is plain C++ and POSIX.
NO_QT = {'base', 'settings', 'engine', 'shares', 'profiles', 'runner', 'printers'}

QUOTED = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)
ANGLED = re.compile(r'^\s*#\s*include\s+<(Q[A-Za-z]*)>', re.M)
# A named namespace of ours being opened; anonymous ones and other names are the file's own business.
NAMESPACE = re.compile(r'^\s*namespace\s+(hozonix(?:::\w+)*)\s*\{([^{}]*)\}?', re.M)
# What a block that only makes another layer's names known may hold.
DECLARATIONS = re.compile(r'(\s|//[^\n]*|(class|struct)\s+\w+\s*;)*')


def read_table(path, shown):
    """The Layers table: {folder: (may use, namespace)} in the order of the rows, and its problems."""
    problems = []
    lines = open(path, encoding='utf-8').read().split('\n')
    try:
        start = lines.index('## Layers')
    except ValueError:
        return {}, [f'{shown}: no "## Layers" section']
    header = None
    rows = {}
    for line in lines[start + 1:]:
        if line.startswith('## '):
            break
        if not line.startswith('|'):
            if header:
                break
            continue
        cells = [c.strip() for c in line.strip().strip('|').split('|')]
        if header is None:
            header = [c.lower() for c in cells]
            missing = {'folder', 'may use', 'namespace'} - set(header)
            if missing:
                return {}, [f'{shown}: the Layers table has no column {", ".join(sorted(missing))}']
            continue
        if set(line) <= set('|-: '):
            continue
        cell = dict(zip(header, cells))
        folder = cell.get('folder', '').strip('`')
        if not folder:
            problems.append(f'{shown}: a row of the Layers table names no folder: {line}')
            continue
        if folder in rows:
            problems.append(f'{shown}: two rows for {folder}')
        # "engine (its texts), base": the folders, without the notes in brackets.
        uses = re.sub(r'\([^)]*\)', '', cell.get('may use', ''))
        may_use = {u.strip().strip('`') for u in uses.split(',')} - {'', '-'}
        namespace = cell.get('namespace', '').strip('`')
        if not namespace.startswith('hozonix'):
            problems.append(f'{shown}: the row of {folder} names no namespace')
        rows[folder] = (may_use, namespace)
    if not rows:
        problems.append(f'{shown}: the Layers table has no rows')
    return rows, problems


def owners(namespace, rows):
    """The folders a namespace belongs to: those whose own namespace is its longest such prefix."""
    best, found = -1, set()
    for folder, (_, own) in rows.items():
        if namespace == own or namespace.startswith(own + '::'):
            if len(own) > best:
                best, found = len(own), set()
            if len(own) == best:
                found.add(folder)
    return found


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    src = os.path.normpath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, '..', 'src'))
    doc = sys.argv[2] if len(sys.argv) > 2 else os.path.join(src, '..', 'docs', 'ARCHITECTURE.md')
    doc = os.path.normpath(doc)
    shown_doc = os.path.relpath(doc, os.path.join(src, '..'))

    rows, problems = read_table(doc, shown_doc)
    folders = sorted(d for d in os.listdir(src) if os.path.isdir(os.path.join(src, d)))
    for folder in folders:
        if folder not in rows:
            problems.append(f'src/{folder} has no row in the Layers table of {shown_doc}')
    above = set()
    for folder, (may_use, _) in rows.items():
        if folder not in folders:
            problems.append(f'{shown_doc}: the Layers table has a row for {folder}, which is no folder of src/')
        for used in sorted(may_use - above):
            where = 'is below it' if used in rows else 'has no row'
            problems.append(f'{shown_doc}: {folder} may use {used}, which {where} in the Layers table')
        above.add(folder)

    uses = {f: set() for f in folders}
    for folder in folders:
        may_use, namespace = rows.get(folder, (None, None))
        for dirpath, _, files in os.walk(os.path.join(src, folder)):
            for name in sorted(files):
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
                        if may_use is not None and target not in may_use:
                            problems.append(f'{shown}: "{header}", but {folder} may not use {target}')
                if folder in NO_QT:
                    for header in ANGLED.findall(text):
                        problems.append(f'{shown}: <{header}> in a folder that links no Qt')
                if namespace is None:
                    continue
                for match in NAMESPACE.finditer(text):
                    opened, body = match.group(1), match.group(2)
                    belongs = owners(opened, rows)
                    if folder in belongs:
                        continue
                    declares = match.group(0).endswith('}') and DECLARATIONS.fullmatch(body)
                    if declares and belongs & may_use:
                        continue
                    line = text.count('\n', 0, match.start()) + 1
                    problems.append(f'{shown}:{line}: namespace {opened} in {folder}, whose namespace is '
                                    f'{namespace}')

    for folder in folders:
        spare = rows[folder][0] - uses[folder] if folder in rows else set()
        note = f'   (may also use {" ".join(sorted(spare))})' if spare else ''
        print(f'{folder:12} {" ".join(sorted(uses[folder])) or "-"}{note}')

    for p in problems:
        print('error:', p, file=sys.stderr)
    return 1 if problems else 0


if __name__ == '__main__':
    sys.exit(main())
