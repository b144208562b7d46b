#!/usr/bin/env bash
# A scripted tour of the simulated device: the tweak injected into an assistant host, the settings
# store shared across processes, and what the overlay makes of each picture.
set -euo pipefail

SIM="$1"
OUT="$2"
ROOT="$OUT/device"
ID=com.velmarok.zovaprefs

step() { printf '\n\033[1m== %s\033[0m\n' "$*"; }
sim() { "$SIM" --root "$ROOT" "$@"; }

rm -rf "$ROOT"
mkdir -p "$OUT"

step "A fresh device: install the tweak, its filter and the settings bundle's pictures"
sim install
find "$ROOT" -type f | sed "s|^$ROOT||" | sort

step "The assistant at the default settings: picture 0, full opacity (view tree as JSON)"
sim assistant show dump | tee "$OUT/assistant-default.json" | cut -c1-400
echo "..."

step "A watcher process follows the store while other processes write it"
sim watch "$ID" --seconds 3 > "$OUT/watch.jsonl" &
WATCHER=$!
sleep 0.5
sim defaults write "$ID" trasparente -bool NO
sim defaults write "$ID" siripic -int 2
sleep 0.5
kill -INT "$WATCHER" 2>/dev/null || true
wait "$WATCHER" 2>/dev/null || true
cat "$OUT/watch.jsonl"

step "The stored values"
sim defaults read "$ID"

step "The assistant again: picture 2 in its 500 x 500 container, at half opacity"
sim assistant show dump | tee "$OUT/assistant-picture2.json" | grep -o '"class": "UIView", "frame": \[[^]]*\]' | head -1
grep -o '"class": "UIImageView", "frame": \[[^]]*\], "alpha": [0-9.]*' "$OUT/assistant-picture2.json"

step "A setting changed while the assistant runs takes effect at its next placement"
( sleep 0.5; sim defaults write "$ID" acceso -bool NO ) &
sim assistant show wait 1.2 show dump | grep -c UIImageView | sed 's/^/image views in the window after turning the overlay off: /' || true
wait

step "What the overlay makes of each shipped picture"
for picture in a b c h e; do
  "$SIM" gif "$ROOT/Library/PreferenceBundles/zovaprefs.bundle/$picture.gif"
done

printf '\nThe device is in %s\n' "$ROOT"
