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
