#!/usr/bin/env bash
# Makes the seed documents of the document fuzz targets with LibreOffice: a small
# text document and a two-slide presentation, each with properties, saved in every
# format the readers take. Run it again only when the seeds should change; the
# results are committed under fuzz/corpus/<target>/.
set -euo pipefail
cd "$(dirname "$0")/.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cat > "$work/seed.fodt" <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
  xmlns:meta="urn:oasis:names:tc:opendocument:xmlns:meta:1.0" xmlns:dc="http://purl.org/dc/elements/1.1/"
  xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" office:version="1.3"
  office:mimetype="application/vnd.oasis.opendocument.text">
 <office:meta>
  <dc:title>Seed title</dc:title><dc:subject>Seed subject</dc:subject><dc:creator>Seed Author</dc:creator>
  <dc:description>Seed comments</dc:description>
  <meta:keyword>budget</meta:keyword><meta:keyword>q3</meta:keyword><meta:keyword>Ünïcode ☃</meta:keyword>
 </office:meta>
 <office:body><office:text><text:p>Seed body text.</text:p></office:text></office:body>
</office:document>
XML

cat > "$work/seed.fodp" <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
  xmlns:meta="urn:oasis:names:tc:opendocument:xmlns:meta:1.0" xmlns:dc="http://purl.org/dc/elements/1.1/"
  xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0"
  xmlns:presentation="urn:oasis:names:tc:opendocument:xmlns:presentation:1.0"
  xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0"
  xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" office:version="1.3"
  office:mimetype="application/vnd.oasis.opendocument.presentation">
 <office:meta><dc:title>Seed deck</dc:title><meta:keyword>slides</meta:keyword></office:meta>
 <office:body><office:presentation>
  <draw:page draw:name="one">
   <draw:frame presentation:class="title" svg:x="2cm" svg:y="1cm" svg:width="20cm" svg:height="3cm">
    <draw:text-box><text:p>First title</text:p></draw:text-box></draw:frame>
  </draw:page>
  <draw:page draw:name="two">
   <draw:frame presentation:class="title" svg:x="2cm" svg:y="1cm" svg:width="20cm" svg:height="3cm">
    <draw:text-box><text:p>Second title</text:p></draw:text-box></draw:frame>
  </draw:page>
 </office:presentation></office:body>
</office:document>
XML

# No preview picture in the files: it would make the .ppt seed half a megabyte.
mkdir -p "$work/profile/user"
cat > "$work/profile/user/registrymodifications.xcu" <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<oor:items xmlns:oor="http://openoffice.org/2001/registry" xmlns:xs="http://www.w3.org/2001/XMLSchema"
  xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance">
<item oor:path="/org.openoffice.Office.Common/Save/Document"><prop oor:name="GenerateThumbnail" oor:op="fuse"><value>false</value></prop></item>
</oor:items>
XML

convert() { # convert <source> <extension>
  timeout 180 soffice "-env:UserInstallation=file://$work/profile" --headless --norestore \
    --convert-to "$2" --outdir "$work/out" "$1" > /dev/null
}
for ext in docx odt doc; do convert "$work/seed.fodt" "$ext"; done
for ext in pptx odp ppt; do convert "$work/seed.fodp" "$ext"; done

# LibreOffice's .ppt export always carries a half-megabyte preview picture in its
# summary information; the record walker's seed keeps the streams it reads.
cat > "$work/olestreams.cpp" <<'CPP'
// olestreams <in> <out> <stream>...: a compound file with only the named top-level streams.
#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-stdio.h>
#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-output-stdio.h>
#include <gsf/gsf-utils.h>
#include <vector>
int main(int argc, char** argv)
{
    gsf_init();
    GsfInfile* in = gsf_infile_msole_new(gsf_input_stdio_new(argv[1], nullptr), nullptr);
    GsfOutfile* out = gsf_outfile_msole_new(GSF_OUTPUT(gsf_output_stdio_new(argv[2], nullptr)));
    if (!in || !out) return 1;
    for (int i = 3; i < argc; ++i) {
        GsfInput* stream = gsf_infile_child_by_name(in, argv[i]);
        if (!stream) return 1;
        std::vector<guint8> bytes(gsf_input_size(stream));
        gsf_input_read(stream, bytes.size(), bytes.data());
        GsfOutput* child = gsf_outfile_new_child(out, argv[i], FALSE);
        gsf_output_write(child, bytes.size(), bytes.data());
        gsf_output_close(child);
    }
    return gsf_output_close(GSF_OUTPUT(out)) ? 0 : 1;
}
CPP
c++ -o "$work/olestreams" "$work/olestreams.cpp" $(pkg-config --cflags --libs libgsf-1)
"$work/olestreams" "$work/out/seed.ppt" "$work/out/slides.ppt" "Current User" "PowerPoint Document"

seed() { # seed <target> <file>...
  mkdir -p "fuzz/corpus/$1"
  shift_target=$1; shift
  for file in "$@"; do cp "$work/out/$file" "fuzz/corpus/$shift_target/lo-$file"; done
}
seed ooxmlprops seed.docx seed.pptx
seed odfprops seed.odt seed.odp
seed ole2props seed.doc
seed slidelist seed.pptx seed.odp
seed pptrecords slides.ppt
ls -l fuzz/corpus/{ooxmlprops,odfprops,ole2props,slidelist,pptrecords}
