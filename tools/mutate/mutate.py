#!/usr/bin/env python3
"""Applies each change of mutations.tsv to src/ in turn, rebuilds the native
tree incrementally and runs its tests; a change the tests do not notice
survives. The sources are restored after every change, also on Ctrl-C.

  python3 tools/mutate/mutate.py [--build build/native] [--match TEXT] [--list]
"""
import argparse, pathlib, shutil, signal, subprocess, sys, time

root = pathlib.Path(__file__).resolve().parents[2]
# Run last, only when everything else passed: the fault sweep takes most of the time.
SLOW = 'FaultSweep'


def load(path):
    rows = []
    for number, line in enumerate(path.read_text().splitlines(), 1):
        if not line.strip() or line.startswith('#'):
            continue
        cols = line.split('\t')
        if len(cols) != 4:
            sys.exit(f'{path.name}:{number}: expected 4 tab-separated columns')
        file, pattern, replacement, breaks = cols
        unescape = lambda s: s.replace('\\n', '\n').replace('\\t', '\t')
        rows.append((number, file, unescape(pattern), unescape(replacement), breaks))
    return rows


def run(command, log):
    with open(log, 'w') as out:
        return subprocess.run(command, cwd=root, stdout=out, stderr=subprocess.STDOUT).returncode


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--build', default='build/native')
    parser.add_argument('--match', default='', help='only changes whose line mentions TEXT')
    parser.add_argument('--list', action='store_true', help='check the patterns, change nothing')
    args = parser.parse_args()
    # A kill still runs the restore below.
    signal.signal(signal.SIGTERM, lambda *_: (_ for _ in ()).throw(KeyboardInterrupt()))
    build = root / args.build
    scratch = build / 'mutate'
    scratch.mkdir(parents=True, exist_ok=True)
    backup, pending = scratch / 'original', scratch / 'original.path'
    if pending.exists():  # a run that was killed outright
        shutil.copyfile(backup, root / pending.read_text())
        pending.unlink()

    rows = [r for r in load(root / 'tools/mutate/mutations.tsv')
            if args.match in '\t'.join(map(str, r))]
    for number, file, pattern, _, _ in rows:
        count = (root / 'src' / file).read_text().count(pattern)
        if count != 1:
            sys.exit(f'mutations.tsv:{number}: the pattern occurs {count} times in src/{file}')
    if args.list:
        print(f'{len(rows)} changes, each pattern found once')
        return 0
    if run(['cmake', '--build', str(build)], scratch / 'build.log'):
        sys.exit(f'the unchanged tree does not build; see {scratch / "build.log"}')
    # Against a suite that already fails, every change would count as caught.
    if run(['ctest', '--test-dir', str(build), '-j2'], scratch / 'baseline.log'):
        sys.exit(f'the unchanged tree fails its tests; see {scratch / "baseline.log"}')

    survivors, unbuilt = [], []
    for number, file, pattern, replacement, breaks in rows:
        target = root / 'src' / file
        original = target.read_text()
        shutil.copyfile(target, backup)
        pending.write_text(str(target.relative_to(root)))
        started = time.time()
        try:
            target.write_text(original.replace(pattern, replacement, 1))
            if run(['cmake', '--build', str(build)], scratch / 'build.log'):
                verdict = 'did not build'
                unbuilt.append(number)
            elif any(run(['ctest', '--test-dir', str(build), '-j2', '--stop-on-failure', *only],
                         scratch / f'ctest-{number}.log') for only in (['-E', SLOW], ['-R', SLOW])):
                verdict = 'caught'
            else:
                verdict = 'SURVIVED'
                survivors.append((number, file, breaks))
        finally:
            target.write_text(original)
            pending.unlink()
        print(f'{verdict:>13}  line {number:3}  {file}: {breaks} ({time.time() - started:.0f} s)',
              flush=True)

    run(['cmake', '--build', str(build)], scratch / 'build.log')
    print(f'{len(rows)} changes: {len(rows) - len(survivors) - len(unbuilt)} caught, '
          f'{len(survivors)} survived, {len(unbuilt)} did not build')
    for number, file, breaks in survivors:
        print(f'  survived: line {number} {file}: {breaks}')
    return 1 if survivors or unbuilt else 0


if __name__ == '__main__':
    sys.exit(main())
