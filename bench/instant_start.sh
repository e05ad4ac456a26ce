#!/usr/bin/env bash
# Whole processes side by side: `quillmark --db F find budget` against the
# `sqlite3` shell running the same LIKE query on the same records, and
# `quillmark --db F show PATH` against `sqlite3` selecting the row by its primary
# key; each pair timed in one hyperfine run, the ratio printed.
# Usage: bench/instant_start.sh [BUILD_DIR]   (SIZES="10000 100000" by default, RUNS=30)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
sizes=${SIZES:-10000 100000}
runs=${RUNS:-30}
quillmark="$build/cli/quillmark"
maker="$build/bench/taggingdatabase_bench"
for tool in "$quillmark" "$maker" hyperfine sqlite3 python3; do
  command -v "$tool" >/dev/null || { echo "missing: $tool (build the project; install hyperfine and sqlite3)" >&2; exit 1; }
done

dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

quoted() {
  python3 -c 'import shlex, sys; print(shlex.join(sys.argv[1:]))' "$@"
}

# Times the two commands (given as two argument lists separated by --) without
# a shell, and prints both means and their ratio.
compare() {
  local label=$1; shift
  local ours=() peer=()
  while [[ $1 != -- ]]; do ours+=("$1"); shift; done
  shift
  peer=("$@")
  # hyperfine takes each command as one string, which -N splits into arguments
  # by their quotes and runs without a shell.
  hyperfine -N --warmup 3 --runs "$runs" --export-json "$dir/result.json" \
    "$(quoted "${ours[@]}")" "$(quoted "${peer[@]}")" >/dev/null
  python3 - "$dir/result.json" "$label" <<'EOF'
import json, sys
results = json.load(open(sys.argv[1]))["results"]
ours, peer = results[0], results[1]
print(f"{sys.argv[2]:<28} quillmark {ours['mean'] * 1000:7.2f} ms ± {ours['stddev'] * 1000:5.2f}   "
      f"sqlite3 {peer['mean'] * 1000:7.2f} ms ± {peer['stddev'] * 1000:5.2f}   "
      f"ratio {ours['mean'] / peer['mean']:5.2f}x")
EOF
}

for records in $sizes; do
  db="$dir/$records/tags.xml"
  sql="$dir/$records/tags.sqlite"
  mkdir -p "$dir/$records"
  "$maker" --make-db "$db" "$records"
  "$maker" --make-sqlite "$sql" "$records"
  path=/home/user/Documents/project$(( 4321 % 97 ))/report4321.doc
  md5=$(sqlite3 "$sql" "SELECT md5 FROM docs WHERE path = '$path'")
  # The first command parses and writes the index; once the file is older than
  # the racy margin, the next one proves it by the file's identity alone.
  "$quillmark" --db "$db" find budget >/dev/null
  sleep 4
  "$quillmark" --db "$db" show "$path" >/dev/null
  echo "records: $records ($(stat -c %s "$db") bytes of tags.xml, $(stat -c %s "$db.idx") bytes of index)"
  compare "find budget, $records" "$quillmark" --db "$db" find budget -- \
    sqlite3 "$sql" "SELECT path, md5, tags FROM docs WHERE lower(tags) LIKE '%budget%'"
  compare "show PATH, $records" "$quillmark" --db "$db" show "$path" -- \
    sqlite3 "$sql" "SELECT tags FROM docs WHERE md5 = '$md5'"
done
