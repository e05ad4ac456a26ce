#!/usr/bin/env bash
# Peak resident memory of `quillmark --db F find x` (the first run, which parses,
# and a run through the index beside the file) beside `xmllint --noout F` on
# a tag database of 100,000 records (five tags each), and the time GetAllTags
# takes on it (`quillmark tags` less `quillmark find x`, best of three).
# Usage: bench/taggingdatabase_memory.sh [BUILD_DIR]   (RECORDS=n for another size)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
records=${RECORDS:-100000}
quillmark="$build/cli/quillmark"
for tool in "$quillmark" "$build/bench/taggingdatabase_bench" /usr/bin/time xmllint; do
  command -v "$tool" >/dev/null || { echo "missing: $tool (build the project; install time and libxml2-utils)" >&2; exit 1; }
done

dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
db="$dir/tags.xml"
"$build/bench/taggingdatabase_bench" --make-db "$db" "$records"

# Peak resident set in KiB of one run of the command.
peak_kib() {
  /usr/bin/time -f %M -o "$dir/peak" "$@" >/dev/null 2>"$dir/stderr" || { cat "$dir/stderr" >&2; exit 1; }
  tail -n 1 "$dir/peak"
}

# Best wall time in milliseconds of three runs.
best_ms() {
  local best=
  for _ in 1 2 3; do
    local start end
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1
    end=$(date +%s%N)
    local ms=$(( (end - start) / 1000000 ))
    if [[ -z $best || $ms -lt $best ]]; then best=$ms; fi
  done
  echo "$best"
}

# The first command parses the file and writes its index beside it; once the
# file is older than the index's racy margin (3 s), the next one proves the
# index by the file's identity and rewrites it, and from then on commands map it.
ours=$(peak_kib "$quillmark" --db "$db" find x)
sleep 4
"$quillmark" --db "$db" find x >/dev/null
indexed=$(peak_kib "$quillmark" --db "$db" find x)
peer=$(peak_kib xmllint --noout "$db")
find_ms=$(best_ms "$quillmark" --db "$db" find x)
tags_ms=$(best_ms "$quillmark" --db "$db" tags)
tags_count=$("$quillmark" --db "$db" tags | wc -l)

echo "records:                        $records ($(stat -c %s "$db") bytes)"
echo "peak RSS quillmark find x:      $ours KiB (parsing, and writing the index)"
echo "peak RSS xmllint --noout:       $peer KiB"
awk -v a="$ours" -v b="$peer" 'BEGIN { printf "ratio (target <= 0.40):        %.3f\n", a / b }'
echo "peak RSS with a valid index:    $indexed KiB"
awk -v a="$indexed" -v b="$peer" 'BEGIN { printf "ratio with the index:           %.3f\n", a / b }'
echo "quillmark find x (open+find):   $find_ms ms"
echo "quillmark tags (open+all tags): $tags_ms ms, $tags_count tags"
echo "GetAllTags and printing:        $(( tags_ms - find_ms )) ms"
