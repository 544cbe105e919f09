#!/usr/bin/env bash
# Checks what an installed copy carries: the desktop entry and metainfo pass their
# validators, the manual pages render without a warning, and `cmake --install`
# from the build folder given (default: build) lays out exactly the expected files.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
fail=0

desktop-file-validate resources/corvane.desktop || fail=1
for page in resources/man/*.1; do
    warnings=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
    if [ -n "$warnings" ]; then
        echo "$page: $warnings" >&2
        fail=1
    fi
done

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
DESTDIR="$stage" cmake --install "$build" --prefix /usr >/dev/null
expected="usr/bin/bxa
usr/bin/corvane
usr/share/applications/corvane.desktop
usr/share/icons/hicolor/16x16/apps/corvane.png
usr/share/icons/hicolor/256x256/apps/corvane.png
usr/share/icons/hicolor/32x32/apps/corvane.png
usr/share/icons/hicolor/48x48/apps/corvane.png
usr/share/icons/hicolor/scalable/apps/corvane.svg
usr/share/locale/ja/LC_MESSAGES/corvane.mo
usr/share/man/man1/bxa.1
usr/share/man/man1/corvane.1
usr/share/metainfo/org.corvane.corvane.metainfo.xml"
actual=$(cd "$stage" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)
if [ "$actual" != "$expected" ]; then
    echo "installed files differ from the expected layout:" >&2
    diff <(echo "$expected") <(echo "$actual") >&2 || true
    fail=1
fi

# The metainfo as installed, with its release filled in; even the pedantic notes fail.
metainfo="$stage/usr/share/metainfo/org.corvane.corvane.metainfo.xml"
if ! notes=$(appstreamcli validate --pedantic --no-net "$metainfo" 2>&1) || grep -q '^[EWIP]:' <<<"$notes"; then
    echo "$notes" >&2
    fail=1
fi

# The installed tool reports the project's version, read from the build's own cache.
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
shown=$("$stage/usr/bin/bxa" --version)
if [ "$shown" != "bxa (Corvane) $version" ]; then
    echo "bxa --version says '$shown', the project is at '$version'" >&2
    fail=1
fi
if ! grep -q "<release version=\"$version\"" "$metainfo"; then
    echo "the metainfo's release is not the project's version $version" >&2
    fail=1
fi

[ "$fail" -eq 0 ] && echo "install layout, desktop entry, metainfo and manual pages: fine"
exit "$fail"
