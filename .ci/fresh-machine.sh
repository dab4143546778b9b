#!/usr/bin/env bash
# CI, a fresh machine: the README followed word for word on a Debian 12 that
# has nothing else installed, as root (which has no sudo: the README says to
# drop it). Builds a Debian 12 root with debootstrap from the Debian archive
# apt on this machine uses, clones the checkout into it (what is committed,
# nothing else) and runs there, in one shell and in the README's order, the
# blocks of its sections "Quick start", "The C++ library", "Python" and "In
# the browser": the install lines (sh-root, without sudo), the quick start,
# the test command, the package builds (sh-build) and the examples (sh);
# then checks that `git status` in the clone is clean. Fails on any failure
# and prints each block's wall time.
#
# Caches, under ICNKIT_CI_CACHE (default /var/cache/icnkit-ci), kept where
# the machine keeps them: the bootstrapped root as a tarball (made again
# when missing), the .debs apt downloads (the root's
# /var/cache/apt/archives) and a ccache folder, used through
# CMAKE_C(XX)_COMPILER_LAUNCHER in the environment, so that the README's
# commands run as written and a rebuild is fast. The root itself is made
# afresh from the tarball every run and removed at the end.
# Needs root (debootstrap, chroot, mount).
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)
started=$(date +%s)
step() { echo "== [$(($(date +%s) - started)) s] $*"; }
[ "$(id -u)" = 0 ] || { echo "fresh-machine: needs root (debootstrap, chroot, mount)" >&2; exit 1; }
.ci/install-missing.sh debootstrap git python3 tar

cache=${ICNKIT_CI_CACHE:-/var/cache/icnkit-ci}
# The version of the cached root: change it when what goes into it changes.
base=$cache/debian12-root-1.tar
mkdir -p "$cache/apt-archives/partial" "$cache/ccache"

# The machine's Debian archive (deb.debian.org or a mirror).
mirror=$(
  { cat /etc/apt/sources.list.d/*.sources 2>/dev/null | awk '
      /^URIs:/ { uri = $2 } /^Suites:/ && / bookworm( |$)/ && uri != "" { print uri; exit }'
    sed -n 's/^deb \(\[[^]]*\] \)\?\([^ ]*\) bookworm .*/\2/p' /etc/apt/sources.list 2>/dev/null || true
  } | head -n 1)
