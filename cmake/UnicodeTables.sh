#!/bin/sh
# Writes the character classes that the warning needs, from the Unicode data files of
# Debian's unicode-data (UNICODE_DIR, usually /usr/share/unicode), as a C++ header (OUT):
#   HiddenCharacters: what does not show as itself: controls, format characters, surrogates,
#     private use, unassigned code points, line and paragraph separators, every space but
#     U+0020, every Default_Ignorable_Code_Point (Hangul fillers, variation selectors...) and
#     the object replacement character;
#   CombiningMarks: the marks (Mn, Mc, Me), which draw on the character before them.
# Each as sorted ranges of code points, adjacent ones joined, packed as below.
# usage: UnicodeTables.sh UNICODE_DIR OUT
set -eu
data=$1
out=$2
categories="$data/extracted/DerivedGeneralCategory.txt"
properties="$data/DerivedCoreProperties.txt"
for file in "$categories" "$properties"; do
  [ -r "$file" ] || { echo "UnicodeTables.sh: $file is missing (Debian package unicode-data)" >&2; exit 1; }
done

# The code point ranges ("FIRST LAST", decimal) of the values of the second field named.
ranges() { # VALUES FILE
  awk -v want="$1" -F';' '
    function number(hex,   i, n) { n = 0; hex = toupper(hex)
      for (i = 1; i <= length(hex); i++) n = n * 16 + index("0123456789ABCDEF", substr(hex, i, 1)) - 1
      return n }
    !/^#/ && NF >= 2 {
      split($1, r, "[.][.]"); gsub(/ /, "", r[1]); gsub(/ /, "", r[2])
      value = $2; sub(/#.*/, "", value); gsub(/ /, "", value)
      if (index("," want ",", "," value ",")) print number(r[1]), number(r[2] == "" ? r[1] : r[2]) }' "$2"
}
join_ranges() { sort -n -k1,1 | awk 'NR == 1 { s = $1; e = $2; next }
  $1 <= e + 1 { if ($2 > e) e = $2; next } { print s, e; s = $1; e = $2 } END { if (NR) print s, e }'; }
# As bytes: for each range the distance from the end of the one before (from 0 for the
# first) and its length less one, each a LEB128 number (seven bits a byte, low ones first).
# About 2.5 bytes a range where pairs of 32-bit numbers took 8.
table() { # NAME
  printf 'inline constexpr unsigned char %s[] = {\n' "$1"
  awk 'function number(n,   b) { do { b = n % 128; n = int(n / 128); if (n > 0) b += 128; printf "0x%X,", b } while (n > 0) }
       { printf "   "; number($1 - at); number($2 - $1); printf "\n"; at = $2 + 1 }'
  printf '};\n'
}

{
  echo "// Made by cmake/UnicodeTables.sh from the Unicode data files; not to be edited."
  echo "#pragma once"
  { ranges Cc,Cf,Cs,Co,Cn,Zl,Zp,Zs "$categories" | awk '!($1 == 32 && $2 == 32)'
    ranges Default_Ignorable_Code_Point "$properties"
    # U+FFFC stands for an object that the text does not show; its glyph may be nothing.
    echo 65532 65532; } | join_ranges | table HiddenCharacters
  ranges Mn,Mc,Me "$categories" | join_ranges | table CombiningMarks
} >"$out.new"
mv "$out.new" "$out"
