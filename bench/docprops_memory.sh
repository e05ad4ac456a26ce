#!/usr/bin/env bash
# Peak resident memory of reading the five document properties of a 300 MB .docx,
# and of writing them into it, each in a fresh process (getrusage). The document
# is made here: a core properties part and 300 MB of incompressible media, stored.
# Usage: bench/docprops_memory.sh [BUILD_DIR]   (SIZE_MB=n for another size)
# The write is measured twice: replacing the file, and rewriting it in place as a
# file with a second hard link is.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
size_mb=${SIZE_MB:-300}
tool="$build/bench/docprops_memory"
[[ -x $tool ]] || { echo "missing: $tool (build the target docprops_memory)" >&2; exit 1; }

dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
doc="$dir/large.docx"
python3 - "$doc" "$size_mb" <<'PY'
import os, sys, zipfile
path, size_mb = sys.argv[1], int(sys.argv[2])
with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
    z.writestr("[Content_Types].xml", '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
               '<Override PartName="/docProps/core.xml" ContentType="application/vnd.openxmlformats-package.core-properties+xml"/></Types>')
    z.writestr("_rels/.rels", '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
               '<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/package/2006/relationships/metadata/core-properties" '
               'Target="docProps/core.xml"/></Relationships>')
    z.writestr("word/document.xml", "<w:document xmlns:w='http://schemas.openxmlformats.org/wordprocessingml/2006/main'/>")
    with z.open(zipfile.ZipInfo("word/media/video.bin"), "w", force_zip64=True) as media:
        for _ in range(size_mb):
            media.write(os.urandom(1 << 20))
    z.writestr("docProps/core.xml", '<cp:coreProperties xmlns:cp="http://schemas.openxmlformats.org/package/2006/metadata/core-properties" '
               'xmlns:dc="http://purl.org/dc/elements/1.1/"><dc:title>Large</dc:title><cp:keywords>a, b</cp:keywords></cp:coreProperties>')
PY
echo "document: $(( $(stat -c %s "$doc") / 1048576 )) MB"
"$tool" read "$doc"
"$tool" write "$doc"
"$tool" read "$doc"
ln "$doc" "$dir/second-name.docx"
echo "with a second hard link (rewritten in place):"
"$tool" write "$doc"
