#!/usr/bin/env bash
# Seeds the layout fuzz corpus with the resource package's own markup files.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
uires="$here/../../frontend/uires"
cp "$uires/xml/dlg_main.xml" "$here/corpus/dlg_main.xml"
cp "$uires/xml/init.xml" "$here/corpus/init.xml"
cp "$uires/uires.idx" "$here/corpus/uires.idx"
cp "$uires/Translator/lang_cn.xml" "$here/corpus/lang_cn.xml"
# Their damaged kin (cut, flipped, overwritten), by the tool the build makes: cmake --build build --target damage_seeds
"${DAMAGE_SEEDS:-$here/../../build/fuzz/damage_seeds}" 1 "$here"/corpus/{dlg_main.xml,init.xml,uires.idx,lang_cn.xml}
