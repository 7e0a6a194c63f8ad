#!/usr/bin/env bash
# The lint's cache (scripts/tidy_cached.py) checks a unit again when, and only when, anything a check
# reads has changed, and keeps clean results only. The stand-in clang-tidy rejects units saying REJECT_ME.
set -euo pipefail
tidy_cached=$(cd "$(dirname "$0")/../../scripts" && pwd)/tidy_cached.py
scratch=$(mktemp -d "${TMPDIR:-/tmp}/tarnwick-lint-key.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
cd "$scratch"

mkdir -p bin build cache game other
cat >bin/clang-tidy <<'EOF'
#!/bin/sh
[ "$1" = --version ] && { echo "stand-in clang-tidy 1"; exit 0; }
echo checked >>"$TIDY_CALLS"
! grep -q REJECT_ME unit.cpp
EOF
chmod +x bin/clang-tidy
export PATH="$scratch/bin:$PATH" TIDY_CALLS="$scratch/calls"
echo "Checks: '-*,bugprone-macro-parentheses'" >.clang-tidy
printf '#pragma once\ninline int twice(int n) { return 2 * n; }\n' >game/Twice.h
cp game/Twice.h other/Twice.h
printf '#include "game/Twice.h"\nint main() { return twice(0); }\n' >unit.cpp
printf 'int unrelated() { return 1; }\n' >unrelated.cpp
cat >build/compile_commands.json <<EOF
[{"directory": "$scratch/build", "file": "$scratch/unit.cpp",
  "command": "clang++ -std=c++20 -I$scratch -c $scratch/unit.cpp -o unit.o"}]
EOF

failures=0
# row EXPECTED DESCRIPTION EDIT: EXPECTED is checked, cached or rejected (checked, and the lint fails).
row() {
    local expected=$1 description=$2 seen=cached
    eval "$3"
    rm -f "$TIDY_CALLS"
    if ! python3 "$tidy_cached" build cache unit.cpp >/dev/null 2>&1; then
        seen=rejected
    elif [[ -s $TIDY_CALLS ]]; then
        seen=checked
    fi
    [[ $seen == "$expected" ]] || failures=$((failures + 1))
    echo "$description: $seen, expected $expected"
}

row checked "first run" ":"
row cached "nothing changed" ":"
row cached "a file the unit does not include changed" "echo '// edited' >>unrelated.cpp"
row checked "a NOLINT comment added" "sed -i 's|return twice(0);|return twice(0); // NOLINT|' unit.cpp"
row checked "an unused macro added" "sed -i '1i #define TARNWICK_TWICE(x) ((x) * 2)' unit.cpp"
row checked "the unused macro changed" "sed -i 's|((x) \* 2)|x * 2|' unit.cpp"
row checked "a NOLINT on the macro" "sed -i 's|x \* 2$|x * 2 // NOLINT|' unit.cpp"
row checked "the same header from another folder" "sed -i 's|game/Twice.h|other/Twice.h|' unit.cpp"
row checked "the header edited" "echo '// edited' >>other/Twice.h"
row checked "the .clang-tidy edited" "echo '# edited' >>.clang-tidy"
row cached "another folder's .clang-tidy added" "echo 'Checks: -*' >other/.clang-tidy"
row rejected "a unit clang-tidy rejects" "echo '// REJECT_ME' >>unit.cpp"
row rejected "the rejected unit again: not kept" ":"
row cached "all of it again" "sed -i '/REJECT_ME/d' unit.cpp"
((failures == 0))
