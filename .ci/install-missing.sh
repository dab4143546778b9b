#!/usr/bin/env bash
# .ci/install-missing.sh PACKAGE...: installs those of the Debian packages
# named that are not installed (apt-get, without recommends); does nothing
# when all are. For the CI scripts, which install what they need first.
set -euo pipefail
missing=()
for p in "$@"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -gt 0 ] || exit 0
echo "== installing: ${missing[*]}"
apt-get update -qq
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
