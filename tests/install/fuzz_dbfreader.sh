#!/bin/sh
# Builds the dBASE reader's fuzz target with clang's libFuzzer and
# AddressSanitizer and runs it for a bounded time over the kept corpus.
# usage: fuzz_dbfreader.sh <source root> <work folder> <Qt include dirs, ':'-separated> <QtCore library> [seconds]
set -eu
src=$1
work=$2
qtincludes=$3
qtcore=$4
seconds=${5:-20}

mkdir -p "$work/corpus" "$work/crashes"
includes="-I$src"
oldifs=$IFS
IFS=:
for dir in $qtincludes; do includes="$includes -I$dir"; done
IFS=$oldifs

# shellcheck disable=SC2086
clang++ -std=c++17 -g -O1 -fPIC -fsanitize=fuzzer,address $includes \
    "$src/tests/install/fuzz_dbfreader.cpp" \
    "$src/install/dbftable.cpp" "$src/install/dbfrecord.cpp" \
    "$src/install/dbftext.cpp" "$src/install/dostext.cpp" \
    "$qtcore" -o "$work/fuzz_dbfreader"

# The kept corpus seeds a working copy, so the sources stay as committed.
cp "$src"/tests/install/fuzz_corpus/*.dbf "$work/corpus/"
"$work/fuzz_dbfreader" -max_total_time="$seconds" -max_len=4096 -rss_limit_mb=1024 \
    -artifact_prefix="$work/crashes/" "$work/corpus"
