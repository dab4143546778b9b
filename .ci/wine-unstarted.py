#!/usr/bin/env python3
"""Reads ctest's LastTest.log and prints the failed tests whose program
printed nothing at all: Wine now and then fails to start a program (it ends
within milliseconds, before the test runner's first line). Exits 1, printing
nothing, when any failed test did print something: that one ran and failed.

Usage: .ci/wine-unstarted.py BUILD/Testing/Temporary/LastTest.log
"""
import re
import sys

text = open(sys.argv[1], encoding='utf-8', errors='replace').read()
unstarted, ran_and_failed = [], []
# One block a test: "N/M Test: NAME" ... "Output:" dashes, the output,
# "<end of output>" ... "Test Passed." or "Test Failed." (or another end).
for match in re.finditer(r'^\d+/\d+ Test: (\S+)\n.*?^Output:\n-+\n(.*?)<end of output>\n'
                         r'.*?^Test (?!time)(\w+)', text, re.S | re.M):
    name, output, verdict = match.group(1), match.group(2), match.group(3)
    if verdict == 'Passed':
        continue
    (unstarted if output.strip() == '' else ran_and_failed).append(name)
if ran_and_failed or not unstarted:
    sys.exit(1)
print('\n'.join(unstarted))
