#!/usr/bin/env bash
# The package players download: scripts/release twice, into two folders. The zip holds exactly
# the build's Tessaly.exe, its checksum and a guide that Notepad shows as plain text; both
# runs give the same bytes.
set -uo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failed=0
check() { "${@:2}" || { echo "release test: FAILED: $1" >&2; failed=1; }; }

RELEASE_DIR="$work/a" "$root/scripts/release" >"$work/said" 2>/dev/null && RELEASE_DIR="$work/b" "$root/scripts/release" >/dev/null 2>&1 ||
  { echo "release test: FAILED: scripts/release" >&2; exit 1; }
zip="$work/a/Tessaly-1.0.zip"
check "two runs give the same zip" cmp -s "$zip" "$work/b/Tessaly-1.0.zip"
check "the zip's hash is printed last" test "$(tail -n 1 "$work/said")" = "release: SHA-256 of the zip: $(sha256sum "$zip" | cut -d' ' -f1)"
check "exactly three entries, ASCII names" test "$(unzip -Z1 "$zip" | LC_ALL=C sort | tr '\n' ' ')" = "SHA256SUMS.txt Tessaly-ru.txt Tessaly.exe "
mkdir "$work/x" && cd "$work/x" && unzip -q "$zip"
check "Tessaly.exe is the build's" cmp -s Tessaly.exe "$root/build/Tessaly.exe"
check "SHA256SUMS.txt verifies" sha256sum --quiet -c SHA256SUMS.txt
check "a byte-order mark" test "$(head -c 3 Tessaly-ru.txt | od -An -tx1 | tr -d ' ')" = efbbbf
check "CRLF line ends only" test "$(tr -cd '\r' <Tessaly-ru.txt | wc -c)" = "$(grep -c $'\r$' Tessaly-ru.txt)" -a "$(grep -c $'\r$' Tessaly-ru.txt)" = "$(tr -cd '\n' <Tessaly-ru.txt | wc -c)"
check "no Markdown marks" test "$(grep -c -e '\*\*' -e '`' -e '^#' -e '](' Tessaly-ru.txt)" = 0
# Key sentences, whatever the wrapping: the text with its line breaks folded into spaces.
text="$(tr -d '\r' <Tessaly-ru.txt | tr '\n' ' ' | tr -s ' ')"
for sentence in "Tessaly убирает с компьютера следы, которые оставил установщик патчей Vorenta" "Вы ТОЧНО уверены? Удаление необратимо !!!" \
  "Скачивайте архив Tessaly-1.0.zip целиком" "certutil -hashfile Tessaly.exe SHA256" "Get-FileHash .\\Tessaly.exe -Algorithm SHA256" "type SHA256SUMS.txt"; do
  check "the guide says \"$sentence\"" grep -qF -- "$sentence" <<<"$text"
done
[ "$failed" = 0 ] && echo "release test: the zip holds what it should, twice the same"
