#!/usr/bin/env python3
"""The sizes docs/web.md gives for the built files, checked against the build.

Usage: sizes_check.py WEB_DIR DOC

Every figure of the form `icnkit.wasm` 536 KB (203 KB gzipped) in DOC (KB
of 1,000 bytes; the gzipped one optional, gzip -9) must be within 10% of
the file's in WEB_DIR. Prints each file's sizes, so a changed build's
figures are there to copy.
"""
import gzip
import os
import re
import sys

FIGURE = re.compile(r'`([\w.-]+)` (\d[\d,]*) KB(?: \((\d[\d,]*) KB gzipped\))?')


def kb(size):
    return round(size / 1000)


def main():
    if len(sys.argv) != 3:
        raise SystemExit(__doc__.split('\n\n')[1])
    web_dir, doc = sys.argv[1:]
    text = ' '.join(open(doc, encoding='utf-8').read().split())
    figures = FIGURE.findall(text)
    if not figures:
        raise SystemExit(f'{doc}: no size of a built file found')
    wrong = []
    for name, size, zipped in figures:
        data = open(os.path.join(web_dir, name), 'rb').read()
        actual = (len(data), len(gzip.compress(data, 9)))
        print(f'{name}: {kb(actual[0])} KB ({kb(actual[1])} KB gzipped)')
        for said, real in ((size, actual[0]), (zipped, actual[1])):
            if said and abs(int(said.replace(',', '')) * 1000 - real) > real / 10:
                wrong.append(f'{doc}: `{name}` {said} KB, but it is {kb(real)} KB')
    for line in wrong:
        print(line)
    return 1 if wrong else 0


if __name__ == '__main__':
    sys.exit(main())
