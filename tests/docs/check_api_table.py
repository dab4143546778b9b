#!/usr/bin/env python3
"""docs/api.md's table of operations against the faces it names.

Usage: check_api_table.py SOURCE_DIR FACE...

FACE is one of cli, cpp, python, js. Fails (exit 1, one line a fault) when
the table lacks an operation, when a face's cell names nothing, or when a
name the cell gives does not exist in that face:
  cli     `icnkit SUB --opt ...`: SUB in kit/Subcommands.def, each --opt an
          option of kit/'s sources (words in capitals are arguments)
  cpp     `Name` or `Class::Member`: declared in include/icnkit/*.h
          (Name an ICNKIT_API function, Class an ICNKIT_API class or a struct)
  python  `icnkit.name` in python/icnkit/__init__.py's __all__ and defined
          there; `Class.attribute` a method or attribute of that class
  js      `name` a member of web/icnkit.d.ts's interface Icnkit;
          `Interface.member` a member of that interface
"""
import ast
import pathlib
import re
import sys

OPERATIONS = ['open', 'info', 'decode', 'build', 'unpack', 'pack', 'sheet',
              'sheet back to archive', 'gif', 'palette read', 'palette write', 'detect',
              'thumbnail']
FACES = {'cli': 'Command line', 'cpp': 'C++', 'python': 'Python', 'js': 'JavaScript'}


def table(text):
    """{operation: {column heading: [names]}} of the first table whose
    first heading is Operation."""
    lines = iter(text.splitlines())
    for line in lines:
        if line.startswith('| Operation |'):
            headings = [cell.strip() for cell in line.strip('|').split('|')]
            break
    else:
        return None, []
    next(lines, None)  # the |---| line
    rows = {}
    for line in lines:
        if not line.startswith('|'):
            break
        cells = [cell.strip() for cell in line.strip().strip('|').split('|')]
        rows[cells[0]] = {heading: re.findall(r'`([^`]+)`', cell)
                          for heading, cell in zip(headings[1:], cells[1:])}
    return rows, headings


class Cli:
    def __init__(self, root):
        self.subcommands = set(re.findall(r'^ICNKIT_SUBCOMMAND\((\w+)\)',
                                          (root / 'kit/Subcommands.def').read_text(),
                                          re.MULTILINE))
        self.subcommands = {name.lower() for name in self.subcommands}
        self.options = set()
        for source in (root / 'kit').glob('*.cpp'):
            for spec in re.findall(r'"(-[-\w,]*)"', source.read_text()):
                self.options.update(part for part in spec.split(',') if part.startswith('--'))

    def fault(self, name):
        words = name.split()
        if len(words) < 2 or words[0] != 'icnkit':
            return 'is no "icnkit SUBCOMMAND ..." line'
        if words[1] not in self.subcommands:
            return f'"{words[1]}" is no subcommand of kit/Subcommands.def'
        for word in words[2:]:
            if word.startswith('--') and word not in self.options:
                return f'{word} is no option of kit/'
            if not word.startswith('--') and not word.isupper():
                return f'"{word}" is neither an option nor an ARGUMENT'
        return None


class Cpp:
    def __init__(self, root):
        self.headers = ''.join(path.read_text()
                               for path in sorted((root / 'include/icnkit').glob('*.h')))

    def fault(self, name):
        text = self.headers
        if '::' in name:
            cls, member = name.split('::', 1)
            match = re.search(rf'\b(?:class ICNKIT_API|struct) {cls}\b[^;]*?\{{(.*?)\n\}};',
                              text, re.DOTALL)
            if not match:
                return f'no class {cls} in include/icnkit/'
            if not re.search(rf'\b{member}\s*\(', match.group(1)):
                return f'{cls} has no member {member}'
            return None
        if not re.search(rf'ICNKIT_API\b[^;{{}}]*?\b{name}\s*\(', text):
            return 'is no ICNKIT_API function of include/icnkit/'
        return None


class Python:
    def __init__(self, root):
        tree = ast.parse((root / 'python/icnkit/__init__.py').read_text())
        self.exported, self.defined, self.classes = set(), set(), {}
        for node in tree.body:
            targets = []
            if isinstance(node, (ast.FunctionDef, ast.ClassDef)):
                targets = [node.name]
            elif isinstance(node, ast.Assign):
                targets = [t.id for t in node.targets if isinstance(t, ast.Name)]
                if '__all__' in targets:
                    self.exported = set(ast.literal_eval(node.value))
            elif isinstance(node, (ast.Import, ast.ImportFrom)):
                targets = [(alias.asname or alias.name).split('.')[0] for alias in node.names]
            self.defined.update(targets)
            if isinstance(node, ast.ClassDef):
                members = set()
                for item in ast.walk(node):
                    if isinstance(item, ast.FunctionDef):
                        members.add(item.name)
                    elif isinstance(item, ast.Assign):
                        members.update(t.id for t in item.targets if isinstance(t, ast.Name))
                self.classes[node.name] = members

    def fault(self, name):
        module, _, attribute = name.partition('.')
        if not attribute:
            return 'is neither icnkit.name nor Class.attribute'
        if module == 'icnkit':
            if attribute not in self.exported:
                return "is not in python/icnkit/__init__.py's __all__"
            if attribute not in self.defined:
                return 'is not defined in python/icnkit/__init__.py'
            return None
        if module not in self.classes:
            return f'no class {module} in python/icnkit/__init__.py'
        if attribute not in self.classes[module]:
            return f'{module} has no attribute {attribute}'
        return None


class JavaScript:
    def __init__(self, root):
        text = (root / 'web/icnkit.d.ts').read_text()
        self.interfaces = {}
        for match in re.finditer(r'\binterface (\w+)[^{]*\{', text):
            depth, end = 1, match.end()
            while depth and end < len(text):
                depth += {'{': 1, '}': -1}.get(text[end], 0)
                end += 1
            body = text[match.end():end]
            self.interfaces[match.group(1)] = set(
                re.findall(r'^\s*(?:readonly\s+)?(\w+)\??\s*[(:<]', body, re.MULTILINE))

    def fault(self, name):
        interface, _, member = name.rpartition('.')
        interface = interface or 'Icnkit'
        if interface not in self.interfaces:
            return f'no interface {interface} in web/icnkit.d.ts'
        if member not in self.interfaces[interface]:
            return f'{interface} has no member {member} in web/icnkit.d.ts'
        return None


CHECKERS = {'cli': Cli, 'cpp': Cpp, 'python': Python, 'js': JavaScript}


def main():
    if len(sys.argv) < 3 or any(face not in FACES for face in sys.argv[2:]):
        sys.exit(__doc__)
    root = pathlib.Path(sys.argv[1])
    rows, headings = table((root / 'docs/api.md').read_text())
    faults = []
    if rows is None:
        sys.exit('docs/api.md: no table whose first heading is Operation')
    for face in sys.argv[2:]:
        heading = FACES[face]
        if heading not in headings:
            faults.append(f'docs/api.md: the table has no column {heading}')
            continue
        checker = CHECKERS[face](root)
        for operation in OPERATIONS:
            names = rows.get(operation, {}).get(heading, [])
            if operation not in rows:
                faults.append(f'docs/api.md: the table has no row "{operation}"')
                break
            if not names:
                faults.append(f'docs/api.md: "{operation}" has no {heading} name')
            for name in names:
                fault = checker.fault(name)
                if fault:
                    faults.append(f'docs/api.md: "{operation}", {heading} `{name}`: {fault}')
    for fault in dict.fromkeys(faults):
        print(fault)
    return 1 if faults else 0


if __name__ == '__main__':
    sys.exit(main())
