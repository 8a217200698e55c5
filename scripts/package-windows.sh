#!/usr/bin/env bash
# Packages the Windows build (scripts/build-windows.sh) for 64-bit Windows: a zip of the program
# folder and an NSIS setup program, both in build-windows/package/.
#   scripts/package-windows.sh         packages the present build-windows/
set -euo pipefail
cd "$(dirname "$0")/.."
usage="usage: scripts/package-windows.sh   packages build-windows/ (made by scripts/build-windows.sh) into
build-windows/package/quorvex-stavo-VERSION-win64.zip and quorvex-stavo-VERSION-win64-setup.exe
(needs cmake, zip and makensis: scripts/setup.sh --windows installs them)"
case "${1:-}" in
  -h | --help) echo "$usage"; exit 0 ;;
  "") ;;
  *) echo "scripts/package-windows.sh: unknown option '$1' (try --help)" >&2; exit 2 ;;
esac
[ $# -le 1 ] || { echo "scripts/package-windows.sh: too many arguments (try --help)" >&2; exit 2; }
fail() { echo "package-windows: $*" >&2; exit 1; }

for tool in cmake zip makensis; do
  command -v "$tool" >/dev/null || fail "no $tool (scripts/setup.sh --windows installs it)"
done
build="build-windows"
[ -f "$build/CMakeCache.txt" ] || fail "no $build/ (run scripts/build-windows.sh first)"

# The version: the top CMakeLists.txt's, which the build must have been configured with.
version=$(awk '/^project\(QuorvexStavo/ { p = 1 }
  p && match($0, /VERSION[ \t]+[0-9][0-9.]*/) { v = substr($0, RSTART, RLENGTH); sub(/VERSION[ \t]+/, "", v); print v; exit }
  p && /\)/ { exit }' CMakeLists.txt)
[[ "$version" =~ ^[0-9]+(\.[0-9]+){0,3}$ ]] || fail "no version in CMakeLists.txt's project()"
built=$(sed -n 's/^CMAKE_PROJECT_VERSION:[A-Z]*=//p' "$build/CMakeCache.txt")
[ -z "$built" ] || [ "$built" = "$version" ] ||
  fail "$build/ was configured for version $built, CMakeLists.txt says $version (run scripts/build-windows.sh)"
file_version=$version
while [[ "$file_version" =~ ^[0-9]+(\.[0-9]+){0,2}$ ]]; do file_version+=.0; done

name="quorvex-stavo-$version-win64"
out="$build/package"
stage="$out/stage"
folder="$out/$name"
rm -rf "$stage" "$folder" "$out/nsis" "$out/$name.zip" "$out/$name-setup.exe"
mkdir -p "$stage" "$out/nsis"
out=$(cd "$out" && pwd)
stage="$out/stage"
folder="$out/$name"

# 1. What `cmake --install` installs, laid out flat: the programs with their DLLs and Qt's plug-in
# folders at the top, then samples/, docs/ (the README's pages and pictures), README.txt and
# LICENSE.txt (the repository's LICENSE). Anything else it installs (but the import libraries,
# which are only for linking) means this script needs an update.
cmake --install "$build" --prefix "$stage" >/dev/null
doc="share/doc/quorvex-stavo"
unexpected=$(find "$stage" -type f -printf '%P\n' | grep -Ev \
  "^bin/|^share/quorvex-stavo/samples/|^$doc/README\.md\$|^$doc/docs/[^/]+\.(png|md)\$|^lib/.*\.dll\.a\$" || :)
[ -z "$unexpected" ] || fail "installed files this script does not place: ${unexpected//$'\n'/ }"
for f in bin/quorvex.exe bin/veltrix-host.exe share/quorvex-stavo/samples/lhbp.asr \
  share/quorvex-stavo/samples/airports.txt "$doc/README.md"; do
  [ -f "$stage/$f" ] || fail "cmake --install did not install $f"
done

mkdir -p "$folder/samples" "$folder/docs"
cp -R "$stage/bin/." "$folder/"
cp -R "$stage/share/quorvex-stavo/samples/." "$folder/samples/"
if compgen -G "$stage/$doc/docs/*.png" >/dev/null; then
  cp "$stage/$doc/docs/"*.png "$folder/docs/"
fi
# Without their symbols (the compiler's runtime DLLs come with them): a third of the size.
find "$folder" \( -name '*.exe' -o -name '*.dll' \) -exec x86_64-w64-mingw32-strip --strip-unneeded {} +
crlf() { sed 's/\r$//; s/$/\r/' "$1" >"$2"; }
crlf "$stage/$doc/README.md" "$folder/README.txt"
# The pages README.txt links to, under the names it links to, with Windows line ends as well.
for page in "$stage/$doc/docs/"*.md; do
  if [ -e "$page" ]; then crlf "$page" "$folder/docs/${page##*/}"; fi
done
crlf LICENSE "$folder/LICENSE.txt"

# 2. The zip, with the folder as its top entry.
(cd "$out" && zip -r -X -q "$name.zip" "$name")

# 3. The setup program. Its file lists come from the folder: what to install (SetOutPath and File
# per folder, top first) and what the uninstaller removes (the same files, then the folders,
# deepest first), so that it removes nothing it did not install.
files="$out/nsis/files.nsh"
deletes="$out/nsis/deletes.nsh"
bad=$(cd "$folder" && find . -name '*["`$*?<>|]*' -o -name "*'*" -o -name '*\\*')
[ -z "$bad" ] || fail "file names NSIS lines cannot hold: ${bad//$'\n'/ }"
{
  echo "; Made by scripts/package-windows.sh from $name: the files to install."
  (cd "$folder" && find . -type d | LC_ALL=C sort) | while read -r dir; do
    rel=${dir#.}
    echo "SetOutPath \"\$INSTDIR${rel//\//\\}\""
    (cd "$folder/$dir" && find . -maxdepth 1 -type f | LC_ALL=C sort) | while read -r f; do
      echo "File \"$folder$rel/${f#./}\""
    done
  done
} >"$files"
{
  echo "; Made by scripts/package-windows.sh from $name: the files the uninstaller removes."
  (cd "$folder" && find . -type f | sed 's|^\./||' | LC_ALL=C sort) | while read -r f; do
    echo "Delete \"\$INSTDIR\\${f//\//\\}\""
  done
  (cd "$folder" && find . -mindepth 1 -type d | sed 's|^\./||') |
    awk -F/ '{ print NF "\t" $0 }' | LC_ALL=C sort -t $'\t' -k1,1nr -k2,2r | cut -f2- | while read -r d; do
      echo "RMDir \"\$INSTDIR\\${d//\//\\}\""
    done
} >"$deletes"
size_kb=$(du -sk "$folder" | cut -f1)
makensis -V2 -INPUTCHARSET UTF8 \
  -DVERSION="$version" -DFILE_VERSION="$file_version" -DSTAGED="$folder" \
  -DFILES_NSH="$files" -DDELETES_NSH="$deletes" -DSIZE_KB="$size_kb" \
  -DOUTFILE="$out/$name-setup.exe" \
  packaging/windows/quorvex-stavo.nsi

# 4. What was made.
for f in "$out/$name.zip" "$out/$name-setup.exe"; do
  printf '%s  %s bytes\n' "$build/package/${f##*/}" "$(stat -c %s "$f")"
done