mirror=${mirror:-http://deb.debian.org/debian}

work=$(mktemp -d /var/tmp/icnkit-fresh.XXXXXX)
root=$work/root
mounts=()
cleanup() {
  local i target pid
  # What still runs in the root (a build stopped half way): ended first.
  for pid in $(ls /proc | grep -E '^[0-9]+$'); do
    [[ "$(readlink "/proc/$pid/root" 2>/dev/null)" == "$root" ]] && kill "$pid" 2>/dev/null
  done
  sleep 1
  for ((i = ${#mounts[@]} - 1; i >= 0; i--)); do
    umount "${mounts[i]}" 2>/dev/null || umount -l "${mounts[i]}" || true
  done
  # And what else is mounted there (debootstrap's own /proc, after a failure).
  for target in $(findmnt -rn -o TARGET | grep "^$root/" | sort -r); do
    umount "$target" 2>/dev/null || umount -l "$target" || true
  done
  # Never remove through a mount that is still there (/dev, the caches).
  if findmnt -rn -o TARGET | grep -q "^$root"; then
    echo "fresh-machine: mounts left under $root; not removing $work" >&2
  else
    rm -rf "$work"
  fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM
mount_in() {  # mount_in TARGET ARGS...: mounts, remembering it for the cleanup
  local target=$root$1; shift
  mkdir -p "$target"
  mount "$@" "$target"
  mounts+=("$target")
}

mkdir -p "$root"
if [ ! -s "$base" ]; then
  step "debootstrap bookworm from $mirror (cached in $base)"
  debootstrap --cache-dir="$cache/apt-archives" bookworm "$root" "$mirror" >"$work/debootstrap.log" ||
    { tail -n 30 "$work/debootstrap.log" >&2; exit 1; }
  # apt as on this machine (its Debian entries); dpkg without fsync (a CI
  # root, thrown away); ccache for the compiler cache, nothing else.
  rm -f "$root/etc/apt/sources.list"
  for f in /etc/apt/sources.list.d/*.sources; do
    if grep -qi debian "$f"; then cp "$f" "$root/etc/apt/sources.list.d/"; fi
  done
  if [ -f /etc/apt/sources.list ]; then grep '^deb .*debian' /etc/apt/sources.list >"$root/etc/apt/sources.list" || true; fi
  echo force-unsafe-io >"$root/etc/dpkg/dpkg.cfg.d/icnkit-ci-unsafe-io"
  cp /etc/resolv.conf "$root/etc/resolv.conf"
  mount_in /var/cache/apt/archives --bind "$cache/apt-archives"
  mount_in /proc -t proc proc
  chroot "$root" sh -c 'apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends ccache >/dev/null'
  chroot "$root" sh -c 'rm -rf /var/lib/apt/lists/*'
  umount "$root/proc" "$root/var/cache/apt/archives"
  mounts=()
  tar -C "$root" -cf "$base.part" . && mv "$base.part" "$base"
else
  step "the Debian 12 root from $base"
  tar -C "$root" -xf "$base"
fi
cp /etc/resolv.conf "$root/etc/resolv.conf"

mount_in /proc -t proc proc
mount_in /sys -t sysfs sysfs
mount_in /dev --bind /dev
mount_in /dev/pts --bind /dev/pts
mount_in /dev/shm -t tmpfs tmpfs
mount_in /tmp -t tmpfs tmpfs
mount_in /var/cache/apt/archives --bind "$cache/apt-archives"
mount_in /var/cache/icnkit-ccache --bind "$cache/ccache"

step "the clone (what is committed: $(git rev-parse --short HEAD))"
git clone -q --no-local "$repo" "$root/root/icnkit"

# The README's blocks, read from the clone's README, as one shell script
# that prints each block's wall time.
python3 - "$root/root/icnkit/README.md" >"$root/root/readme-steps.sh" <<'PYTHON'
import sys
sys.path.insert(0, sys.argv[1].rsplit('/', 1)[0] + '/tests/docs')
from run_examples import markdown_blocks
sections = ('Quick start', 'The C++ library', 'Python', 'In the browser')
languages = ('sh-root', 'sh', 'sh-build')
print('set -eo pipefail\ncd /root/icnkit')
count = 0
for block in markdown_blocks(sys.argv[1], 'README.md'):
    if block.section not in sections or block.language not in languages:
        continue
    text = block.text
    if block.language == 'sh-root':  # as root: the same line without sudo
        text = text.replace('sudo ', '')
    count += 1
    title = f'{block.where()} ({block.section}, {block.language})'
    print(f'echo "== {title}"; __t=$SECONDS')
    print(text.rstrip('\n'))
    # set -e passes over a failure that is not a line's last command
    # (cmake ... && ...): the block's status is checked too.
    print(f'__s=$?; [ $__s = 0 ] || {{ echo "== {title}: failed ($__s)"; exit $__s; }}')
    print(f'echo "== {title}: $((SECONDS - __t)) s"')
print('echo "== END"')
if count < 4:
    sys.exit(f'only {count} blocks found in the README: the extraction is broken')
PYTHON
grep '^echo "== README' "$root/root/readme-steps.sh" | grep -v ': \$((' | sed 's/^echo "== /   /; s/"; .*//'

step "the README's commands on the fresh Debian 12 (their output: the last lines on a failure)"
log=$work/readme-steps.log
env -i HOME=/root USER=root LOGNAME=root TERM=dumb LANG=C.UTF-8 SHELL=/bin/bash \
  PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
  DEBIAN_FRONTEND=noninteractive \
  CCACHE_DIR=/var/cache/icnkit-ccache CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache \
  chroot "$root" bash /root/readme-steps.sh </dev/null 2>&1 |
  tee "$log" | grep --line-buffered '^== README' || true
# The script stops at the first failure (set -e), before its last line.
if ! grep -qx '== END' "$log"; then
  echo "fresh-machine: a README block failed; the last lines of its output:" >&2
  tail -n 80 "$log" >&2
  exit 1
fi

step "git status in the clone"
status=$(chroot "$root" git -C /root/icnkit status --porcelain)
if [ -n "$status" ]; then
  echo "fresh-machine: the README's commands left the checkout unclean:" >&2
  echo "$status" >&2
  exit 1
fi
step "fresh machine passed"
