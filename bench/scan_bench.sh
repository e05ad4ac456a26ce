#!/usr/bin/env bash
# Files per second of `quillmark scan` over 10,000 office files (.docx, .odt,
# .pptx, each with its own Keywords), beside `exiftool -Keywords -r` over the
# same folder in the same run: a first scan (every file gets a record, every file
# is hashed), a second one (nothing changes) and one after 1,000 files were
# moved and renamed. Best of three for each.
# Usage: bench/scan_bench.sh [BUILD_DIR]   (FILES=n for another size)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
count=${FILES:-10000}
quillmark="$build/cli/quillmark"
for tool in "$quillmark" exiftool python3; do
  command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 1; }
done

dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
corpus="$dir/corpus"
export TMPDIR="$dir/tmp" QUILLMARK_REGISTRY="$dir/registry.reg"
mkdir -p "$TMPDIR"

# The corpus: small but complete packages, 100 files a folder.
python3 - "$corpus" "$count" <<'PY'
import os, sys, zipfile
root, count = sys.argv[1], int(sys.argv[2])
core = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
        '<cp:coreProperties xmlns:cp="http://schemas.openxmlformats.org/package/2006/metadata/core-properties" '
        'xmlns:dc="http://purl.org/dc/elements/1.1/"><dc:title>File {i}</dc:title>'
        '<cp:keywords>project {p}, batch {b}, item {i}</cp:keywords></cp:coreProperties>')
types = ('<?xml version="1.0" encoding="UTF-8"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
         '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
         '<Default Extension="xml" ContentType="application/xml"/>'
         '<Override PartName="/docProps/core.xml" ContentType="application/vnd.openxmlformats-package.core-properties+xml"/></Types>')
rels = ('<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
        '<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/package/2006/relationships/metadata/core-properties" '
        'Target="docProps/core.xml"/></Relationships>')
meta = ('<?xml version="1.0" encoding="UTF-8"?><office:document-meta '
        'xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" '
        'xmlns:meta="urn:oasis:names:tc:opendocument:xmlns:meta:1.0" office:version="1.3"><office:meta>'
        '<meta:keyword>project {p}, batch {b}, item {i}</meta:keyword></office:meta></office:document-meta>')
body = 'Lorem ipsum dolor sit amet. ' * 200
for i in range(count):
    folder = os.path.join(root, 'f%03d' % (i // 100))
    os.makedirs(folder, exist_ok=True)
    kind = ('docx', 'odt', 'pptx')[i % 3]
    fields = dict(i=i, p=i % 17, b=i // 100)
    with zipfile.ZipFile(os.path.join(folder, 'file%05d.%s' % (i, kind)), 'w', zipfile.ZIP_DEFLATED) as z:
        if kind == 'odt':
            z.writestr(zipfile.ZipInfo('mimetype'), 'application/vnd.oasis.opendocument.text')
            z.writestr('meta.xml', meta.format(**fields))
            z.writestr('content.xml', '<x>%s %d</x>' % (body, i))
        else:
            z.writestr('[Content_Types].xml', types)
            z.writestr('_rels/.rels', rels)
            z.writestr('docProps/core.xml', core.format(**fields))
            z.writestr('word/document.xml' if kind == 'docx' else 'ppt/presentation.xml', '<x>%s %d</x>' % (body, i))
PY
sync

# Best wall time in milliseconds of three runs of the command (after `prepare`).
best_ms() {
  local prepare=$1; shift
  local best=
  for _ in 1 2 3; do
    eval "$prepare"
    local start end
    start=$(date +%s%N)
    "$@" >/dev/null 2>"$dir/stderr" || { cat "$dir/stderr" >&2; exit 1; }
    end=$(date +%s%N)
    local ms=$(((end - start) / 1000000))
    if [[ -z $best || $ms -lt $best ]]; then best=$ms; fi
  done
  echo "$best"
}
rate() { echo "$(( $1 * 1000 / ($2 > 0 ? $2 : 1) ))"; }

db="$dir/db/tags.xml"
first=$(best_ms 'rm -rf "$dir/db"' "$quillmark" --db "$db" scan "$corpus")
again=$(best_ms ':' "$quillmark" --db "$db" scan "$corpus")
# 1,000 files moved to another folder and renamed, found again by their content.
move_some() {
  cp "$db" "$dir/settled.xml"; cp "$db.scan" "$dir/settled.scan"
  rm -rf "$corpus/moved"; mkdir -p "$corpus/moved"
  find "$corpus" -name 'file0[0-9]*' -path '*/f00[0-9]/*' | while read -r f; do
    mv "$f" "$corpus/moved/renamed-$(basename "$f")"; done
}
restore() {
  for f in "$corpus"/moved/renamed-*; do
    name=$(basename "$f"); name=${name#renamed-}
    n=${name#file}; n=$((10#${n%%.*}))
    mv "$f" "$corpus/$(printf 'f%03d' $((n / 100)))/$name"
  done
  cp "$dir/settled.xml" "$db"; cp "$dir/settled.scan" "$db.scan"
}
move_some
moved=$(best_ms 'restore; move_some' "$quillmark" --db "$db" scan "$corpus")
exif=$(best_ms ':' exiftool -q -Keywords -r "$corpus")

files=$(find "$corpus" -type f | wc -l)
records=$(grep -c '<doc ' "$db")
printf '%-44s %8s %10s\n' "$files office files" "ms" "files/s"
printf '%-44s %8d %10d\n' "quillmark scan, first (all added, hashed)" "$first" "$(rate "$files" "$first")"
printf '%-44s %8d %10d\n' "quillmark scan, again (nothing changes)" "$again" "$(rate "$files" "$again")"
printf '%-44s %8d %10d\n' "quillmark scan, 1,000 moved and renamed" "$moved" "$(rate "$files" "$moved")"
printf '%-44s %8d %10d\n' "exiftool -Keywords -r" "$exif" "$(rate "$files" "$exif")"
echo "records in the database: $records"
