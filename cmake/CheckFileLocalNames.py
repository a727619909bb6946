#!/usr/bin/env python3
"""Finds a name that two source files of one library each define for themselves.

The sanitizer trees compile a library's files eight at a time as one (a unity build). Two
file-local helpers of the same name then either fail to compile or, worse, become overloads of
each other, and a call may silently take the other file's helper (two `Fail`s that word their
error differently, two `Text`s that translate in different contexts). So a library's files never
share such a name; what they share belongs in a header.

Usage: CheckFileLocalNames.py ROOT [FOLDER...]   (exit status 1 and a report when a name is shared)
The folders of one library are joined with '+', e.g. app+panel+dialogs.
"""
import collections
import pathlib
import re
import sys

# Top-level definitions (no indentation): functions, constants, classes. Member definitions
# (`Class::Name(`) are not file-local and are left out.
FUNCTION = re.compile(r'^(?:static\s+|inline\s+|constexpr\s+|const\s+)*[\w:<>,\s*&]+?[\s*&](\w+)\s*\(')
CONSTANT = re.compile(r'^(?:static\s+|inline\s+)?(?:constexpr|const)\s+[\w:<>,\s*&]+?\s(\w+)\s*(?:\[\w*\])?\s*[={(]')
TYPE = re.compile(r'^(?:class|struct|enum(?:\s+class)?)\s+(\w+)\s*(?:final\s*)?[:{]')
# Overloaded on purpose for the types they print or compare.
ALLOWED = {'PrintTo', 'operator', 'main'}
KEYWORDS = {'if', 'for', 'while', 'switch', 'return', 'sizeof', 'Q_OBJECT'}


def local_names(path):
    names = set()
    for line in path.read_text(errors='replace').splitlines():
        if not line or line[0] in ' \t#/}{':
            continue
        head = line.split('(')[0]
        if '::' in head.split()[-1] if head.split() else False:
            continue
        for pattern in (FUNCTION, CONSTANT, TYPE):
            match = pattern.match(line)
            if match and match.group(1) not in ALLOWED | KEYWORDS:
                names.add(match.group(1))
                break
    return names


def shared_names(root, library):
    where = collections.defaultdict(list)
    for folder in library.split('+'):
        for path in sorted((root / folder).glob('*.cpp')):
            for name in local_names(path):
                where[name].append(str(path.relative_to(root)))
    return {name: files for name, files in where.items() if len(files) > 1}


def main(argv):
    root = pathlib.Path(argv[1])
    found = False
    for library in argv[2:]:
        for name, files in sorted(shared_names(root, library).items()):
            print(f'{name} is defined in {", ".join(files)}')
            found = True
    return 1 if found else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
