#!/usr/bin/env bash
# A tour of the simulated phone: the assistant's screen with the chosen GIF behind the flames, the
# settings pages in their colours, a GIF imported from the photo library, and the store carrying each
# change from the Settings app to the assistant.
set -euo pipefail

SIM="$1"
GIFGEN="$2"
OUT="$(mkdir -p "$3" && cd "$3" && pwd)"
ROOT="$OUT/device"
ID=com.velmarok.zovaprefs

# Bold headings on a terminal only: a log or a pipe gets plain text.
if [ -t 1 ]; then
  step() { printf '\n\033[1m== %s\033[0m\n' "$*"; }
else
  step() { printf '\n== %s\n' "$*"; }
fi
sim() { "$SIM" --root "$ROOT" "$@"; }
picture() { printf '   picture: %s\n' "$OUT/$1"; }

rm -rf "$ROOT"
rm -f "$OUT"/*.png "$OUT"/*.gif "$OUT"/*.json
started=$SECONDS

step "A fresh phone: install the two packages (the tweak, the settings bundle)"
sim install
"$GIFGEN" --photo "$ROOT/var/mobile/Media/DCIM/IMG_0001.gif"
echo "   and one GIF of the user's own in the photo library: /var/mobile/Media/DCIM/IMG_0001.gif"

step "The assistant at the default settings: the first picture behind the flames, fully opaque"
sim assistant --pretty show dump screenshot "$OUT/1-assistant-default.png" record "$OUT/1-assistant-default.gif" 3 > "$OUT/1-assistant-default.json"
picture 1-assistant-default.png
picture 1-assistant-default.gif

step "The Settings app: Zova's root page, the opacity switch turned off, picture 2 chosen"
sim settings open Zova screenshot "$OUT/2-settings-root.png" \
  tap "Full opacity" screenshot "$OUT/3-settings-opacity-off.png" \
  tap Picture row 2 screenshot "$OUT/4-settings-picture-2.png"
picture 2-settings-root.png
picture 3-settings-opacity-off.png
picture 4-settings-picture-2.png
printf '   the store now holds: '
sim defaults read "$ID"

step "The assistant again: picture 2 in its 500-point square, at half opacity"
sim assistant --pretty show screenshot "$OUT/5-assistant-picture-2.png" dump > "$OUT/5-assistant-picture-2.json"
picture 5-assistant-picture-2.png

step "The Settings app: full opacity back on, the custom picture chosen, its button, a GIF imported, the banner"
sim settings open Zova tap "Full opacity" tap Picture row 5 screenshot "$OUT/6-settings-choose-button.png" \
  tap "Choose your picture" pick IMG_0001.gif wait 0.3 screenshot "$OUT/7-settings-banner.png" wait 1.5
picture 6-settings-choose-button.png
picture 7-settings-banner.png

step "The assistant once more, with the imported GIF"
sim assistant --pretty show screenshot "$OUT/8-assistant-imported.png" record "$OUT/8-assistant-imported.gif" 3 dump > "$OUT/8-assistant-imported.json"
picture 8-assistant-imported.png
picture 8-assistant-imported.gif

step "What the overlay makes of the imported GIF"
"$SIM" gif "$ROOT/var/mobile/Documents/siricustom.gif" --pretty

printf '\nDone in %ss. The pictures are in %s, the phone in %s\n' "$((SECONDS - started))" "$OUT" "$ROOT"
printf 'The phone live in a browser (Ctrl-C stops it): ./dev sim --root %q serve\n' "$ROOT"
