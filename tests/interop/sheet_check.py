#!/usr/bin/env python3
"""Checks icnkit's sprite sheets with readers that are not ours: the JSON
against docs/sheet.schema.json (the "JSON array" layout) by the jsonschema
package, and the image by Pillow: an indexed ("P") PNG of the size that
meta.size gives, named by meta.image, every frame's cell inside it and no
two cells overlapping. Every layout option is tried.

Usage: sheet_check.py ICNKIT ARCHIVE...   (exit 0 when every sheet is valid)
Needs jsonschema and Pillow (Debian python3-jsonschema, python3-pil).
"""
import json
import os
import subprocess
import sys
import tempfile

import jsonschema
from PIL import Image

LAYOUTS = ([], ["--packed", "--padding", "3"], ["--untrimmed", "--columns", "2"])
SCHEMA = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "docs",
                      "sheet.schema.json")


def problems(icnkit, archive, layout, work, validator):
    stem = os.path.splitext(os.path.basename(archive))[0]
    subprocess.run([icnkit, "-q", "sheet", "-o", work] + layout + [archive], check=True)
    with open(os.path.join(work, stem + ".json"), encoding="utf-8") as f:
        document = json.load(f)
    found = ["%s: %s" % ("/".join(map(str, error.absolute_path)) or "(root)", error.message)
             for error in validator.iter_errors(document)]
    if found:
        return found
    meta = document["meta"]
    image = Image.open(os.path.join(work, meta["image"]))
    if image.mode != "P" or list(image.size) != [meta["size"]["w"], meta["size"]["h"]]:
        return ["image %s %s, meta.size %s" % (image.mode, image.size, meta["size"])]
    cells = []
    for entry in document["frames"]:
        r = entry["frame"]
        if r["x"] + r["w"] > image.width or r["y"] + r["h"] > image.height:
            found.append("%s: cell %s outside the image" % (entry["filename"], r))
        for other_name, o in cells:
            if (r["w"] and r["h"] and o["w"] and o["h"] and r["x"] < o["x"] + o["w"] and
                    o["x"] < r["x"] + r["w"] and r["y"] < o["y"] + o["h"] and
                    o["y"] < r["y"] + r["h"]):
                found.append("%s overlaps %s" % (entry["filename"], other_name))
        cells.append((entry["filename"], r))
    return found


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    icnkit, archives = sys.argv[1], sys.argv[2:]
    with open(SCHEMA, encoding="utf-8") as f:
        schema = json.load(f)
    validator = jsonschema.Draft7Validator(schema)
    failed = False
    for archive in archives:
        for layout in LAYOUTS:
            with tempfile.TemporaryDirectory() as work:
                for problem in problems(icnkit, archive, layout, work, validator):
                    print("%s %s: %s" % (archive, " ".join(layout), problem), file=sys.stderr)
                    failed = True
    print("sheet check: %d archives, %d layouts each: %s" %
          (len(archives), len(LAYOUTS), "FAILED" if failed else "valid"))
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
