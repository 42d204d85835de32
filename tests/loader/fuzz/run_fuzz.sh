#!/usr/bin/env bash
# Builds the image header fuzz target with clang's libFuzzer and runs it for a
# bounded time from a few seed files. Usage: run_fuzz.sh SOURCE_DIR WORK_DIR SECONDS
set -euo pipefail
source_dir=$1
work_dir=$2
seconds=$3

mkdir -p "$work_dir/corpus"
clang++ -std=c++17 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
  -I "$source_dir/loader" \
  "$source_dir/tests/loader/fuzz/image_validation_fuzz.cpp" "$source_dir/loader/image_validation.cpp" \
  -o "$work_dir/image_validation_fuzz"

# Seeds: a header for each of the machines the rule tells apart, and one for another.
seed() {
  { printf 'MZ'; head -c 58 /dev/zero; printf '\x40\x00\x00\x00PE\x00\x00'; printf "$2"; head -c 18 /dev/zero; } \
    > "$work_dir/corpus/$1"
}
seed x64 '\x64\x86'
seed i386 '\x4c\x01'
seed arm64 '\x64\xaa'

cd "$work_dir"
./image_validation_fuzz -max_total_time="$seconds" -max_len=4096 -print_final_stats=1 corpus
