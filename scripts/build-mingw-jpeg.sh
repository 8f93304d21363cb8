#!/usr/bin/env bash
# Builds libjpeg-turbo for the Windows program: the same version as the Linux build's, from the
# distribution's source package, cross-compiled with mingw-w64 into a static library with its
# SIMD code, installed into .cache/mingw-libjpeg-turbo-<version>. Skipped when already there.
# The package lists are fetched into private folders under .cache: nothing under /etc changes.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cache=$root/.cache
version=$(dpkg-query -W -f='${source:Version}' libjpeg62-turbo-dev)
upstream=${version#*:}
upstream=${upstream%-*}
prefix=$cache/mingw-libjpeg-turbo-$upstream
if [ -f "$prefix/lib/libjpeg.a" ] && [ -f "$prefix/include/jpeglib.h" ]; then
    exit 0
fi
echo "Building libjpeg-turbo $version for Windows into $prefix"

# The system's own package sources, asked for source packages.
apt_dir=$cache/apt-source
mkdir -p "$apt_dir/sources.list.d" "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    sed -E 's/^Types:.*/Types: deb-src/' "$f" >"$apt_dir/sources.list.d/$(basename "$f")"
done
# The downloads run as the calling user: apt's own download user may not write into .cache.
apt_options=(-o "Dir::Etc::SourceParts=$apt_dir/sources.list.d" -o Dir::Etc::SourceList=/dev/null
    -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir/cache"
    -o "APT::Sandbox::User=$(id -un)")
apt-get "${apt_options[@]}" update -qq

work=$cache/mingw-libjpeg-turbo-source
rm -rf "$work"
mkdir -p "$work"
(cd "$work" && apt-get "${apt_options[@]}" source -qq "libjpeg-turbo=$version" >/dev/null)
source_dir=$(find "$work" -mindepth 1 -maxdepth 1 -type d -name 'libjpeg-turbo-*' | head -n 1)
[ -n "$source_dir" ] || { echo "The source package did not unpack" >&2; exit 1; }

cmake -S "$source_dir" -B "$work/build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix.partial" \
    -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=ON -DREQUIRE_SIMD=ON \
    -DWITH_TURBOJPEG=OFF -DWITH_JAVA=OFF -Wno-dev >"$work/configure.log" 2>&1
cmake --build "$work/build" -j"$(nproc)" >"$work/build.log"
rm -rf "$prefix.partial"
cmake --install "$work/build" >"$work/install.log"
# The licence notices, shipped beside the Windows program.
mkdir -p "$prefix.partial/licences"
cp "$source_dir/LICENSE.md" "$source_dir/README.ijg" "$prefix.partial/licences/"
rm -rf "$prefix"
mv "$prefix.partial" "$prefix"
rm -rf "$work"
echo "libjpeg-turbo $upstream for Windows: $prefix"
