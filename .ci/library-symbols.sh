#!/usr/bin/env bash
# .ci/library-symbols.sh [BUILD]: libicnkit.a defines no global symbol of its
# own outside namespace icnkit. Every global definition (strong or weak) must
# be in icnkit:: (functions, data, type information, vtables, guards and
# local statics of its functions) or be an instance of a template or inline
# function of a library the code uses (std::, __gnu_cxx::, nlohmann::), or
# the type information of a function type that std::function keeps; DW.ref.*
# are the unwinder's references to type information. Offenders are
# printed as nm -C shows them.
set -euo pipefail
cd "$(dirname "$0")/.."
library=${1:-build}/lib/libicnkit.a
[[ -f $library ]] || { echo "library-symbols: $library is missing (build first)" >&2; exit 1; }
for tool in nm c++filt; do
  command -v $tool >/dev/null || { echo "library-symbols: $tool is missing (binutils)" >&2; exit 1; }
done

ours='_Z(Z?N|ZNK|NK|T[ISVC]N|GVZ?N|Th[n0-9_]*N|Tv[n0-9_]*N)?6icnkit'
theirs='_Z(Z?N|ZNK|NK|T[ISVC]N?|GVN?)?(St|9__gnu_cxx|8nlohmann|10__cxxabiv1)|_ZS[tabiod]|_ZT[IS]P?F'
symbols=$(nm --defined-only "$library" | awk '$2 ~ /^[TDRBVWu]$/ { print $3 }' | sort -u)
outside=$(grep -v -E "^($ours|$theirs|DW\.ref\.)" <<<"$symbols" || true)
if [[ -n $outside ]]; then
  echo "library-symbols: $library defines global symbols outside namespace icnkit:" >&2
  c++filt <<<"$outside" | head -n 40 >&2
  exit 1
fi
echo "library-symbols: the $(wc -l <<<"$symbols") global symbols of $library are icnkit:: or template instances of std::/nlohmann::"
