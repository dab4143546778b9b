#!/usr/bin/env bash
# .ci/face-includes.sh: the faces (kit/, python/, web/, gimp/) are clients of
# the public library: each includes the headers of include/icnkit/ and its
# own, no internal header of another folder; web/ compiles no file of kit/.
# The one exception is the tool's entry point, kit/main.cpp, which takes
# cli/'s UTF-8 command line and stream modes as every program does.
set -euo pipefail
cd "$(dirname "$0")/.."
faults=$(git grep -n -E '#include "[^"]+/' -- kit python web gimp |
  grep -v -E '^([a-z]+)/[^:]*:[0-9]+:#include "(icnkit|\1)/' |
  grep -v -E '^kit/main\.cpp:[0-9]+:#include "cli/(Arguments|StandardStreams)\.h"' || true)
if git grep -q -E '(kit|\.\./kit)/[A-Za-z]+\.cpp' -- web/CMakeLists.txt; then
  faults+=$'\nweb/CMakeLists.txt compiles a file of kit/'
fi
if [[ -n ${faults//$'\n'/} ]]; then
  echo "face-includes: internal headers used by a face:" >&2
  echo "$faults" >&2
  exit 1
fi
echo "face-includes: kit/, python/, web/ and gimp/ include only include/icnkit/ and their own headers"
