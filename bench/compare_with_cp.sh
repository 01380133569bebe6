#!/usr/bin/env bash
# Times pelorin against cp of the same file, and reports the median wall
# times, their ratio and the peak resident memory of each.
#
#   bench/compare_with_cp.sh [-b BUILD_DIR] [-s "SIZES"] [-p "PATTERNS"] [-f "FORMATS"] [-r ROUNDS] [-w WORK_DIR]
#
# BUILD_DIR   holds pelorin and pelorin_make_tga (-DPELORIN_BENCHMARKS=ON);
#             default: build
# SIZES       square image sizes in pixels; default: "4096 8192"
# PATTERNS    random and/or gradient; default: "random gradient"
# FORMATS     TGA kinds: 32 (uncompressed 32-bit), 24 (uncompressed 24-bit),
#             rle32 (run-length encoded 32-bit); default: "32 24 rle32"
# ROUNDS      timed runs of each program per image; default: 21
# WORK_DIR    where the inputs and outputs go; default: a new directory
#             under ${TMPDIR:-/tmp}, removed at the end
#
# cp is the floor: converting cannot be cheaper than reading the source and
# writing a file. Each round runs both programs once through hyperfine -N
# (no shell in between), in alternating order so that neither always meets
# the other's leftovers, and each output is deleted before its run, so every
# run writes a new file. Everything stays in the page cache, as a user's
# freshly exported image would. Nothing here judges the figures: timing is
# for people to read, never a pass or fail.
set -euo pipefail

build_dir=build
sizes="4096 8192"
patterns="random gradient"
formats="32 24 rle32"
rounds=21
work_dir=

while getopts "b:s:p:f:r:w:h" option; do
  case $option in
    b) build_dir=$OPTARG ;;
    s) sizes=$OPTARG ;;
    p) patterns=$OPTARG ;;
    f) formats=$OPTARG ;;
    r) rounds=$OPTARG ;;
    w) work_dir=$OPTARG ;;
    *) sed -n '2,18p' "$0"; exit 2 ;;
  esac
done

pelorin=$(realpath "$build_dir/pelorin")
make_tga=$(realpath "$build_dir/pelorin_make_tga")
for program in "$pelorin" "$make_tga"; do
  [[ -x $program ]] || { echo "missing $program (configure with -DPELORIN_BENCHMARKS=ON and build)" >&2; exit 2; }
done
command -v hyperfine >/dev/null || { echo "hyperfine is needed (Debian package hyperfine)" >&2; exit 2; }
cp_program=$(command -v cp)

if [[ -z $work_dir ]]; then
  work_dir=$(mktemp -d "${TMPDIR:-/tmp}/pelorin-bench.XXXXXX")
  trap 'rm -rf "$work_dir"' EXIT
fi
mkdir -p "$work_dir"

median() {  # of the numbers on stdin
  sort -g | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# Peak resident set in MiB, from GNU time; "n/a" without it.
peak_rss_mib() {
  if [[ -x /usr/bin/time ]]; then
    /usr/bin/time -f %M -o "$work_dir/rss" "$@" </dev/null >/dev/null
    awk '{ printf "%.1f", $1 / 1024 }' "$work_dir/rss"
  else
    "$@" </dev/null >/dev/null
    echo n/a
  fi
}

echo "pelorin: $pelorin"
echo "cpu:     $(grep -m1 'model name' /proc/cpuinfo 2>/dev/null | cut -d: -f2- | sed 's/^ //') ($(nproc) cores)"
echo "rounds:  $rounds, alternating pelorin and cp"
echo
dashes() { printf -- '-%.0s' $(seq "$1"); }
printf '| %-26s | %14s | %10s | %10s | %16s | %11s |\n' image "pelorin median" "cp median" "pelorin/cp" "pelorin peak RSS" "cp peak RSS"
printf '|%s|%s:|%s:|%s:|%s:|%s:|\n' "$(dashes 28)" "$(dashes 15)" "$(dashes 11)" "$(dashes 11)" "$(dashes 17)" "$(dashes 12)"

for size in $sizes; do
  for format in $formats; do
  for pattern in $patterns; do
    dir="$work_dir/${size}-${format}-${pattern}"
    mkdir -p "$dir"
    source="$dir/source.tga"
    "$make_tga" "$size" "$size" "$pattern" "$source" "$format"
    output="$dir/tic.ici"
    copy="$dir/copy.tga"

    # One untimed run each; it also checks that the conversion succeeded.
    rm -f "$output" "$copy"
    "$pelorin" "$source" </dev/null >/dev/null
    "$cp_program" "$source" "$copy"
    expected_bytes=$((3 * size * size))
    actual_bytes=$(stat -c %s "$output")
    if [[ $actual_bytes -ne $expected_bytes ]]; then
      echo "tic.ici has $actual_bytes bytes, expected $expected_bytes" >&2
      exit 1
    fi

    : >"$dir/pelorin.times"
    : >"$dir/cp.times"
    for ((round = 0; round < rounds; ++round)); do
      pelorin_run=(--prepare "rm -f $output" "$pelorin $source")
      cp_run=(--prepare "rm -f $copy" "$cp_program $source $copy")
      if ((round % 2 == 0)); then order=("${pelorin_run[@]}" "${cp_run[@]}"); else order=("${cp_run[@]}" "${pelorin_run[@]}"); fi
      hyperfine -N --runs 1 --style none --export-csv "$dir/round.csv" "${order[@]}" >/dev/null 2>&1
      # Columns: command,mean,...; one row per command, in seconds.
      awk -F, -v p="$pelorin" -v pf="$dir/pelorin.times" -v cf="$dir/cp.times" \
        'NR > 1 { if (index($1, p) == 1) print $2 >> pf; else print $2 >> cf }' "$dir/round.csv"
    done

    pelorin_median=$(median <"$dir/pelorin.times")
    cp_median=$(median <"$dir/cp.times")
    ratio=$(awk -v a="$pelorin_median" -v b="$cp_median" 'BEGIN { printf "%.2f", a / b }')
    rm -f "$output" "$copy"
    pelorin_rss=$(peak_rss_mib "$pelorin" "$source")
    rm -f "$copy"
    cp_rss=$(peak_rss_mib "$cp_program" "$source" "$copy")
    printf '| %-26s | %11.1f ms | %7.1f ms | %10s | %12s MiB | %7s MiB |\n' \
      "${size}x${size} $format $pattern" "$(awk -v t="$pelorin_median" 'BEGIN { print t * 1000 }')" \
      "$(awk -v t="$cp_median" 'BEGIN { print t * 1000 }')" "$ratio" "$pelorin_rss" "$cp_rss"
    rm -rf "$dir"
  done
  done
done
