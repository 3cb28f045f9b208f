#!/usr/bin/env bash
# Refreshes the English translation source after texts of the window changed:
# marks the form's texts that hold no Chinese (numbers, port names, values)
# as not for translation, then lets lupdate add new texts to
# translations/t3208tool_en.ts and drop the vanished ones. Translate the new
# entries (they are marked unfinished), then rebuild; the tst_translations
# check fails while any is left.
set -euo pipefail
cd "$(dirname "$0")/.."
lupdate=${LUPDATE:-/usr/lib/qt6/bin/lupdate}
for ui in $(find src -name '*.ui'); do
    perl -CSD -i -pe 's{<string>([^<\p{Han}\x{3000}-\x{303f}\x{ff00}-\x{ffef}]*)</string>}{<string notr="true">$1</string>}g; s{<string\s*/>}{<string notr="true"/>}g' "$ui"
done
"$lupdate" -silent -no-obsolete -locations none -source-language zh_CN -target-language en \
    src app -ts translations/t3208tool_en.ts
