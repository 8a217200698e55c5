#!/usr/bin/env bash
# Builds the Qt we link the Windows programs against: Debian's own qt6-base source package (the
# version of the machine's Linux Qt), checked against its .dsc, with Debian's security patches,
# cross-compiled with MinGW-w64 into a cache outside the clone. Only the modules and plug-ins the
# project uses are built. A build whose stamp (source checksum, patches, options, compiler and
# this script) matches is reused; anything else is built anew, and the script says which.
#
#   scripts/windows-qt.sh            prints the Qt prefix on its last line (building it if needed)
#   QS_QT_CACHE=DIR                  where the builds are kept (default /var/cache/quorvex-stavo)
#
# Nothing is downloaded but Debian's source package, through the machine's own mirror.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
case "${1:-}" in
  -h | --help)
    echo "usage: scripts/windows-qt.sh   builds (or reuses) Qt for x86_64-w64-mingw32 and prints its prefix"
    exit 0 ;;
  "") ;;
  *) echo "scripts/windows-qt.sh: unknown option '$1' (try --help)" >&2; exit 2 ;;
esac

version=6.4.2+dfsg-10          # Debian bookworm's qt6-base, the same Qt as the Linux build's
upstream=6.4.2
cache=${QS_QT_CACHE:-/var/cache/quorvex-stavo}
jobs=${QS_JOBS:-2}
say() { echo "windows-qt: $*" >&2; }

# Debian's patches that change code we build; the rest are packaging or other architectures.
patches=(cve-2023-32762.diff cve-2023-32763.diff cve-2023-33285.diff cve-2023-24607.patch)

# Only what the project links (Core, Gui, Widgets, Network, Test) and the platform plug-ins
# (windows, offscreen) with the styles. Everything else is off, to keep the build short.
options=(
  -DCMAKE_BUILD_TYPE=Release
  -DBUILD_SHARED_LIBS=ON
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF
  -DQT_USE_DEFAULT_CMAKE_OPTIMIZATION_FLAGS=ON
  -DFEATURE_sql=OFF -DFEATURE_printsupport=OFF -DFEATURE_opengl=OFF -DINPUT_opengl=no
  -DFEATURE_dbus=OFF -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF -DFEATURE_vulkan=OFF
  -DFEATURE_ssl=OFF -DFEATURE_openssl=OFF -DFEATURE_schannel=OFF -DFEATURE_jpeg=OFF -DFEATURE_pdf=OFF
  -DFEATURE_textodfwriter=OFF -DFEATURE_textmarkdownreader=OFF -DFEATURE_textmarkdownwriter=OFF
  -DFEATURE_sessionmanager=OFF -DFEATURE_tabletevent=OFF -DFEATURE_icu=OFF -DFEATURE_glib=OFF
  -DFEATURE_zstd=OFF -DFEATURE_brotli=OFF
  -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_harfbuzz=OFF
  -DFEATURE_system_freetype=OFF -DFEATURE_system_png=OFF -DFEATURE_system_doubleconversion=OFF
  -DFEATURE_freetype=ON -DFEATURE_direct2d=ON
)

compiler=$(x86_64-w64-mingw32-g++-posix --version 2>/dev/null | head -n 1) ||
  { say "x86_64-w64-mingw32-g++-posix is missing: run scripts/setup.sh --windows"; exit 1; }

# The mirror is the machine's own; nothing is written into the machine's apt configuration.
work=$(mktemp -d "${TMPDIR:-/tmp}/windows-qt.XXXXXX")
trap 'rm -rf "$work"' EXIT
mirror=$(awk '/^URIs:/ { print $2; exit }' /etc/apt/sources.list.d/debian.sources 2>/dev/null || true)
[ -n "$mirror" ] || mirror=$(awk '$1 == "deb" { print $2; exit }' /etc/apt/sources.list 2>/dev/null || true)
[ -n "$mirror" ] || { say "no Debian mirror found in the machine's apt sources"; exit 1; }
mkdir -p "$work/apt/lists/partial"
printf 'Types: deb-src\nURIs: %s\nSuites: bookworm\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
  "$mirror" > "$work/apt/src.sources"
apto=(-o Dir::Etc::SourceList=/dev/null -o "Dir::Etc::SourceParts=$work/apt" -o "Dir::State::Lists=$work/apt/lists"
  -o APT::Sandbox::User=root)
say "fetching the source description of qt6-base $version"
(cd "$work" && apt-get "${apto[@]}" update -qq && apt-get "${apto[@]}" source --download-only --print-uris "qt6-base=$version") \
  > "$work/uris" 2>"$work/apt.log" || { cat "$work/apt.log" >&2; say "apt-get could not find qt6-base $version"; exit 1; }
