#!/usr/bin/env bash
# Static checks: every C++ file git tracks formatted as .clang-format says
# (clang-format 14, Debian 12's), then over every file the build compiles
# (libraries, tools, generators, tests, benchmarks, fuzz targets) clang-tidy
# with the checks of .clang-tidy and cppcheck. Fails on any finding.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

need=()
command -v clang++ >/dev/null || need+=(clang)
command -v clang-format >/dev/null || need+=(clang-format)
command -v clang-tidy >/dev/null || need+=(clang-tidy)
command -v run-clang-tidy >/dev/null || need+=(clang-tidy)
command -v cppcheck >/dev/null || need+=(cppcheck)
if [ ${#need[@]} -gt 0 ]; then
  echo "== installing: ${need[*]}"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${need[@]}"
fi
jobs=$(nproc)

echo "== clang-format"
format_log=$(mktemp)
if ! git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror 2>"$format_log"; then
  grep -E '(warning|error): ' "$format_log" | cut -d: -f1 | sort -u
  echo "== clang-format: these files are not formatted; git ls-files '*.cpp' '*.h' | xargs clang-format -i"
  exit 1
fi
rm -f "$format_log"

# A compilation database only: configured with clang and the fuzz targets
# on, so they are checked too; nothing is built.
build=build-static
rm -rf "$build"
cmake -S . -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DICNKIT_FUZZ=ON \
  -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null

echo "== clang-tidy"
sources="^$root/(format|support|fs|cli|settings|image|conventions|unpack|pack|tools|kit|png|palette|sheet|folders|api|testdata|examples|tests|bench|fuzz|python|gimp)/"
if ! run-clang-tidy -p "$build" -quiet -j"$jobs" "$sources" >"$build/clang-tidy.log" 2>&1; then
  grep -E '(warning|error): ' "$build/clang-tidy.log" | sed -r 's/\x1b\[[0-9;]*m//g' | sort -u
  echo "== clang-tidy found problems (full output: $build/clang-tidy.log)"
  exit 1
fi

echo "== cppcheck"
# Suppressions, each for a reason:
#   missingIncludeSystem  the standard and GoogleTest headers are the
#                         compiler's business, not cppcheck's
#   unknownMacro          GoogleTest's TEST macros
mkdir -p "$build/cppcheck"
cppcheck --project="$build/compile_commands.json" --enable=warning,performance,portability \
  --std=c++20 --inline-suppr --suppress=missingIncludeSystem --suppress=unknownMacro \
  --library=googletest --error-exitcode=1 --quiet -j"$jobs" --cppcheck-build-dir="$build/cppcheck" \
  2>&1 | tee "$build/cppcheck.log"
echo "== static checks clean"
