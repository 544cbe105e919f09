#!/usr/bin/env bash
# Checks that need no build: the sources follow .clang-format, every text the
# window shows has a Japanese translation, and the core folders stay free of the
# toolkit and of the window's headers.
set -euo pipefail
cd "$(dirname "$0")/.."
fail=0

mapfile -t sources < <(git ls-files '*.cpp' '*.h')
if ! clang-format --dry-run -Werror "${sources[@]}"; then
    echo "lint: run clang-format -i on the files above" >&2
    fail=1
fi

# A text marked for translation but missing from the catalog (or left empty
# there) would show in English inside the Japanese interface.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mapfile -t ui_sources < <(git ls-files 'app/*.cpp' 'app/*.h' 'dialogs/*.cpp' 'dialogs/*.h')
xgettext --language=C++ --from-code=UTF-8 --keyword=_ --keyword=wxTRANSLATE --keyword=wxPLURAL:1,2 \
    --output="$scratch/corvane.pot" "${ui_sources[@]}"
if ! msgcmp resources/po/ja.po "$scratch/corvane.pot" 2>"$scratch/msgcmp.txt"; then
    # Name each missing text with the place that uses it, not a line of a scratch file.
    sed -n 's/^[^:]*:\([0-9]*\): this message is used but not defined.*/\1/p' "$scratch/msgcmp.txt" |
        while read -r line; do
            sed -n "$((line - 2)),${line}p" "$scratch/corvane.pot" | grep -E '^(#:|msgid)' >&2
        done
    echo "lint: add the texts above to resources/po/ja.po with their translations" >&2
    fail=1
fi

# The engine, the model, the OS layer and bxa build without the toolkit.
if grep -nE '^\s*#\s*include\s*[<"](wx/|app/|dialogs/)' -r engine model platform cli; then
    echo "lint: engine/, model/, platform/ and cli/ must not include wx or the window's headers" >&2
    fail=1
fi

[ "$fail" -eq 0 ] && echo "lint: formatting, translations and layering: fine"
exit "$fail"
