#!/usr/bin/env bash
# Makes every file that is released, from the commit that is checked out (a
# tree without uncommitted changes), into dist/:
#   Tarnwick-<version>-x64.msi, -x86.msi    the Windows installers
#   Tarnwick-<version>-windows-x64.zip, -x86.zip   their files, to unpack
#   tarnwick_<version>_amd64.deb            the Debian package (lintian-checked)
#   SHA256SUMS
# Every time in them is the commit's (SOURCE_DATE_EPOCH), so that two runs
# on one commit make the same bytes.
#   scripts/package.sh --working-tree   packages uncommitted changes too, for
#                                       the tests (scripts/test.sh): no release
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD
scripts/deps.sh package
if [ "${1:-}" != --working-tree ] && [ -n "$(git status --porcelain --untracked-files=no)" ]; then
  echo "scripts/package.sh: uncommitted changes; a release is made from a commit" >&2
  exit 1
fi
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
export SOURCE_DATE_EPOCH
# Where ccache compiles, it names the sources relative to this folder, as
# the build flags map them where it does not: the same debug information,
# and so the same build IDs, from any checkout.
export CCACHE_BASEDIR=$top
version=$(sed -n 's/^project(Tarnwick VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
rm -rf dist
mkdir dist

# The Debian package, with Debian's build flags (hardening, and source paths
# mapped away from this folder).
(
  eval "$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --export=sh)"
  cmake --preset package --fresh -DCMAKE_C_FLAGS="$CFLAGS $CPPFLAGS" \
    -DCMAKE_CXX_FLAGS="$CXXFLAGS $CPPFLAGS" -DCMAKE_EXE_LINKER_FLAGS="$LDFLAGS" \
    -DCMAKE_SHARED_LINKER_FLAGS="$LDFLAGS" >/dev/null
)
cmake --build --preset package
(cd build-package && cpack -G DEB >/dev/null)
cp "build-package/tarnwick_${version}_amd64.deb" dist/
echo "lintian on tarnwick_${version}_amd64.deb:"
lintian --fail-on error,warning --info "dist/tarnwick_${version}_amd64.deb" || {
  echo "lintian found errors or warnings" >&2
  exit 1
}

# Per architecture the MSI, and the zip of the same files.
for arch in x64 x86; do
  preset=windows-$arch build="build-win64"
  [ $arch = x86 ] && build="build-win32"
  cmake --preset $preset --fresh >/dev/null
  rm -f "$build/Tarnwick-$version-$arch.msi"  # made again: its times are this commit's
  cmake --build --preset $preset --target msi
  cp "$build/Tarnwick-$version-$arch.msi" dist/
  name=Tarnwick-$version-windows-$arch
  rm -rf "$build/zip"
  mkdir "$build/zip"
  cp -r "$build/stage" "$build/zip/$name"
  find "$build/zip" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
  (cd "$build/zip" && find "$name" -type f | LC_ALL=C sort |
    TZ=UTC zip -X -D -q "$top/dist/$name.zip" -@)
done

(cd dist && sha256sum -- * >SHA256SUMS)
ls -l dist
