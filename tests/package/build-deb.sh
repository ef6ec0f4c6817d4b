#!/usr/bin/env bash
# Builds the Debian package from a build folder and holds it to lintian.
#   build-deb.sh BUILD_DIR OUT_DIR
# Leaves OUT_DIR/tavrel.deb for the tests that unpack it. Fails on any lintian error, or when
# dpkg-shlibdeps did not fill in the libraries the game links.
set -euo pipefail
build=$1 out=$2
rm -rf "$out"
mkdir -p "$out"
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$out/cpack" >"$out/cpack.log" 2>&1 || {
    cat "$out/cpack.log" >&2
    exit 1
}
debs=("$out"/cpack/tavrel_*.deb)
[ -f "${debs[0]}" ] || { echo "cpack made no tavrel_*.deb" >&2; exit 1; }
cp "${debs[0]}" "$out/tavrel.deb"
echo "package: ${debs[0]##*/}"

depends=$(dpkg-deb -f "$out/tavrel.deb" Depends)
echo "Depends: $depends"
for lib in libsdl1.2debian libsdl-image1.2 libsdl-net1.2 libglu1-mesa libstdc++6 libc6; do
    [[ $depends == *"$lib"* ]] || { echo "Depends lacks $lib: shlibdeps did not run" >&2; exit 1; }
done

# Every tag is shown; only errors fail (the README's packaging notes explain the warnings).
lintian --tag-display-limit 0 --fail-on error "$out/tavrel.deb" | tee "$out/lintian.log"
