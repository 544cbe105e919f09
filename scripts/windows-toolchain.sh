#!/usr/bin/env bash
# Prepares a static wxWidgets for the Windows cross build, once, in a cache
# folder outside the tree that later runs (and CI on the same machine) reuse.
# Prints the installation prefix on its last line.
#   CORVANE_CACHE  cache folder (default /var/cache/corvane)
set -euo pipefail

cache="${CORVANE_CACHE:-/var/cache/corvane}"
wx_version=3.2.2
host=x86_64-w64-mingw32
prefix="$cache/wx-$wx_version-msw-static"
stamp="$prefix/.complete"

if [ -f "$stamp" ]; then
  echo "$prefix"
  exit 0
fi

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
$sudo mkdir -p "$cache"
$sudo chown "$(id -u):$(id -g)" "$cache"

# The sources come from the distribution's own source package, which needs a
# deb-src entry beside the binary one.
src_list=/etc/apt/sources.list.d/corvane-src.sources
if [ ! -f "$src_list" ]; then
  sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources | $sudo tee "$src_list" >/dev/null
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 update -qq
fi

work="$cache/src"
rm -rf "$work"
mkdir -p "$work"
(cd "$work" && apt-get source -qq --download-only wxwidgets3.2 >/dev/null &&
  dpkg-source -x --no-copy --skip-patches wxwidgets3.2_*.dsc wx >/dev/null)
wx_src="$work/wx"

# Without the bundled image, compression and XML libraries (the package
# removes them) and without the parts Corvane does not use.
build="$work/build"
mkdir -p "$build"
cd "$build"
"$wx_src/configure" -q --host=$host --build="$(gcc -dumpmachine)" --prefix="$prefix" \
  --with-msw --disable-shared --enable-unicode \
  --without-zlib --without-libpng --without-libjpeg --without-libtiff --without-expat \
  --without-liblzma --without-libcurl --without-regex --without-opengl \
  --disable-xrc --disable-html --disable-aui --disable-stc \
  --disable-richtext --disable-propgrid --disable-ribbon --disable-webview \
  --disable-mediactrl --disable-webrequest --disable-debugreport --disable-svg \
  --disable-compat30 --disable-tests --disable-precomp-headers \
  CC=$host-gcc-posix CXX=$host-g++-posix >/dev/null
make -s -j"$(nproc)" >/dev/null
make -s install >/dev/null
touch "$stamp"
rm -rf "$work"
echo "$prefix"
