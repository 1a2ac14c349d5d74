#!/usr/bin/env bash
# Times the STADAF readers through kwdump against plain system tools, interleaved, medians of RUNS runs:
#  - indexing pass (kwdump --no-cache --type 1 --limit 0) against `wc -l` on a 1 GiB short-record and a
#    1 GiB long-record file (targets 2.0 x and 1.8 x);
#  - reopening with a valid cache (kwdump --type 1 --limit 0) against `cat CACHE >/dev/null` (target 2 x);
#  - kwdump --first N --limit 50 --type T on the cached 1 GiB file against kwdump --limit 0 on a 1 MiB RFF
#    file (target 3 x);
#  - peak memory of the indexing pass (maximum resident set size) against 4 bytes per record + 32 MiB.
# Usage: bench/stadaf_files.sh BUILD_DIR [RUNS]   (files go to ${TMPDIR:-/tmp}/kw-stadaf-bench, kept for reruns)
set -euo pipefail
build="$(cd "${1:?usage: bench/stadaf_files.sh BUILD_DIR [RUNS]}" && pwd)"
runs="${2:-5}"
kwdump="$build/tools/kwdump/kwdump"
mkstadaf="$build/tools/mkstadaf/kw_mkstadaf"
folder="${TMPDIR:-/tmp}/kw-stadaf-bench"
mkdir -p "$folder"
[ -f "$folder/short.daf" ] || "$mkstadaf" --bench --short "$folder/short.daf" 1024 >/dev/null
[ -f "$folder/long.daf" ] || "$mkstadaf" --bench "$folder/long.daf" 1024 >/dev/null
if [ ! -f "$folder/small.rff" ]; then
  printf '[FIELDDESCRIPTIONS]\r\nCXR, 3\r\nFARE, 12\r\nREMARK, 40\r\n' >"$folder/small.ini"
  python3 -c "
import sys
with open(sys.argv[1], 'wb') as f:
    for i in range(1 << 20 // 59):
        f.write(b'LH FARE%08d%-40s\r\n' % (i, b'remark'))
" "$folder/small.rff"
fi

# Seconds of one run of a command (process start included), output discarded.
seconds() {
  local start end
  start=$(date +%s%N)
  "$@" >/dev/null
  end=$(date +%s%N)
  echo "$(((end - start) / 1000))"
}
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# compare NAME TARGET BASELINE_CMD -- CANDIDATE_CMD: interleaved runs, medians in ms and their ratio.
compare() {
  local name="$1" target="$2"
  shift 2
  local baseline=() candidate=()
  while [ "$1" != "--" ]; do baseline+=("$1"); shift; done
  shift
  candidate=("$@")
  "${baseline[@]}" >/dev/null; "${candidate[@]}" >/dev/null  # warm the page cache
  local b=() c=()
  for ((i = 0; i < runs; ++i)); do
    b+=("$(seconds "${baseline[@]}")")
    c+=("$(seconds "${candidate[@]}")")
  done
  local bm cm
  bm=$(printf '%s\n' "${b[@]}" | median)
  cm=$(printf '%s\n' "${c[@]}" | median)
  awk -v n="$name" -v b="$bm" -v c="$cm" -v t="$target" \
    'BEGIN { printf "%-44s baseline %9.1f ms  candidate %9.1f ms  ratio %5.2f x  (target <= %s x)\n", n, b / 1000, c / 1000, c / b, t }'
}

for shape in short long; do
  file="$folder/$shape.daf"
  target=$([ $shape = short ] && echo 2.0 || echo 1.8)
  compare "indexing pass, $shape records, vs wc -l" "$target" wc -l "$file" -- "$kwdump" --no-cache --type 1 --limit 0 "$file"
done
for shape in short long; do
  file="$folder/$shape.daf"
  "$kwdump" --type 1 --limit 0 "$file" >/dev/null  # writes the cache
  cache="$folder/$shape.of1"
  compare "reopening with the cache, $shape, vs cat cache" 2 cat "$cache" -- "$kwdump" --type 1 --limit 0 "$file"
done
count=$("$kwdump" --type 1 --limit 0 "$folder/short.daf" | sed -n 's/.*"count":\([0-9]*\).*/\1/p')
compare "--first $((count / 2)) --limit 50 (cached) vs 1 MiB RFF" 3 "$kwdump" --limit 0 "$folder/small.rff" -- \
  "$kwdump" --first $((count / 2)) --limit 50 --type 1 "$folder/short.daf"

for shape in short long; do
  file="$folder/$shape.daf"
  records=$("$kwdump" --limit 0 "$file" | sed -n 's/.*"count":\([0-9]*\).*/\1/p' | awk '{ s += $1 } END { print s }')
  for mode in "--no-cache" ""; do
    kib=$(/usr/bin/time -f %M "$kwdump" $mode --limit 0 "$file" 2>&1 >/dev/null | tail -1)
    awk -v n="peak memory, $shape, ${mode:-cached}" -v k="$kib" -v r="$records" \
      'BEGIN { printf "%-44s %8.1f MiB  limit %8.1f MiB (%d records)\n", n, k / 1024, (4 * r) / 1048576 + 32, r }'
  done
done
