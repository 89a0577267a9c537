#!/usr/bin/env bash
# The decisions of scripts/setup against stand-ins first on PATH (tests/setup/fake-apt):
# the machine's packages are never touched.
set -u
here="$(cd "$(dirname "$0")" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin"
for tool in apt-get apt-cache dpkg dpkg-query locale sudo debootstrap unshare chroot; do ln -s "$here/fake-apt" "$work/bin/$tool"; done
passed=0 failed=0

# CASE 32BIT(yes|no) [STATE-FILE[=CONTENT]...]: the set-up on a fresh fake machine.
run_setup() {
  export FAKE_DIR="$work/$1"
  mkdir "$FAKE_DIR"
  local bits=$2 file
  shift 2
  for file in "$@"; do echo "${file#*=}" >"$FAKE_DIR/${file%%=*}"; done
  rerun_setup "$bits"
}
rerun_setup() {
  : >"$FAKE_DIR/calls"
  status=0
  out="$(PATH="$work/bin:$PATH" TESSALY_WINE= TESSALY_WINE_ROOT="$FAKE_DIR/root" SETUP_ASSUME_32BIT=$1 SETUP_RETRY_PAUSE=0 bash "$here/../../scripts/setup" 2>&1)" || status=$?
}
calls() { grep -c -E "$1" "$FAKE_DIR/calls"; }
has() { grep -qxF "$1" "$FAKE_DIR/installed"; }
said() { grep -qF "$1" <<<"$out"; }
expect() { # WHAT CONDITION
  if (cd "$FAKE_DIR" && eval "$2"); then passed=$((passed + 1)); else
    failed=$((failed + 1))
    printf 'FAILED: %s: %s\n%s\n' "$1" "$2" "$out"
  fi
}

run_setup fresh yes
expect "a fresh machine gets both steps" '[ $status = 0 ] && has wine64 && has wine32:i386 && grep -qx i386 arches'
rerun_setup yes
expect "a second run asks apt nothing" '[ $(calls ^apt) = 0 ] && [ $(wc -l <calls) -le 20 ]'

run_setup index_fails yes update-fails no-i386-index
expect "a failing index fails nothing by itself" '[ $status = 0 ] && [ $(calls "^apt-get update") = 6 ] && has wine64 &&
  said "wine32:i386 cannot be had here (the i386 package index is unavailable)"'

# The host's wine32:i386 cannot be installed: Wine in a root of the project's own, made
# from bookworm's main suite with i386 added, every mount inside a namespace of its own.
run_setup i386_fails yes install-fails=^wine32
expect "a failing i386 install makes a root" '[ $status = 0 ] && said "(apt-get: E: Unable to correct" &&
  [ $(calls "^unshare.* debootstrap --arch=amd64 --variant=minbase bookworm .*/root.new ") = 1 ] &&
  [ $(calls "^unshare.* chroot .*add-architecture i386") = 1 ] && [ $(calls "^(debootstrap|chroot)") = 2 ] &&
  grep -qw wine32 root-installed && [ -f root/.tessaly-wine-root-1 ] && [ ! -e root.new ]'
rerun_setup yes
expect "a second run keeps the root" '[ $status = 0 ] && [ $(calls "debootstrap|chroot") = 0 ]'

run_setup root_fails yes install-fails=^wine32 root-fails
expect "a root that cannot be made is named" '[ $status = 0 ] && said "could not be installed: E:" &&
  said "32-bit Wine could not be had" && [ ! -e root ]'

run_setup base_fails yes install-fails=^wine64$
expect "a failing first step fails the set-up" '[ $status != 0 ] && said "E: Unable to correct" && [ $(calls i386) = 0 ]'

run_setup no_32bit no
expect "no 32-bit programs, no i386" '[ $status = 0 ] && [ $(calls "add-architecture|^apt.*wine32") = 0 ] && said "cannot run 32-bit"'

echo "setup tests: $passed passed, $failed failed"
[ "$failed" = 0 ]
