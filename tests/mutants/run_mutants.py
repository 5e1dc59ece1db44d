#!/usr/bin/env python3
"""Plants each fault of mutants.txt in turn, rebuilds, runs the tests that
can see it and prints one line per fault, then "N caught, N missed". A fault
in code the native preset compiles runs the native unit tests and scripts,
then, unless caught, the Win32 tests and end-to-end runs under Wine (the
10,000-swap test left out); any other fault runs only the latter.

    tests/mutants/run_mutants.py [--only PATH-PREFIX] [--native-only] [--list]

--native-only skips the Windows preset and the faults only it can see."""
import argparse, json, os, subprocess, sys

root = os.path.abspath(os.path.join(os.path.dirname(__file__), '..', '..'))
native = os.path.join(root, 'build/native')
windows = os.path.join(root, 'build/windows')


def mutants():
    for line in open(os.path.join(os.path.dirname(__file__), 'mutants.txt'), encoding='utf-8'):
        if line.strip() and not line.startswith('#'):
            path, original, replacement = [part.strip() for part in line.split(' :: ')]
            yield path, original, replacement


def run(command, cwd, env=None):
    return subprocess.run(command, cwd=cwd, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode == 0


def win32_tests():
    env = dict(os.environ, WINEPREFIX=os.path.join(windows, 'wineprefix'), OANOCACHE='1',
               ALSA_CONFIG_PATH=os.path.join(root, 'tests/win32/data/alsa-null.conf'))
    wine = os.path.join(root, 'cmake/wine-run.sh')
    for exe in ['vyrla_win32_tests', 'vyrla_picture_tests', 'vyrla_media_tests']:
        if not run([wine, f'tests/win32/{exe}.exe', '--gtest_filter=-*TenThousand*'], windows, env):
            return False
    return run(['ctest', '-R', 'e2e_|vyrla_built_quiz_tests'], windows)


# Code the quiz page runs (compiled again into its template for a fault there).
page_code = ('web/', 'quiz/page_bundle', 'media/browser_media')


def native_scripts(path):
    """The native suite's tests outside the unit test binary: the packer's
    commands as an author runs them, the PngSuite against libpng, and for the
    page's code the page in a browser."""
    page = path.startswith(page_code)
    targets = ['vyrla-pack', 'png-compare'] + (['vyrla_web_page'] if page else [])
    tests = 'pack_commands|png_compare_pngsuite' + ('|web_page' if page else '')
    built = run(['cmake', '--build', native, '-j1', '--target'] + targets, root)
    return built and run(['ctest', '-R', tests], native)


def pure(path):
    """Pure code: what the native preset compiles (a header: one without
    <windows.h>), so that the native unit tests can see a fault in it."""
    if path.endswith('.h'):
        return '<windows.h>' not in open(os.path.join(root, path), encoding='utf-8').read()
    commands = json.load(open(os.path.join(native, 'compile_commands.json'), encoding='utf-8'))
    return any(os.path.realpath(c['file']) == os.path.realpath(os.path.join(root, path)) for c in commands)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--only')
    parser.add_argument('--native-only', action='store_true',
                        help='run the native unit tests only; skip the Windows build and the Win32 tests')
    parser.add_argument('--list', action='store_true')
    args = parser.parse_args()
    caught = missed = 0
    for path, original, replacement in mutants():
        if args.only and not path.startswith(args.only):
            continue
        file = os.path.join(root, path)
        text = open(file, encoding='utf-8').read()
        if text.count(original) != 1:
            print(f'SKIPPED (not found once): {path}: {original}')
            continue
        if args.native_only and not pure(path):
            print(f'SKIPPED (Win32 tests only): {path}: {original}')
            continue
        if args.list:
            print(f'{path}: {original} -> {replacement}')
            continue
        open(file, 'w', encoding='utf-8').write(text.replace(original, replacement))
        try:
            if pure(path):
                built = run(['cmake', '--build', native, '-j1', '--target', 'vyrla_native_tests'], root)
                passed = built and run(['./tests/native/vyrla_native_tests'], native) and native_scripts(path)
                if passed and not path.startswith('pack/') and not args.native_only:
                    built = run(['cmake', '--build', windows, '-j2'], root)
                    passed = built and win32_tests()
            else:
                built = run(['cmake', '--build', windows, '-j2'], root)
                passed = built and win32_tests()
        finally:
            open(file, 'w', encoding='utf-8').write(text)
        if not built:
            print(f'DID NOT BUILD: {path}: {original}')
            continue
        caught += not passed
        missed += passed
        print(f'{"caught" if not passed else "MISSED"}: {path}: {original} -> {replacement}', flush=True)
    if args.list:
        return 0
    # Leave the builds as the sources are.
    run(['cmake', '--build', native, '-j1', '--target', 'vyrla_native_tests', 'vyrla-pack', 'png-compare',
         'vyrla_web_page'], root)
    if not args.native_only:
        run(['cmake', '--build', windows, '-j2'], root)
    print(f'{caught} caught, {missed} missed')
    return 0


if __name__ == '__main__':
    sys.exit(main())
