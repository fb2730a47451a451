#!/usr/bin/env python3
"""Creates the benchmark trees under ROOT (each only when missing):
  small/  50,000 files of 0-16 KiB in 1,024 folders
  mixed/  about 1 GB: many small files, some of 1-64 MiB
  large/  two files of 1.5 GiB
  million/ (with --million) 1,000,000 files of 0-2 KiB in 5,000 folders, for the figures of a large tree
Contents are pseudo-random and the same on every machine (fixed seed)."""
import os
import random
import sys

BLOCK = random.Random(7).randbytes(1 << 20)


def write(path, size):
    with open(path, "wb") as f:
        while size > 0:
            n = min(size, len(BLOCK))
            f.write(BLOCK[:n])
            size -= n


def tree(root, name, make):
    target = os.path.join(root, name)
    if os.path.isdir(target):
        return
    partial = target + ".partial"
    os.makedirs(partial, exist_ok=True)
    make(partial)
    os.rename(partial, target)
    print(f"made {target}", file=sys.stderr)


def small(path, files=50_000, top=31, per_top=33):
    rng = random.Random(1)
    folders = [path]
    for t in range(top):
        parent = os.path.join(path, f"t{t:02d}")
        os.mkdir(parent)
        folders.append(parent)
        for s in range(per_top - 1):
            child = os.path.join(parent, f"s{s:02d}")
            os.mkdir(child)
            folders.append(child)
    for i in range(files):
        write(os.path.join(folders[i % len(folders)], f"f{i:05d}.dat"), rng.randint(0, 16384))


def mixed(path):
    rng = random.Random(2)
    total = 0
    i = 0
    while total < 1_000_000_000:
        folder = os.path.join(path, f"d{i // 200:03d}")
        os.makedirs(folder, exist_ok=True)
        size = rng.randint(1 << 20, 64 << 20) if i % 50 == 0 else rng.randint(0, 256 << 10)
        write(os.path.join(folder, f"m{i:05d}.bin"), size)
        total += size
        i += 1


def large(path):
    for n in range(2):
        write(os.path.join(path, f"big{n}.img"), 1536 << 20)


def million(path):
    rng = random.Random(3)
    for d in range(5000):
        folder = os.path.join(path, f"d{d // 100:02d}", f"d{d:04d}")
        os.makedirs(folder)
        for f in range(200):
            write(os.path.join(folder, f"file-with-a-typical-name-{f:04d}.txt"), rng.randint(0, 2048))


def main():
    if len(sys.argv) < 2:
        sys.exit("usage: make-trees.py ROOT [--million]")
    root = sys.argv[1]
    os.makedirs(root, exist_ok=True)
    tree(root, "small", small)
    tree(root, "mixed", mixed)
    tree(root, "large", large)
    if "--million" in sys.argv[2:]:
        tree(root, "million", million)


main()
