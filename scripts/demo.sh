#!/usr/bin/env bash
# Tags a file with the freshly built quillmark and finds it again, in a
# throw-away registry and database so that the user's own tags are untouched.
set -euo pipefail
cd "$(dirname "$0")/.."
bin=build/cli/quillmark
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export QUILLMARK_REGISTRY="$work/registry.reg" XDG_DATA_HOME="$work/data"

echo "Quarterly numbers" > "$work/Budget 2026.doc"
quote() { if [[ $1 =~ ^[A-Za-z0-9_./=-]+$ ]]; then printf ' %s' "$1"; else printf " '%s'" "$1"; fi; }
run() { printf '$ quillmark'; for a in "$@"; do quote "$a"; done; echo; "$bin" "$@"; }
run tag "$work/Budget 2026.doc" "budget, Finance 2026, R&D"
run show "$work/Budget 2026.doc"
run tags
run find finance --type doc
run fingerprint "$work/Budget 2026.doc"
echo "database: $XDG_DATA_HOME/quillmark/tags.xml"
cat "$XDG_DATA_HOME/quillmark/tags.xml"
