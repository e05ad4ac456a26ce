#!/usr/bin/env bash
# The main job: the simulated Word and PowerPoint start with Quillmark loaded from
# the registry (scripts/setup.sh installed it) and show its toolbar; a file is
# tagged with the quillmark command and through the Tag dialog, and found again. The tags go to a throw-away
# database, so the user's own tags are untouched.
set -euo pipefail
cd "$(dirname "$0")/.."
host=build/simoffice/quillmark-host
cli=build/cli/quillmark
# Outside the temporary folder: documents there are never tagged.
work=$(mktemp -d "$PWD/build/demo.XXXXXX")
trap 'rm -rf "$work"' EXIT
export XDG_DATA_HOME="$work/data"
if [[ -z "${XDG_RUNTIME_DIR:-}" ]]; then
  mkdir -m 700 "$work/runtime"
  export XDG_RUNTIME_DIR="$work/runtime"
fi

# Installed by setup; installing the freshly built library again is harmless.
"$host" --install-addin build/addin/libquillmark.so

doc="$work/Budget 2026.doc"
deck="$work/Quarterly review.ppt"
echo "Quarterly numbers" > "$doc"
echo "Slides" > "$deck"
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
"$host" --host word --script - <<SCRIPT
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
shots="$PWD/build/demo"
mkdir -p "$shots"
echo "\$ quillmark-host --host powerpoint"
"$host" --host powerpoint --script - <<SCRIPT
addins
open '$deck' 3
save
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
