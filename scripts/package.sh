#!/usr/bin/env bash
# Builds the Debian package dedezuviv_<version>_<arch>.deb into the checkout's folder with CPack from
# the release tree in build/ (configured and built by scripts/build.sh when there is none yet), and
# shows lintian's findings on it.
#   --no-lintian   skip lintian (scripts/check-package.sh runs it itself)
set -euo pipefail
cd "$(dirname "$0")/.."
run_lintian=1
[ "${1:-}" = "--no-lintian" ] && run_lintian=0

if [ ! -f build/CMakeCache.txt ]; then
  ./scripts/build.sh
fi
cmake --build build -j2

# The package's changelog must have an entry for the version being packaged.
version=$(sed -nE 's/^project\(dedezuviv VERSION ([0-9.]+) .*/\1/p' CMakeLists.txt)
changelog_version=$(dpkg-parsechangelog -l data/debian/changelog -S Version)
if [ "$version" != "$changelog_version" ]; then
  echo "package: data/debian/changelog starts with version $changelog_version, CMakeLists.txt says $version" >&2
  exit 1
fi

rm -rf build/package
(cd build && cpack -G DEB >cpack.out 2>&1) || { cat build/cpack.out >&2; exit 1; }
deb=$(find build/package -maxdepth 1 -name "dedezuviv_${version}_*.deb" -print -quit)
[ -n "$deb" ] || { echo "package: cpack made no dedezuviv_${version}_*.deb" >&2; exit 1; }
cp "$deb" .
deb=$(basename "$deb")
echo "package: $deb"
if [ "$run_lintian" -eq 1 ]; then
  lintian --info --display-info "$deb" || true
fi
