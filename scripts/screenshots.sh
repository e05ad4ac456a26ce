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
# A real Word file, so that the window shows its properties and no warning about them.
printf 'new\nsave %q\n' "$doc" | "$host" --host word --script - > /dev/null
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
dialog-resize 900 440
screenshot '$root/docs/browse-documents-resized.png'
dialog-click 2
open '$doc'
screenshot '$root/docs/toolbar-long-tag.png'
SCRIPT

# The Browse Tags dialog for presentations made larger: the list and the slide grow.
# The decks are open in the host while they are browsed, so their previews are made
# from the slides the host holds.
for team in "Team A" "Team B"; do
  echo "slides" > "$work/docs/$team/Quarterly review.ppt"
  "$cli" tag "$work/docs/$team/Quarterly review.ppt" "review, R&D, $team" > /dev/null
done
"$host" --host powerpoint --script - <<SCRIPT
open '$work/docs/Team A/Quarterly review.ppt' 4
open '$work/docs/Team B/Quarterly review.ppt' 3
click &Browse
dialog-set 203 'review'
dialog-key 206 Down
dialog-resize 1100 560
screenshot '$root/docs/browse-presentations-resized.png'
dialog-click 2
SCRIPT

# LibreOffice with the Quillmark tool bar: Writer and Impress in a private office on a
# private Xvfb display, the bridge (quillmark-office) connected to it through a pipe.
office=$root/build/libreoffice/office/quillmark-office
if ! command -v soffice > /dev/null || ! command -v Xvfb > /dev/null || ! command -v import > /dev/null; then
  echo "screenshots: soffice, Xvfb or import (imagemagick) missing; no LibreOffice pictures" >&2
  exit 0
fi
cat > "$work/Budget 2026.fodt" <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.text">
<office:body><office:text><text:h>Budget 2026</text:h><text:p>Quarterly numbers.</text:p></office:text></office:body></office:document>
XML
cat > "$work/Quarterly review.fodp" <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0" xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0" office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.presentation">
<office:body><office:presentation>
<draw:page draw:name="p1"><draw:frame svg:x="2cm" svg:y="2cm" svg:width="22cm" svg:height="4cm"><draw:text-box><text:p>Quarterly review</text:p></draw:text-box></draw:frame></draw:page>
<draw:page draw:name="p2"><draw:frame svg:x="2cm" svg:y="2cm" svg:width="22cm" svg:height="4cm"><draw:text-box><text:p>Revenue</text:p></draw:text-box></draw:frame></draw:page>
</office:presentation></office:body></office:document>
XML
convert_to() { soffice --headless "-env:UserInstallation=file://$work/convert-profile" --convert-to "$1" --outdir "$work/docs" "$2" > /dev/null 2>&1; }
convert_to docx "$work/Budget 2026.fodt"
convert_to pptx "$work/Quarterly review.fodp"
lodoc="$work/docs/Budget 2026.docx"
lodeck="$work/docs/Quarterly review.pptx"
"$cli" tag "$lodoc" "budget, Finance 2026, R&D" > /dev/null
"$cli" tag "$lodeck" "review, R&D" > /dev/null

# A free display number, the X server, and the office on it; both ended on exit.
display=99
while [[ -e /tmp/.X$display-lock || -e /tmp/.X11-unix/X$display ]]; do display=$((display + 1)); done
xvfb_pid='' soffice_pid='' bridge_pid=''
end_all() {
  exec 3>&- 2> /dev/null || true
  [[ -n "$bridge_pid" ]] && { wait "$bridge_pid" 2> /dev/null || true; }
  [[ -n "$soffice_pid" ]] && { kill "$soffice_pid" 2> /dev/null || true; wait "$soffice_pid" 2> /dev/null || true; }
  [[ -n "$xvfb_pid" ]] && { kill "$xvfb_pid" 2> /dev/null || true; wait "$xvfb_pid" 2> /dev/null || true; }
  rm -rf "$work"
}
trap end_all EXIT
Xvfb ":$display" -screen 0 1280x800x24 -nolisten tcp > /dev/null 2>&1 & xvfb_pid=$!
for _ in $(seq 50); do [[ -e /tmp/.X11-unix/X$display ]] && break; sleep 0.1; done
pipe="quillmark-shots-$$"
DISPLAY=":$display" soffice "-env:UserInstallation=file://$work/office-profile" "--accept=pipe,name=$pipe;urp;" \
  --norestore --nologo --nolockcheck --nodefault > /dev/null 2>&1 & soffice_pid=$!
bridge() { DISPLAY=":$display" QT_QPA_PLATFORM=offscreen "$office" --connect "pipe,name=$pipe" --script - "$@"; }
for _ in $(seq 120); do  # until the office accepts the bridge
  bridge --host word --no-addins <<< documents > /dev/null 2>&1 && break
  kill -0 "$soffice_pid" 2> /dev/null || { echo "screenshots: LibreOffice ended at its start" >&2; exit 1; }
  sleep 0.5
done

# One bridge session per picture: the document opened through it, the screen taken
# once the tool bar is listed, then the session ends (closing its document).
shoot() {  # host document picture
  local fifo="$work/bridge.in" out="$work/bridge.out"
  rm -f "$fifo"; mkfifo "$fifo"; : > "$out"
  bridge --host "$1" < "$fifo" > "$out" 2>&1 & bridge_pid=$!
  exec 3> "$fifo"
  printf "open '%s'\ntoolbar\necho shown\n" "$2" >&3
  for _ in $(seq 300); do grep -q '^shown$' "$out" && break; kill -0 "$bridge_pid" 2> /dev/null || break; sleep 0.2; done
  if ! grep -q '^shown$' "$out"; then cat "$out" >&2; echo "screenshots: the bridge did not open $2" >&2; exit 1; fi
  sleep 3 # the office paints the window and its tool bars
  DISPLAY=":$display" import -window root "$3"
  echo quit >&3; exec 3>&-
  wait "$bridge_pid" || true; bridge_pid=''
}
shoot word "$lodoc" "$root/docs/libreoffice-writer.png"
shoot powerpoint "$lodeck" "$root/docs/libreoffice-impress.png"
