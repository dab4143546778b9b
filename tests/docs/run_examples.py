#!/usr/bin/env python3
"""The examples of README.md and of the manual pages, run as written.

Usage: run_examples.py SOURCE_DIR BIN_DIR

Every example block runs in a temporary copy of the checkout (the files
git lists in SOURCE_DIR, committed or not, ignored ones left out), after
the quick start, as a reader who followed it: the tools on the PATH and the
Python module on the Python path (its export line), and the scratch folder
it makes beside the checkout (the last "cd" of the quick start) as the
current folder of README.md's blocks; the manual pages' run from the
checkout's top folder, as they say. The copy's build/bin is BIN_DIR (and
build/python the Python module beside it): this test builds nothing.

README.md: fenced blocks, by their language:
  sh          commands; run with bash -e -o pipefail, each must succeed.
  console     a session: lines starting with "$ " are commands, the lines
              below one its output (stdout and stderr as a terminal shows
              them); each command is run and its output compared, line by
              line, after two rules: the copy's top folder reads
              /home/me/icnkit (where the README's reader cloned it; the
              scratch folder ../icnkit-try reads /home/me/icnkit-try), and
              ls lists in columns 80 characters wide, as on a terminal.
  sh-root     commands that need root (the install lines): not run.
  sh-build    builds beyond the quick start's (packages, the web build):
              not run (.ci/fresh-machine.sh runs them, with sh-root's).
  sh-windows  the Windows cross build (MinGW-w64, Wine): not run.
  bat, powershell       Windows consoles: not run.
  ini, js, json, text   not commands: not run.
A block of another language, or of none, fails the test: every block is
run or skipped by rule, and the skipped ones are listed.

The blocks of the section "Quick start" run first, in order, in the copy
every later block starts from; every other block runs in a fresh copy of
that, so each makes the files it needs itself. Then README.md's blocks run
once more, all in order in one copy, as a reader who runs them one after
another in one folder: each must still succeed or print what it shows,
and the checkout must be as it was (every file the same, none added). In
those copies cmake and ctest are stand-ins that accept the quick start's configure, build and
test lines (the build exists) and refuse anything else.

Manual pages (man/*.1): the blocks of the EXAMPLES section (.EX/.EE or
.nf/.fi), roff escapes read; a block whose first line starts with "$ " is a
console session, any other is sh.
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile

SKIPPED = {
    'sh-root': 'needs root: installs Debian packages',
    'sh-build': 'a build of its own (.ci/fresh-machine.sh runs it on a fresh Debian 12)',
    'sh-windows': 'the Windows cross build (MinGW-w64, Wine)',
    'bat': 'a Windows command prompt',
    'powershell': 'Windows PowerShell',
    'ini': 'a file, not commands',
    'js': 'JavaScript, not commands',
    'json': 'a file, not commands',
    'text': 'text, not commands',
    'cpp': 'C++ source (examples/consumer builds it: .ci/consumer.sh)',
    'cmake': 'CMake lines of a project of its own (examples/consumer)',
}
READER_HOME = '/home/me'  # the checkout reads /home/me/icnkit
TIMEOUT = 120  # seconds a block may take

# The stand-ins: the quick start's cmake and ctest lines against a build
# that exists; anything else is refused, naming itself.
SHIM = r'''#!/bin/sh
case "$(basename "$0") $*" in
  "cmake -S . -B build "*|"cmake --build build"|"cmake --build build "*|"ctest --test-dir build"*)
    [ -x build/bin/icnkit ] && exit 0
    echo "$(basename "$0"): no build/bin/icnkit" >&2; exit 1;;
esac
echo "$(basename "$0") $*: not run by the examples test (it builds nothing)" >&2
exit 1
'''


class Block:
    def __init__(self, source, line, language, text, section=''):
        self.source, self.line, self.language = source, line, language
        self.text, self.section = text, section

    def where(self):
        return f'{self.source}:{self.line}'


def markdown_blocks(path, name):
    blocks, section, fence = [], '', None
    for number, line in enumerate(open(path, encoding='utf-8').read().split('\n'), 1):
        if fence is None:
            if line.startswith('## '):
                section = line[3:].strip()
            match = re.match(r'^(\s*)```(.*)$', line)
            if match:
                fence = Block(name, number, match.group(2).strip(), [], section)
                indent = len(match.group(1))
        elif line.strip() == '```':
            fence.text = '\n'.join(fence.text) + '\n'
            blocks.append(fence)
            fence = None
        else:
            fence.text.append(line[indent:] if line[:indent].strip() == '' else line)
    if fence is not None:
        raise SystemExit(f'{fence.where()}: the block is never closed')
    return blocks


ROFF = [(r'\(aq', "'"), (r'\(dq', '"'), (r'\-', '-'), (r'\&', ''), (r'\|', ''), (r'\e', '\\')]


def roff_text(line):
    rest = line
    for escape, _ in ROFF:
        rest = rest.replace(escape, '')
    if '\\' in rest:
        raise SystemExit(f'an escape the examples test cannot read: {line}')
    for escape, text in ROFF:
        line = line.replace(escape, text)
    return line


def man_blocks(path, name):
    blocks, in_examples, block = [], False, None
    for number, line in enumerate(open(path, encoding='utf-8').read().split('\n'), 1):
        if line.startswith('.SH'):
            in_examples = line.split(None, 1)[1:] == ['EXAMPLES']
            continue
        if not in_examples:
            continue
        if line in ('.EX', '.nf'):
            block = Block(name, number, None, [])
        elif line in ('.EE', '.fi') and block is not None:
            text = [roff_text(x) for x in block.text if not x.startswith('.')]
            block.language = 'console' if text and text[0].startswith('$ ') else 'sh'
            block.text = '\n'.join(text) + '\n'
            blocks.append(block)
            block = None
        elif block is not None:
            block.text.append(line)
    return blocks


def environment(copy, checkout):
    env = {k: v for k, v in os.environ.items() if not k.startswith('ICNKIT_')}
    # The examples' python3 is the system's, for which the module is built:
    # a version manager's shims in front of it would hide its numpy.
    manager = os.environ.get('PYENV_ROOT')
    path = ':'.join(d for d in os.environ['PATH'].split(':')
                    if not manager or not d.startswith(manager))
    env.update(PATH=f'{checkout}/.shims:{checkout}/build/bin:{path}', COLUMNS='80',
               LC_ALL='C.UTF-8', PWD=copy, PYTHONPATH=f'{checkout}/build/python')
    return env


def run_script(script, copy):
    """Runs script in the folder copy, the checkout's copy ("icnkit") or
    the scratch folder beside it."""
    checkout = os.path.join(os.path.dirname(copy), 'icnkit')
    # ls lists in columns, as on a terminal.
    prelude = 'ls() { command ls -C -T 0 "$@"; }\n'
    return subprocess.run(['bash', '--noprofile', '--norc', '-c', prelude + script], cwd=copy,
                          env=environment(copy, checkout), stdin=subprocess.DEVNULL,
                          stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=TIMEOUT)


def shown(output, copy):
    home = os.path.dirname(copy)
    text = output.decode('utf-8', 'replace').replace(os.path.realpath(home), READER_HOME)
    return [line.rstrip('\r') for line in text.replace(home, READER_HOME).split('\n')]


def run_sh(block, copy):
    result = run_script('set -e -o pipefail\n' + block.text, copy)
    if result.returncode != 0:
        return [f'exit status {result.returncode}; output:'] + shown(result.stdout, copy)
    return []


def run_console(block, copy):
    # Each command in a group whose stderr joins stdout, after a marker,
    # with the status of the one before it restored for "echo $?".
    commands, expected, script = [], [], ['__s=0']
    for line in block.text.rstrip('\n').split('\n'):
        if line.startswith('$ '):
            commands.append(line[2:])
            expected.append([])
            script.append(f"printf '\\n@@example {len(commands)}@@\\n'; (exit $__s)")
            script.append('{ ' + line[2:] + '\n} 2>&1; __s=$?')
        elif not commands:
            return [f'output before the first command: {line}']
        else:
            expected[-1].append(line)
    result = run_script('\n'.join(script) + '\n', copy)
    parts = re.split(r'\n@@example \d+@@\n', result.stdout.decode('utf-8', 'replace'))[1:]
    problems = []
    for command, want, got in zip(commands, expected, parts):
        lines = shown(got.encode(), copy)
        if lines and lines[-1] == '':
            lines.pop()
        if lines != want:
            problems.append(f'$ {command}')
            problems += [f'  expected: {x}' for x in want] or ['  expected nothing']
            problems += [f'  got:      {x}' for x in lines] or ['  got nothing']
    if len(parts) != len(commands):
        problems.append(f'{len(parts)} of {len(commands)} commands ran; output:')
        problems += shown(result.stdout, copy)
    return problems


def copy_checkout(source, target):
    """The files git knows or would add (what a clone holds, plus the
    changes not committed yet); without git, all but build*/ and .git/."""
    listed = subprocess.run(['git', '-C', source, 'ls-files', '-z', '--cached', '--others',
                             '--exclude-standard'], stdout=subprocess.PIPE,
                            stderr=subprocess.DEVNULL)
    if listed.returncode != 0:
        shutil.copytree(source, target, symlinks=True, ignore=lambda folder, names: [
            n for n in names if os.path.realpath(folder) == source and
            (n == '.git' or n.startswith('build'))])
        return
    for name in listed.stdout.decode().split('\0'):
        path = os.path.join(source, name)
        if name and os.path.lexists(path):
            os.makedirs(os.path.dirname(os.path.join(target, name)), exist_ok=True)
            shutil.copy2(path, os.path.join(target, name), follow_symlinks=False)


def scratch_folder(quick):
    """The folder the quick start leaves its reader in (its last cd): a
    sibling of the checkout, as ../NAME, or the checkout itself."""
    folder = '.'
    for block in quick:
        for match in re.finditer(r'(?:^|&&|;)\s*cd\s+([^\s;&|]+)', block.text, re.M):
            folder = match.group(1)
    if folder != '.' and not re.fullmatch(r'\.\./[\w.-]+', folder):
        raise SystemExit(f'the quick start ends in {folder}: the test knows . and ../NAME')
    return os.path.basename(folder) if folder != '.' else 'icnkit'


def snapshot(checkout):
    """Every file of the checkout but the build's (build*/) and the test's
    stand-ins (.shims/): path and bytes."""
    files = {}
    for folder, names, found in os.walk(checkout):
        if folder == checkout:
            names[:] = [n for n in names if not n.startswith('build') and n != '.shims']
        for name in found + [n for n in names if os.path.islink(os.path.join(folder, n))]:
            path = os.path.join(folder, name)
            data = os.readlink(path) if os.path.islink(path) else open(path, 'rb').read()
            files[os.path.relpath(path, checkout)] = data
    return files


def changes(before, after):
    return ([f'added: {p}' for p in sorted(set(after) - set(before))] +
            [f'removed: {p}' for p in sorted(set(before) - set(after))] +
            [f'changed: {p}' for p in sorted(set(before) & set(after)) if before[p] != after[p]])


def main():
    if len(sys.argv) != 3:
        raise SystemExit(__doc__.split('\n\n')[1])
    source, bin_dir = (os.path.realpath(a) for a in sys.argv[1:])
    blocks = markdown_blocks(os.path.join(source, 'README.md'), 'README.md')
    for page in sorted(os.listdir(os.path.join(source, 'man'))):
        if page.endswith('.1'):
            blocks += man_blocks(os.path.join(source, 'man', page), f'man/{page}')
    runners = {'sh': run_sh, 'console': run_console}
    failed, ran, skipped = [], 0, []
    with tempfile.TemporaryDirectory(prefix='icnkit-examples-') as work:
        # home/icnkit is the checkout; the scratch folder is made beside it.
        home = os.path.join(work, 'home')
        start = os.path.join(home, 'icnkit')
        copy_checkout(source, start)
        pristine = snapshot(start)
        os.makedirs(os.path.join(start, 'build'))
        os.symlink(bin_dir, os.path.join(start, 'build', 'bin'))
        python_dir = os.path.join(os.path.dirname(bin_dir), 'python')
        has_python = os.path.isdir(python_dir)
        if has_python:
            os.symlink(python_dir, os.path.join(start, 'build', 'python'))
        os.makedirs(os.path.join(start, '.shims'))
        for tool in ('cmake', 'ctest'):
            with open(os.path.join(start, '.shims', tool), 'w') as shim:
                shim.write(SHIM)
            os.chmod(os.path.join(start, '.shims', tool), 0o755)
        quick = [b for b in blocks if b.section == 'Quick start' and b.source == 'README.md']
        later = [b for b in blocks if b not in quick]
        scratch = scratch_folder(quick)

        # The folder each block runs in: the quick start's in the checkout
        # until its block that enters the scratch folder, README.md's in
        # the scratch folder from there on, the manual pages' in the checkout.
        folders, folder = {}, 'icnkit'
        for block in quick:
            folders[id(block)] = folder
            if scratch_folder([block]) != 'icnkit':
                folder = scratch
        for block in later:
            folders[id(block)] = scratch if block.source == 'README.md' else 'icnkit'

        def where(block, copy_home):
            return os.path.join(copy_home, folders[id(block)])

        runnable = []
        for block in quick + later:
            if block.language in SKIPPED:
                skipped.append(f'{block.where()} ({block.language}: {SKIPPED[block.language]})')
            elif not has_python and 'import icnkit' in block.text:
                skipped.append(f'{block.where()} (the Python module is not built here)')
            elif block.language not in runners:
                failed.append((block, [f'a block of language "{block.language}": '
                                       'mark it sh, console or a language skipped by rule']))
            else:
                runnable.append(block)

        def run(block, folder):
            try:
                return runners[block.language](block, folder)
            except subprocess.TimeoutExpired:
                return [f'took more than {TIMEOUT} s']

        for number, block in enumerate(runnable):
            copy_home = home
            if block not in quick:
                copy_home = os.path.join(work, f'block-{number}')
                shutil.copytree(home, copy_home, symlinks=True)
            problems = run(block, where(block, copy_home))
            ran += 1
            if problems:
                failed.append((block, problems))
            if copy_home != home:
                shutil.rmtree(copy_home)

        # README.md's blocks once more, in order in one copy, and the
        # checkout as it was.
        in_order = os.path.join(work, 'in-order')
        shutil.copytree(home, in_order, symlinks=True)
        for block in runnable:
            if block.source == 'README.md' and block not in quick:
                problems = run(block, where(block, in_order))
                if problems:
                    failed.append((block, ['run in order after the blocks above it:'] + problems))
        left = changes(pristine, snapshot(os.path.join(in_order, 'icnkit')))
        if left:
            failed.append((Block('README.md', 0, 'all', ''), [
                'the quick start and the examples, in order, changed the checkout:'] + left))
    for line in skipped:
        print(f'skipped: {line}')
    for block, problems in failed:
        print(f'\n{block.where()}: {block.language} block failed:')
        for line in problems:
            print(f'  {line}')
    console = sum(1 for b in blocks if b.language == 'console')
    print(f'\n{ran} blocks run ({console} console sessions compared), {len(skipped)} skipped '
          f'by rule, {len(failed)} failed')
    if ran == 0 or console == 0:
        print('no example found: the extraction is broken')
        return 1
    return 1 if failed else 0


if __name__ == '__main__':
    sys.exit(main())
