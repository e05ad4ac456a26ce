#!/usr/bin/env bash
# Milliseconds of Quillmark in a private headless LibreOffice: a tag item's click to the
# Browse dialog shown, and a document open to its tool bar in the frame. The add-in, its
# registry and the tag database live in a throw-away sandbox; build/ must be built.
#   bench/office_latency.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=$(realpath "${1:-build}")
for f in "$build/libreoffice/office/quillmark-office" "$build/simoffice/quillmark-host" "$build/addin/libquillmark.so"; do
  [[ -e "$f" ]] || { echo "office_latency: $f is missing; build it first" >&2; exit 2; }
done
# Documents in the temporary folder are never tagged: the sandbox lies in the build folder.
work=$(mktemp -d "$build/office-latency.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/docs" "$work/tmp" "$work/data" "$work/config" "$work/cache"
mkdir -m 700 "$work/runtime"
export QUILLMARK_REGISTRY="$work/registry.reg" XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" \
  XDG_CACHE_HOME="$work/cache" XDG_RUNTIME_DIR="$work/runtime" TMPDIR="$work/tmp" QT_QPA_PLATFORM=offscreen
unset DISPLAY WAYLAND_DISPLAY
"$build/simoffice/quillmark-host" --install-addin "$build/addin/libquillmark.so" > /dev/null
# python3-uno belongs to the system Python, not to one found earlier on PATH.
/usr/bin/python3 "$root/bench/office_latency.py" "$build" "$work"
