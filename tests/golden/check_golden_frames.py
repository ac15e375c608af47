#!/usr/bin/env python3
"""Renders the golden frames with several worker counts and compares every hash with the manifest.

The show at one frame a second on the capture tool's clock and a frame of each benchmark case are
hashed by the programs themselves (tessellune-capture --hashes, tessellune-bench --hashes); any
frame whose hash differs from the committed manifest, for any worker count, fails the run. When a
change to the pictures is meant, scripts/golden-frames makes the new manifest and a contact sheet
of what changed.
"""
import argparse
import subprocess
import sys


def read_manifest(path):
    entries = {}
    with open(path) as f:
        for line in f:
            line = line.strip()
            if not line or line.startswith('#'):
                continue
            kind, name, digest = line.split()
            entries[(kind, name)] = digest
    return entries


def hashes_of(command):
    """The (kind, name) -> hash lines a program prints; its other lines are start-up messages."""
    run = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, timeout=1200)
    if run.returncode != 0:
        sys.stderr.write(run.stdout[-2000:] + run.stderr[-4000:])
        raise SystemExit(f"{' '.join(command)} failed with status {run.returncode}")
    found = {}
    for line in run.stdout.splitlines():
        parts = line.split()
        if len(parts) == 3 and parts[0] in ('show', 'bench'):
            found[(parts[0], parts[1])] = parts[2]
    return found


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument('--capture', required=True)
    parser.add_argument('--bench', required=True)
    parser.add_argument('--manifest', required=True)
    parser.add_argument('--workers', default='1,2,3')
    args = parser.parse_args()

    expected = read_manifest(args.manifest)
    show = sum(1 for kind, _ in expected if kind == 'show')
    bench = sum(1 for kind, _ in expected if kind == 'bench')
    print(f"manifest: {show} show frames, {bench} benchmark frames")
    if show == 0 or bench == 0:
        raise SystemExit("the manifest holds no show or no benchmark frames")

    failed = False
    for workers in args.workers.split(','):
        found = hashes_of([args.capture, '--fps', '1', '--hashes', '--workers', workers])
        found.update(hashes_of([args.bench, '--hashes', '--workers', workers]))
        missing = sorted(k for k in expected if k not in found)
        extra = sorted(k for k in found if k not in expected)
        changed = sorted(k for k in expected if k in found and found[k] != expected[k])
        same = len(expected) - len(missing) - len(changed)
        print(f"{workers} worker(s): {same} of {len(expected)} frames match", flush=True)
        for kind, name in changed:
            print(f"  changed: {kind} {name}: {found[(kind, name)]}, manifest {expected[(kind, name)]}")
        for kind, name in missing:
            print(f"  not rendered: {kind} {name}")
        for kind, name in extra:
            print(f"  not in the manifest: {kind} {name}")
        failed = failed or bool(missing or extra or changed)
    if failed:
        print("golden frames differ: if the change is meant, run scripts/golden-frames and look at its contact sheet")
        return 1
    return 0


if __name__ == '__main__':
    sys.exit(main())
