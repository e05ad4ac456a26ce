#!/usr/bin/env bash
# Makes the dialog pictures of docs/ with quillmark-host's `screenshot` command:
# the Tag dialog of a tagged Word document, Options and About. Everything runs in a
# throw-away sandbox (registry, data, temporary folder); build/ must be built.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
host=$root/build/simoffice/quillmark-host
cli=$root/build/cli/quillmark
work=$(mktemp -d "$root/build/shots.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/docs" "$work/tmp" "$work/data" "$work/config" "$work/cache"
mkdir -m 700 "$work/runtime"
export QUILLMARK_REGISTRY="$work/registry.reg" XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" \
  XDG_CACHE_HOME="$work/cache" XDG_RUNTIME_DIR="$work/runtime" TMPDIR="$work/tmp" QT_QPA_PLATFORM=offscreen
"$host" --install-addin "$root/build/addin/libquillmark.so" > /dev/null
doc="$work/docs/Budget 2026.doc"
echo "Quarterly numbers" > "$doc"
"$cli" tag "$doc" "budget, Finance 2026" > /dev/null
mkdir -p "$root/docs"
"$host" --host word --script - <<SCRIPT
open '$doc'
click &Tag
screenshot '$root/docs/tag-dialog.png'
dialog-click 2
click &Options...
screenshot '$root/docs/options-dialog.png'
dialog-click 2
click &About
screenshot '$root/docs/about-dialog.png'
dialog-click 1
SCRIPT

# The Browse Tags dialogs made larger, and the tool bar with an ampersand and a long tag.
mkdir -p "$work/docs/Team A" "$work/docs/Team B"
for team in "Team A" "Team B"; do
  echo "notes" > "$work/docs/$team/Meeting notes.doc"
  "$cli" tag "$work/docs/$team/Meeting notes.doc" "minutes, R&D, $team" > /dev/null
done
long="a tag of two hundred characters $(printf 'x%.0s' $(seq 1 169))"
"$cli" tag "$doc" "budget, R&D, $long" > /dev/null
"$host" --host word --script - <<SCRIPT
click &Browse
dialog-set 203 'minutes'
dialog-key 208 Enter
dialog-key 206 Down
dialog-resize 560 420
screenshot '$root/docs/browse-documents-resized.png'
dialog-click 2
open '$doc'
screenshot '$root/docs/toolbar-long-tag.png'
SCRIPT
