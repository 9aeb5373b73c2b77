#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz and runs each one in
# turn for a bounded time, at low priority.
#
#   scripts/fuzz.sh [seconds per target, default 600] [target ...]
#
# Targets: fuzz_binary_packet, fuzz_xml_packet, fuzz_filter_expression,
# fuzz_search_query, fuzz_mealmaster, fuzz_recipe_json, fuzz_recipe_page,
# fuzz_recipe_text, fuzz_shopping_list, fuzz_ingredient_line (all by default). Each
# starts from its seeds in fuzz/corpus/ and grows a working corpus in
# build-fuzz/fuzz/work/, so the committed seeds stay small; inputs that crash land in
# build-fuzz/fuzz/artifacts/<target>/.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$here/build-fuzz"

seconds="${1:-600}"
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    targets=(fuzz_binary_packet fuzz_xml_packet fuzz_filter_expression fuzz_search_query
             fuzz_mealmaster fuzz_recipe_json fuzz_recipe_page fuzz_recipe_text
             fuzz_shopping_list fuzz_ingredient_line)
fi

cd "$here"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target "${targets[@]}"

status=0
for target in "${targets[@]}"; do
    name="${target#fuzz_}"
    work="$build/fuzz/work/$name"
    artifacts="$build/fuzz/artifacts/$target"
    mkdir -p "$work" "$artifacts"
    options=(-max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$artifacts/")
    if [ -f "$here/fuzz/$name.dict" ]; then
        options+=(-dict="$here/fuzz/$name.dict")
    fi
    echo "== $target for $seconds s"
    if ! nice -n 10 "$build/fuzz/$target" "${options[@]}" "$work" "$here/fuzz/corpus/$name"; then
        echo "== $target found a failure; see $artifacts" >&2
        status=1
    fi
done
exit $status
