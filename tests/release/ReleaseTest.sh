#!/usr/bin/env bash
# The package players download: scripts/release twice, from the same tree, into two folders.
# The zip holds exactly the build's Tessaly.exe, a guide that Notepad shows as text and the
# exe's checksum; both runs give the same bytes.
set -uo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0
check() { # WHAT CONDITION...
  local what=$1
  shift
  if "$@"; then echo "release test: ok: $what"; else echo "release test: FAILED: $what" >&2; failures=$((failures + 1)); fi
}

RELEASE_DIR="$work/a" "$root/scripts/release" >"$work/a.out" 2>/dev/null || { echo "release test: FAILED: scripts/release" >&2; exit 1; }
RELEASE_DIR="$work/b" "$root/scripts/release" >/dev/null 2>&1
zip="$work/a/Tessaly-1.0.zip"
check "two runs give the same zip" cmp -s "$zip" "$work/b/Tessaly-1.0.zip"
check "the zip's path and both hashes are printed last" \
  grep -qx "release: SHA-256 of the zip: $(sha256sum "$zip" | cut -d' ' -f1)" <(tail -n 1 "$work/a.out")

mkdir "$work/x" && (cd "$work/x" && unzip -q "$zip")
check "exactly three entries, ASCII names" test "$(unzip -Z1 "$zip" | LC_ALL=C grep -c '^[ -~]*$')" = 3 -a \
  "$(unzip -Z1 "$zip" | sort | tr '\n' ' ')" = "SHA256SUMS.txt Tessaly-ru.txt Tessaly.exe "
check "Tessaly.exe is the build's" cmp -s "$work/x/Tessaly.exe" "$root/build/Tessaly.exe"
check "SHA256SUMS.txt verifies" sh -c "cd '$work/x' && sha256sum -c SHA256SUMS.txt >/dev/null"

guide="$work/x/Tessaly-ru.txt"
check "the guide starts with the UTF-8 byte-order mark" test "$(head -c 3 "$guide" | od -An -tx1 | tr -d ' ')" = efbbbf
check "the guide's lines end with CRLF only" test "$(tr -cd '\n' <"$guide" | wc -c)" = "$(grep -c $'\r$' "$guide")" -a \
  "$(tr -cd '\r' <"$guide" | wc -c)" = "$(tr -cd '\n' <"$guide" | wc -c)"
check "no Markdown marks in the guide" sh -c "! grep -q -e '\*\*' -e '\`' -e '^#' -e '](' '$guide'"
# Key sentences, whatever the wrapping: the text with its line breaks folded into spaces.
text="$(tr -d '\r' <"$guide" | tr '\n' ' ' | tr -s ' ')"
for sentence in "Tessaly убирает с компьютера следы, которые оставил установщик патчей Vorenta" \
  "Вы ТОЧНО уверены? Удаление необратимо !!!" "Tessaly-1.0.zip" "certutil -hashfile Tessaly.exe SHA256" \
  "Get-FileHash .\\Tessaly.exe -Algorithm SHA256" "SHA256SUMS.txt"; do
  check "the guide says \"$sentence\"" grep -qF -- "$sentence" <<<"$text"
done
echo "release test: $failures failed"
[ "$failures" = 0 ]
