#!/bin/sh
# Runs the script benchmarks with tessaro-pascal and Lua 5.4 side by side and prints the
# best of several runs of each, with the ratio pascal/lua (below 1 means faster than Lua).
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${BUILD_DIR:-$root/build-bench}
runs=${RUNS:-5}

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target tessaro-pascal >/dev/null
runner="$build/bin/tessaro-pascal"
lua=$(command -v lua5.4)

# Prints the shortest wall time in seconds of $runs runs of the given command.
best() {
    i=0
    min=
    while [ "$i" -lt "$runs" ]; do
        start=$(date +%s.%N)
        "$@" >/dev/null
        end=$(date +%s.%N)
        t=$(echo "$start $end" | awk '{ printf "%.4f", $2 - $1 }')
        if [ -z "$min" ] || awk -v a="$t" -v b="$min" 'BEGIN { exit !(a < b) }'; then min=$t; fi
        i=$((i + 1))
    done
    echo "$min"
}

printf '%-10s %10s %10s %8s\n' benchmark pascal lua ratio
for b in fib loop concat inttostr bubble sieve; do
    p=$(best "$runner" "$here/$b.rops")
    l=$(best "$lua" "$here/$b.lua")
    printf '%-10s %10s %10s %8s\n' "$b" "$p" "$l" "$(awk -v p="$p" -v l="$l" 'BEGIN { printf "%.2f", p / l }')"
done
