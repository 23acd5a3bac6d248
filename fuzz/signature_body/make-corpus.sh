#!/usr/bin/env bash
# Writes the seed corpus: deciphered bodies of a few small libraries, compiled by vlbc.
#   fuzz/signature_body/make-corpus.sh <build dir>
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
vlbc=${1:?build dir}/tools/vlbc
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cat > "$work/empty.vls" <<'SRC'
# no records at all
SRC
cat > "$work/test.vls" < "$here/../../signatures/test_signature.vls"
cat > "$work/mixed.vls" <<'SRC'
pattern 0x2A "CreateObject" note "object creation"
pattern 0x2B "Shell" case
pattern 0x2C "\xB0\xA1病毒" utf16
pattern 0x2D "x"
rule 0x1 "Mixed.A" = (p(0x2A) + p(0x2B) + p(0x2C)) / 3 > 0
rule 0x2 "Mixed.B" disabled = r(0x1) * 2 - single(0.5) xor not p(0x2D)
rule 0x3 "Mixed.C" = node(0x41, 1, truth(3), -1.5) or r(0x3) == 0
rule 0x4 "Mixed.Hex" = hex 20000000 03 00000000 01000000
SRC
for name in empty test mixed; do
  SOURCE_DATE_EPOCH=1450828800 "$vlbc" compile --body -o "$here/corpus/$name.body" "$work/$name.vls"
  # Its damaged kin (cut, flipped, overwritten): cmake --build <build dir> --target damage_seeds
  "$1/fuzz/damage_seeds" 1 "$here/corpus/$name.body"
done
