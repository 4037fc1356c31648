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

# measure COMMAND: runs the shell command $runs times (output to /dev/null) and prints the
# median wall time and the median processor time (user + system, children included) in
# seconds. The processor time is what a busy machine disturbs least.
measure() {
    local walls=() cpus=() e u s
    for ((i = 0; i < runs; i++)); do
        /usr/bin/time -o "$work/time" -f '%e %U %S' bash -c "$1" > /dev/null 2> /dev/null || true
        read -r e u s < <(tail -1 "$work/time")
        walls+=("$e")
        cpus+=("$(awk -v u="$u" -v s="$s" 'BEGIN { printf "%.2f", u + s }')")
    done
    local mid=$(( (runs + 1) / 2 ))
    printf '%s %s\n' "$(printf '%s\n' "${walls[@]}" | sort -g | sed -n "${mid}p")" \
        "$(printf '%s\n' "${cpus[@]}" | sort -g | sed -n "${mid}p")"
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else printf "-" }'; }
verdict() { awk -v v="$1" -v op="$2" -v t="$3" 'BEGIN {
    ok = (op == "<=" ? v <= t : (op == "<" ? v < t : v >= t)); print (ok ? "met" : "MISSED") }'; }

# The peers' ordered dump on a CSV: the keys cut out with awk and a stable sort.
"$dbfbench" csv "$table" > "$work/items.csv" 2> /dev/null
layer=$(basename "$table" .dbf)
export tool table dbfbench work layer
c_dump='"$tool" dump --csv "$table"'
c_pgdbf='pgdbf -s cp1252 "$table"'
c_csv='"$dbfbench" csv "$table"'
c_ordered='"$tool" dump --csv --expr "Upper(Left(Category,80))" "$table"'
c_sort='"$dbfbench" sort "$table" cat'
c_sort_csv='"$dbfbench" sort "$table" cat && "$dbfbench" csv "$table"'
c_awk='awk -F, '"'"'NR > 1 { print toupper($12) "\t" NR }'"'"' "$work/items.csv" | LC_ALL=C sort -s -t "$(printf "\t")" -k1,1'
c_count='"$tool" count --contains Brand=sony "$table"'
c_filter='"$dbfbench" filter "$table"'
c_ogr='ogrinfo -ro -q -sql "SELECT COUNT(*) FROM $layer WHERE Brand ILIKE '"'"'%sony%'"'"'" "$table"'

# The counts must agree before their times mean anything.
ours=$("$tool" count --contains Brand=sony "$table")
theirs=$("$dbfbench" filter "$table" 2> /dev/null)
ogr=$(bash -c "$c_ogr" | awk -F'= ' '/COUNT/ { print $2 }')
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
read -r t_dump p_dump < <(measure "$c_dump")
read -r t_pgdbf p_pgdbf < <(measure "$c_pgdbf")
read -r t_csv p_csv < <(measure "$c_csv")
read -r t_ordered p_ordered < <(measure "$c_ordered")
read -r t_sort p_sort < <(measure "$c_sort")
read -r t_sort_csv p_sort_csv < <(measure "$c_sort_csv")
read -r t_awk p_awk < <(measure "$c_awk")
read -r t_count p_count < <(measure "$c_count")
read -r t_filter p_filter < <(measure "$c_filter")
read -r t_ogr p_ogr < <(measure "$c_ogr")

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
printf '%-58s %9s %9s\n' "command" "wall s" "cpu s"
printf '%-58s %9s %9s\n' "pnhold-dbf dump --csv" "$t_dump" "$p_dump"
printf '%-58s %9s %9s\n' "pgdbf -s cp1252" "$t_pgdbf" "$p_pgdbf"
printf '%-58s %9s %9s\n' "dbfbench csv" "$t_csv" "$p_csv"
printf '%-58s %9s %9s\n' "pnhold-dbf dump --csv --expr 'Upper(Left(Category,80))'" "$t_ordered" "$p_ordered"
printf '%-58s %9s %9s\n' "dbfbench sort cat" "$t_sort" "$p_sort"
printf '%-58s %9s %9s\n' "dbfbench sort cat, then dbfbench csv" "$t_sort_csv" "$p_sort_csv"
printf '%-58s %9s %9s\n' "awk keys from a CSV | sort -s" "$t_awk" "$p_awk"
printf '%-58s %9s %9s\n' "pnhold-dbf count --contains Brand=sony" "$t_count" "$p_count"
printf '%-58s %9s %9s\n' "dbfbench filter" "$t_filter" "$p_filter"
printf '%-58s %9s %9s\n' "ogrinfo -sql ... ILIKE '%sony%'" "$t_ogr" "$p_ogr"
echo
# One line of ratios: the wall-time ratio with its target and verdict, then the cpu ratio.
row() { # label, wall a, wall b, cpu a, cpu b, target operator, target
    local w c
    w=$(ratio "$2" "$3")
    c=$(ratio "$4" "$5")
    if [[ -n ${6:-} ]]; then
        printf '%-50s %7s %7s  %-7s %s\n' "$1" "$w" "$c" "$6 $7" "$(verdict "$w" "$6" "$7")"
    else
        printf '%-50s %7s %7s\n' "$1" "$w" "$c"
    fi
}
printf '%-50s %7s %7s  %-7s %s\n' "ratio" "wall" "cpu" "target" "(on wall time)"
row "pgdbf / dump" "$t_pgdbf" "$t_dump" "$p_pgdbf" "$p_dump" ">=" 3
row "dump / dbfbench csv" "$t_dump" "$t_csv" "$p_dump" "$p_csv" "<=" 1.5
row "ordered dump / (dbfbench sort + csv)" "$t_ordered" "$t_sort_csv" "$p_ordered" "$p_sort_csv" "<=" 1.5
row "awk + sort -s / ordered dump" "$t_awk" "$t_ordered" "$p_awk" "$p_ordered"
row "count / dbfbench filter" "$t_count" "$t_filter" "$p_count" "$p_filter" "<=" 2
row "ogrinfo ILIKE / count" "$t_ogr" "$t_count" "$p_ogr" "$p_count"
echo
printf '%-58s %7s  %-7s %s\n' "open table in tag order, heap bytes per record" "$heap_per_record" \
    "< 96" "$(verdict "$heap_per_record" "<" 96)"
printf '%-58s %7s\n' "open table in tag order, anonymous RSS bytes per record" "$anon_per_record"
printf '%-58s %7s\n' "pnhold-dbf count: peak RSS KiB (file pages included)" "$max_rss_kib"
printf '%-58s %7s\n' "table file KiB" "$file_kib"
