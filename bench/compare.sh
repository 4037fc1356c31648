#!/usr/bin/env bash
# Compares pnhold-dbf with peer tools and plain C lower bounds on one generated item table,
# in one run, as ratios of medians (the file held in the page cache).
#
#   bench/compare.sh N            N items (deleted ones included), e.g. 1000000
#
# Environment: PNHOLD_BUILD_DIR (default: build beside this script's folder) holds pnhold-dbf
# and engine_bench; PNHOLD_SHARED_DIR (default: ../shared) holds bench/gen_items.py and
# bench/dbfbench.c; RUNS (default 5) runs of each command.
set -euo pipefail

if [[ $# -ne 1 || ! $1 =~ ^[0-9]+$ ]]; then
    echo "usage: $0 N   (items in the generated table)" >&2
    exit 2
fi
n=$1
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(dirname "$here")
build=${PNHOLD_BUILD_DIR:-$source_dir/build}
shared=${PNHOLD_SHARED_DIR:-$source_dir/../shared}
runs=${RUNS:-5}
tool=${PNHOLD_DBF_TOOL:-$build/pnhold-dbf}
bench=$build/engine_bench

for need in "$tool" "$bench" "$shared/bench/gen_items.py" "$shared/bench/dbfbench.c"; do
    [[ -e $need ]] || { echo "missing: $need (build the project first)" >&2; exit 2; }
done
for program in gcc pgdbf ogrinfo python3 /usr/bin/time; do
    command -v "$program" > /dev/null || { echo "missing program: $program" >&2; exit 2; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/pnhold-compare.XXXXXX")
trap 'rm -rf "$work"' EXIT
table=$work/items.dbf
echo "generating $n items ..." >&2
python3 "$shared/bench/gen_items.py" "$n" "$table"
gcc -O2 -o "$work/dbfbench" "$shared/bench/dbfbench.c"
dbfbench=$work/dbfbench
cat "$table" > /dev/null # into the page cache

# median_seconds COMMAND...: runs the command $runs times (output to /dev/null), prints the
# median wall time in seconds.
median_seconds() {
    local times=() start end
    for ((i = 0; i < runs; i++)); do
        start=$(date +%s%N)
        "$@" > /dev/null 2> /dev/null
        end=$(date +%s%N)
        times+=("$(( end - start ))")
    done
    printf '%s\n' "${times[@]}" | sort -n | awk -v r="$runs" '{ t[NR] = $1 }
        END { printf "%.3f", t[int((r + 1) / 2)] / 1e9 }'
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }'; }
verdict() { awk -v v="$1" -v op="$2" -v t="$3" 'BEGIN {
    ok = (op == "<=" ? v <= t : (op == "<" ? v < t : v >= t)); print (ok ? "met" : "MISSED") }'; }

# The peers' ordered dump on a CSV: the keys cut out with awk and a stable sort.
"$dbfbench" csv "$table" > "$work/items.csv" 2> /dev/null
awk_sort() {
    awk -F, 'NR > 1 { print toupper($12) "\t" NR }' "$work/items.csv" |
        LC_ALL=C sort -s -t "$(printf '\t')" -k1,1
}
layer=$(basename "$table" .dbf)
ogr_count() {
    ogrinfo -ro -q -sql "SELECT COUNT(*) FROM $layer WHERE Brand ILIKE '%sony%'" "$table"
}
dump_ordered() { "$tool" dump --csv --expr 'Upper(Left(Category,80))' "$table"; }
sort_then_csv() { "$dbfbench" sort "$table" cat && "$dbfbench" csv "$table"; }

# The counts must agree before their times mean anything.
ours=$("$tool" count --contains Brand=sony "$table")
theirs=$("$dbfbench" filter "$table" 2> /dev/null)
ogr=$(ogr_count | awk -F'= ' '/COUNT/ { print $2 }')
if [[ $ours != "$theirs" || $ours != "$ogr" ]]; then
    echo "counts disagree: pnhold-dbf $ours, dbfbench $theirs, ogrinfo $ogr" >&2
    exit 1
fi
rows_ours=$("$tool" dump --csv "$table" | wc -l)
rows_theirs=$(wc -l < "$work/items.csv")
[[ $rows_ours == "$rows_theirs" ]] || {
    echo "dumps disagree: pnhold-dbf $rows_ours lines, dbfbench $rows_theirs" >&2
    exit 1
}

echo "timing ($runs runs each, medians) ..." >&2
t_dump=$(median_seconds "$tool" dump --csv "$table")
t_pgdbf=$(median_seconds pgdbf -s cp1252 "$table")
t_csv=$(median_seconds "$dbfbench" csv "$table")
t_ordered=$(median_seconds dump_ordered)
t_sort=$(median_seconds "$dbfbench" sort "$table" cat)
t_sort_csv=$(median_seconds sort_then_csv)
t_awk=$(median_seconds awk_sort)
t_count=$(median_seconds "$tool" count --contains Brand=sony "$table")
t_filter=$(median_seconds "$dbfbench" filter "$table")
t_ogr=$(median_seconds ogr_count)

memory=$(PNHOLD_BENCH_TABLE="$table" PNHOLD_BENCH_CACHE="$work/cache" "$bench" \
    --benchmark_filter='^OpenTableMemory' --benchmark_format=json 2> /dev/null |
    python3 -c 'import json, sys
b = json.load(sys.stdin)["benchmarks"][0]
print("%.1f %.1f" % (b["heap_bytes_per_record"], b["anon_bytes_per_record"]))')
heap_per_record=${memory% *}
anon_per_record=${memory#* }
max_rss_kib=$( { /usr/bin/time -f '%M' "$tool" count --contains Brand=sony "$table" > /dev/null; } 2>&1 | tail -1)
file_kib=$(( $(stat -c %s "$table") / 1024 ))

echo
echo "Table: $n items ($(stat -c %s "$table") bytes), $ours contain 'sony', median of $runs runs"
echo
printf '%-58s %9s\n' "command" "seconds"
printf '%-58s %9s\n' "pnhold-dbf dump --csv" "$t_dump"
printf '%-58s %9s\n' "pgdbf -s cp1252" "$t_pgdbf"
printf '%-58s %9s\n' "dbfbench csv" "$t_csv"
printf '%-58s %9s\n' "pnhold-dbf dump --csv --expr 'Upper(Left(Category,80))'" "$t_ordered"
printf '%-58s %9s\n' "dbfbench sort cat" "$t_sort"
printf '%-58s %9s\n' "dbfbench sort cat, then dbfbench csv" "$t_sort_csv"
printf '%-58s %9s\n' "awk keys from a CSV | sort -s" "$t_awk"
printf '%-58s %9s\n' "pnhold-dbf count --contains Brand=sony" "$t_count"
printf '%-58s %9s\n' "dbfbench filter" "$t_filter"
printf '%-58s %9s\n' "ogrinfo -sql ... ILIKE '%sony%'" "$t_ogr"
echo
r_pgdbf=$(ratio "$t_pgdbf" "$t_dump")
r_csv=$(ratio "$t_dump" "$t_csv")
r_ordered=$(ratio "$t_ordered" "$t_sort_csv")
r_awk=$(ratio "$t_awk" "$t_ordered")
r_count=$(ratio "$t_count" "$t_filter")
r_ogr=$(ratio "$t_ogr" "$t_count")
printf '%-58s %7s  %-10s %s\n' "ratio" "value" "target" ""
printf '%-58s %7s  %-10s %s\n' "pgdbf / dump" "$r_pgdbf" ">= 3" "$(verdict "$r_pgdbf" ">=" 3)"
printf '%-58s %7s  %-10s %s\n' "dump / dbfbench csv" "$r_csv" "<= 1.5" "$(verdict "$r_csv" "<=" 1.5)"
printf '%-58s %7s  %-10s %s\n' "ordered dump / (dbfbench sort + csv)" "$r_ordered" "<= 1.5" \
    "$(verdict "$r_ordered" "<=" 1.5)"
printf '%-58s %7s\n' "awk + sort -s / ordered dump" "$r_awk"
printf '%-58s %7s  %-10s %s\n' "count / dbfbench filter" "$r_count" "<= 2" "$(verdict "$r_count" "<=" 2)"
printf '%-58s %7s\n' "ogrinfo ILIKE / count" "$r_ogr"
printf '%-58s %7s  %-10s %s\n' "open table in tag order, heap bytes per record" "$heap_per_record" \
    "< 96" "$(verdict "$heap_per_record" "<" 96)"
printf '%-58s %7s\n' "open table in tag order, anonymous RSS bytes per record" "$anon_per_record"
printf '%-58s %7s\n' "pnhold-dbf count: peak RSS KiB (file pages included)" "$max_rss_kib"
printf '%-58s %7s\n' "table file KiB" "$file_kib"