dsc_sha=$(awk -v v="qt6-base_${version}.dsc" '$2 == v { print $4 }' "$work/uris" | sed 's/^SHA256://')
[ -n "$dsc_sha" ] || { say "the archive did not name the .dsc's checksum"; exit 1; }

# The stamp: what goes into the build. Raise the recipe when the steps below change what they make.
recipe=1
key=$( { echo "recipe $recipe"; echo "$dsc_sha"; printf '%s\n' "${patches[@]}" "${options[@]}"; echo "$compiler";
         grep -v '^#' "$root/cmake/mingw-w64-x86_64.cmake"; } | sha256sum | cut -c1-16)
prefix="$cache/qt-$upstream-mingw64-$key"
if [ -f "$prefix/.stamp" ] && [ -f "$prefix/lib/cmake/Qt6/Qt6Config.cmake" ]; then
  say "reusing the cached build in $prefix (stamp $key)"
  echo "$prefix"
  exit 0
fi
say "no cached build for stamp $key: building Qt $upstream for Windows into $prefix"
# The source and the build tree live beside the cache until the build is installed, so that a
# build that was interrupted (or failed and was mended) goes on where it stopped.
tree="$cache/build-qt-$upstream-mingw64-$key"
find "$cache" -maxdepth 1 -name 'build-qt-*' ! -name "${tree##*/}" -exec rm -rf {} + 2>/dev/null || true
mkdir -p "$tree"
if [ -f "$tree/build/build.ninja" ]; then
  say "going on with the build in $tree"
else
(cd "$work" && apt-get "${apto[@]}" -qq source --download-only "qt6-base=$version") >"$work/apt.log" 2>&1 ||
  { cat "$work/apt.log" >&2; say "the source download failed"; exit 1; }
dsc="$work/qt6-base_${version}.dsc"
echo "$dsc_sha  $dsc" | sha256sum -c --quiet - || { say "the .dsc does not match the archive's checksum"; exit 1; }
# Each file the .dsc lists must match its SHA-256 there.
awk '/^Checksums-Sha256:/ { on = 1; next } /^[^ ]/ { on = 0 } on && NF == 3 { print $1 "  " $3 }' "$dsc" \
  | (cd "$work" && sha256sum -c --quiet -) || { say "a source file does not match the .dsc"; exit 1; }
say "source checked against the .dsc; unpacking"
rm -rf "$tree/src" "$tree/build"
mkdir -p "$tree/src"
tar -xf "$work/qt6-base_${upstream}+dfsg.orig.tar.xz" -C "$tree/src" --strip-components=1
tar -xf "$work/qt6-base_${version}.debian.tar.xz" -C "$tree/src"
for p in "${patches[@]}"; do
  patch -d "$tree/src" -p1 --quiet --forward < "$tree/src/debian/patches/$p" || { say "patch $p does not apply"; exit 1; }
done
say "configuring (about a minute)"
cmake -S "$tree/src" -B "$tree/build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DCMAKE_INSTALL_PREFIX="$prefix" "${options[@]}" > "$tree/configure.log" 2>&1 ||
  { tail -n 40 "$tree/configure.log" >&2; say "configure failed"; exit 1; }
fi

rm -rf "$prefix"
start=$(date +%s)
total=$(ninja -C "$tree/build" -n | grep -c '^\[' || true)
say "building $total steps with $jobs jobs (about 30 minutes for all of them on two idle cores)"
# Progress a line a minute, not ninja's thousand.
ninja -C "$tree/build" -j "$jobs" > "$tree/build.log" 2>&1 &
builder=$!
while kill -0 "$builder" 2>/dev/null; do
  sleep 60
  done_steps=$(grep -o '^\[[0-9]*/' "$tree/build.log" | tail -n 1 | tr -d '[/' || true)
  kill -0 "$builder" 2>/dev/null && say "$(( ($(date +%s) - start) / 60 )) min: step ${done_steps:-0} of $total"
done
wait "$builder" || { grep -A3 -e 'FAILED' -e 'error:' "$tree/build.log" | head -n 40 >&2;
  say "the build failed (its tree stays in $tree; the log is $tree/build.log)"; exit 1; }
cmake --install "$tree/build" > "$tree/install.log" 2>&1 || { tail -n 20 "$tree/install.log" >&2; say "install failed"; exit 1; }
{ echo "qt6-base $version, .dsc SHA-256 $dsc_sha"; echo "patches: ${patches[*]}"; echo "compiler: $compiler";
  echo "options: ${options[*]}"; echo "built $(date -u +%FT%TZ) in $(( $(date +%s) - start )) s"; } > "$prefix/.stamp"
rm -rf "$tree"
say "built in $(( $(date +%s) - start )) s: $prefix"
echo "$prefix"
