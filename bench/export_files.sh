#!/usr/bin/env bash
# Times kwdump's export of whole 1 GiB files (--format csv, tsv and jsonl) in MB/s of input, target 400 MB/s:
# an RFF file of 60-byte records (about 18 million, as kw_bench_view uses) and the STADAF benchmark files of
# long and short records (with their index cache, as a reopened file). With a baseline kwdump, runs alternate
# between the two, medians of RUNS runs each, and every output is checked to be the same bytes as the
# baseline's.
# Usage: bench/export_files.sh BUILD_DIR [RUNS] [BASELINE_KWDUMP]
#        (files go to ${TMPDIR:-/tmp}/kw-stadaf-bench, kept for reruns)
set -euo pipefail
build="$(cd "${1:?usage: bench/export_files.sh BUILD_DIR [RUNS] [BASELINE_KWDUMP]}" && pwd)"
runs="${2:-5}"
baseline="${3:-}"
kwdump="$build/tools/kwdump/kwdump"
mkstadaf="$build/tools/mkstadaf/kw_mkstadaf"
folder="${TMPDIR:-/tmp}/kw-stadaf-bench"
mkdir -p "$folder"
[ -f "$folder/short.daf" ] || "$mkstadaf" --bench --short "$folder/short.daf" 1024 >/dev/null
[ -f "$folder/long.daf" ] || "$mkstadaf" --bench "$folder/long.daf" 1024 >/dev/null
if [ ! -f "$folder/export.rff" ]; then
  printf '[FIELDDESCRIPTIONS]\r\nCXR, 3\r\nORIGIN, 3\r\nDEST, 3\r\nFARE_BASIS, 8\r\nAMOUNT, 10\r\nCURRENCY, 3\r\nREMARKS, 28\r\n' \
    >"$folder/export.ini"
  python3 - "$folder/export.rff" <<'EOF'
import sys
carriers = [b"LH", b"AF", b"LX", b"OS", b"SK", b"IB", b"TP", b"BA", b"KL", b"AY"]
with open(sys.argv[1] + ".tmp", "wb") as f:
    chunk = []
    for k in range((1 << 30) // 60):
        chunk.append(b"%-3sFRAJFKY%07d%10.2fEUR%-28s\r\n" % (carriers[k * 7 % 10], k * 7919 % 9999991,
                     50.0 + (k * 104729 % 400000) / 100, b"Valid Monday to Thursday"))
        if len(chunk) == 65536:
            f.write(b"".join(chunk))
            chunk = []
    f.write(b"".join(chunk))
EOF
  mv "$folder/export.rff.tmp" "$folder/export.rff"
fi

# Microseconds of one run of a command (process start included), output discarded.
micros() {
  local start end
  start=$(date +%s%N)
  "$@" >/dev/null
  end=$(date +%s%N)
  echo "$(((end - start) / 1000))"
}
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

echo "load: $(uptime)"
for file in "$folder/export.rff" "$folder/long.daf" "$folder/short.daf"; do
  bytes=$(stat -c %s "$file")
  "$kwdump" --limit 0 "$file" >/dev/null  # writes a STADAF file's index cache
  for format in csv tsv jsonl; do
    if [ -n "$baseline" ]; then
      if ! cmp -s <("$baseline" --format "$format" "$file") <("$kwdump" --format "$format" "$file"); then
        echo "$(basename "$file") $format: output differs from the baseline's" >&2
        exit 1
      fi
    fi
    c=()
    b=()
    for ((i = 0; i < runs; ++i)); do
      [ -n "$baseline" ] && b+=("$(micros "$baseline" --format "$format" "$file")")
      c+=("$(micros "$kwdump" --format "$format" "$file")")
    done
    cm=$(printf '%s\n' "${c[@]}" | median)
    line=$(awk -v n="$(basename "$file") --format $format" -v c="$cm" -v s="$bytes" \
      'BEGIN { printf "%-30s %8.1f ms %7.1f MB/s (target >= 400)", n, c / 1000, s / c }')
    if [ -n "$baseline" ]; then
      bm=$(printf '%s\n' "${b[@]}" | median)
      line+=$(awk -v b="$bm" -v s="$bytes" 'BEGIN { printf "   baseline %8.1f ms %7.1f MB/s", b / 1000, s / b }')
    fi
    echo "$line"
  done
done
echo "load: $(uptime)"
