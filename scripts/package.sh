#!/usr/bin/env bash
# Builds the Debian package and checks it as a distribution would: a release build with Debian's
# hardening flags in build-package/ (scripts/build.sh package), `cpack -G DEB` there, and
# `lintian --pedantic` on the package. Fails on a lintian error or warning, and on any hardening
# tag at all (hardening-no-pie, hardening-no-relro, hardening-no-bindnow,
# hardening-no-fortify-functions, ...), whatever its level.
#   scripts/package.sh      makes build-package/quorvex-stavo_VERSION_ARCH.deb and checks it
set -euo pipefail
cd "$(dirname "$0")/.."
case "${1:-}" in
  -h | --help)
    echo "usage: scripts/package.sh   builds build-package/ with Debian's hardening flags, makes the"
    echo "Debian package there with cpack, and checks it with lintian --pedantic"
    exit 0 ;;
  "") ;;
  *) echo "scripts/package.sh: unknown option '$1' (try --help)" >&2; exit 2 ;;
esac
fail() { echo "package: $*" >&2; exit 1; }

scripts/setup.sh lintian
scripts/build.sh package
rm -f build-package/*.deb
(cd build-package && cpack -G DEB >/dev/null)
debs=(build-package/*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "cpack made no single .deb in build-package/"
deb=${debs[0]}
echo "package: $deb, $(stat -c %s "$deb") bytes"

# lintian exits non-zero on errors only; its tags are read here. Overrides are not used.
report=$(lintian --pedantic --no-override --display-level '>=pedantic' "$deb" 2>&1) || :
[ -z "$report" ] || printf '%s\n' "$report"
hardening=$(printf '%s\n' "$report" | grep -E '^[A-Z]: [^ ]+: hardening-' || :)
[ -z "$hardening" ] || fail "lintian finds the package's binaries not hardened (see above)"
serious=$(printf '%s\n' "$report" | grep -E '^[EW]: ' || :)
[ -z "$serious" ] || fail "lintian reports errors or warnings (see above)"
echo "package: lintian --pedantic: no errors, no warnings, no hardening tags"
