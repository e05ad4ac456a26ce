#!/usr/bin/env bash
# The main job: the simulated Word and PowerPoint start with Quillmark loaded from
# the registry (scripts/setup.sh installed it) and show its toolbar; a document and
# a presentation are tagged with the quillmark command and through the Tag dialog,
# and found again. With a display the two host windows open at the end (close them
# to finish); without one their pictures are written to build/demo/. The tags go to
# a throw-away database, so the user's own tags are untouched.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
host=$root/build/simoffice/quillmark-host
cli=$root/build/cli/quillmark
out=$root/build/demo
mkdir -p "$out"

# Documents in the temporary folder are never tagged, so the demo's documents live
# in build/demo/docs of this clone, or, when the clone itself lies in the temporary
# folder, in ~/quillmark-demo.
temp=$(realpath -m "${TMPDIR:-/tmp}")
in_temp() { local p; p=$(realpath -m "$1"); [[ "$p/" == "$temp/"* || "$p/" == /tmp/* ]]; }
docs=$out/docs
if in_temp "$docs"; then
  docs=$HOME/quillmark-demo
  if in_temp "$docs"; then
    echo "demo: both this clone and \$HOME lie in the temporary folder ($temp); documents there cannot be tagged" >&2
    exit 1
  fi
fi
rm -rf "$docs"
mkdir -p "$docs"
echo "documents: $docs"

work=$(mktemp -d "$out/run.XXXXXX")
trap 'rm -rf "$work"' EXIT
export XDG_DATA_HOME="$work/data"
if [[ -z "${XDG_RUNTIME_DIR:-}" ]]; then
  mkdir -m 700 "$work/runtime"
  export XDG_RUNTIME_DIR="$work/runtime"
fi

# Installed by setup; installing the freshly built library again is harmless.
"$host" --install-addin build/addin/libquillmark.so

# A real document and a real three-slide presentation, made by LibreOffice; plain
# files when it is missing.
doc="$docs/Budget 2026.docx"
deck="$docs/Quarterly review.pptx"
cat > "$work/Budget 2026.fodt" <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.text">
<office:body><office:text><text:h>Budget 2026</text:h><text:p>Quarterly numbers.</text:p></office:text></office:body></office:document>
XML
page() {
  printf '<draw:page draw:name="%s" draw:master-page-name="Default"><draw:frame presentation:style-name="T" presentation:class="title" svg:x="2cm" svg:y="1cm" svg:width="24cm" svg:height="3cm"><draw:text-box><text:p>%s</text:p></draw:text-box></draw:frame><draw:frame svg:x="3cm" svg:y="5cm" svg:width="22cm" svg:height="8cm"><draw:text-box><text:p>%s</text:p></draw:text-box></draw:frame></draw:page>\n' "$@"
}
{
  cat <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0" xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0" xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0" xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0" xmlns:presentation="urn:oasis:names:tc:opendocument:xmlns:presentation:1.0" office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.presentation">
<office:styles><style:style style:name="T" style:family="presentation"/></office:styles>
<office:automatic-styles><style:page-layout style:name="PM1"><style:page-layout-properties fo:page-width="28cm" fo:page-height="15.75cm"/></style:page-layout></office:automatic-styles>
<office:master-styles><style:master-page style:name="Default" style:page-layout-name="PM1"><draw:frame presentation:style-name="T" presentation:class="title" presentation:placeholder="true" svg:x="2cm" svg:y="1cm" svg:width="24cm" svg:height="3cm"><draw:text-box/></draw:frame></style:master-page></office:master-styles>
<office:body><office:presentation>
XML
  page p1 "Quarterly review" "Where the money went"
  page p2 "Revenue" "Up eight percent on the year"
  page p3 "Next steps" "Budget 2026, hiring, the new office"
  echo '</office:presentation></office:body></office:document>'
} > "$work/Quarterly review.fodp"
if command -v soffice > /dev/null; then
  soffice=(soffice --headless "-env:UserInstallation=file://$work/profile")
  "${soffice[@]}" --convert-to docx --outdir "$docs" "$work/Budget 2026.fodt" > /dev/null 2>&1 || true
  "${soffice[@]}" --convert-to pptx --outdir "$docs" "$work/Quarterly review.fodp" > /dev/null 2>&1 || true
fi
[[ -f "$doc" ]] || echo "Quarterly numbers" > "$doc"
[[ -f "$deck" ]] || echo "Slides" > "$deck"

quote() { if [[ $1 =~ ^[A-Za-z0-9_./=-]+$ ]]; then printf ' %s' "$1"; else printf " '%s'" "$1"; fi; }
run() { printf '$ quillmark'; for a in "$@"; do quote "$a"; done; echo; "$cli" "$@"; }
run tag "$doc" "budget, Finance 2026, R&D"
run tag "$deck" "budget, review"

echo "\$ quillmark-host --host word"
"$host" --host word --script - <<SCRIPT
addins
open '$doc'
keywords
save
keywords
toolbar
click budget
dialog
dialog-click 2
search finance
dialog
dialog-click 2
SCRIPT

# The Tag dialog, opened through the toolbar: it shows the document's tags with the
# placeholder selected; a tag is typed over it and "Tag" stores them while the
# progress panel names each step.
echo "\$ quillmark-host --host word   # tagging through the Tag dialog"
"$host" --host word --script - --screenshot "$out/word.png" <<SCRIPT
open '$doc'
click &Tag
dialog
dialog-set 203 'budget, Finance 2026, R&D, approved'
dialog-click 1
toolbar
SCRIPT
run show "$doc"

# Browsing by a tag in PowerPoint: the first click makes the slide previews, the
# pane shows them; screenshots of both Browse dialogs go to build/demo/.
shots=$out
echo "\$ quillmark-host --host powerpoint"
"$host" --host powerpoint --script - --screenshot "$out/powerpoint.png" <<SCRIPT
addins
open '$deck'
save
slide-list
toolbar
click review
dialog-list-click 206 0
dialog-click 214
dialog
screenshot '$shots/browse-presentations.png'
dialog-click 2
SCRIPT

echo "\$ quillmark-host --host word"
"$host" --host word --script - <<SCRIPT
click &Browse
dialog-list-click 206 0
dialog
screenshot '$shots/browse-documents.png'
dialog-click 2
SCRIPT

run find budget
run show "$doc"
echo "database: $XDG_DATA_HOME/quillmark/tags.xml"
cat "$XDG_DATA_HOME/quillmark/tags.xml"

# The same add-in in LibreOffice: Writer as Word, Impress as PowerPoint, through a
# private headless office that quillmark-office starts and ends.
office=$root/build/libreoffice/office/quillmark-office
echo "\$ quillmark-office --host word --headless"
"$office" --host word --headless --script - <<SCRIPT
open '$doc'
keywords
toolbar
SCRIPT
echo "\$ quillmark-office --host powerpoint --headless"
"$office" --host powerpoint --headless --script - <<SCRIPT
open '$deck'
slide-list
toolbar
SCRIPT

if [[ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" && "${QUILLMARK_DEMO_WINDOWS:-1}" != 0 ]]; then
  echo "The Word and PowerPoint windows and LibreOffice (with the Quillmark tool bar) are open; close them to end the demo."
  "$host" --host word "$doc" & word=$!
  "$host" --host powerpoint "$deck" & powerpoint=$!
  "$office" "$doc" "$deck" & libreoffice=$!
  wait "$word" "$powerpoint" "$libreoffice"
else
  echo "no display: pictures of the host windows are in $out/word.png and $out/powerpoint.png"
fi
