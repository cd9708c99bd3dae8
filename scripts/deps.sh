#!/usr/bin/env bash
# Installs the Debian packages the build needs, when they are missing: CLI11 and nlohmann-json for
# the vor4 tool, GDAL (its programs and Python bindings) for the demo and the tool's round-trip test,
# clang with libFuzzer for the fuzz targets, the mingw-w64 cross compiler and Wine for the Windows
# build and its tests (with the locale sources, from which scripts/windows.sh compiles the locales
# its tests run under). Last, it fetches the sources of pugixml for the Windows build (Debian's source
# package, see the end of this script).
set -euo pipefail
cd "$(dirname "$0")/.."
need=()
for pkg in build-essential cmake pkg-config libgtest-dev libgmock-dev libbenchmark-dev libpugixml-dev \
           libcli11-dev nlohmann-json3-dev gdal-bin python3-gdal clang libclang-rt-14-dev \
           googletest g++-mingw-w64-x86-64-posix wine wine64 locales; do
  dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || need+=("$pkg")
done
if [ ${#need[@]} -gt 0 ]; then
  echo "installing: ${need[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq "${need[@]}"
fi

# The Python package and its tests: numpy, xarray and Dask come from Debian, without the
# recommended extras (file-format libraries the package does not use).
py=()
for pkg in python3-numpy python3-xarray python3-dask python3-distributed python3-pytest python3-venv python3-setuptools python3-wheel; do
  dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || py+=("$pkg")
done
if [ ${#py[@]} -gt 0 ]; then
  echo "installing: ${py[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${py[@]}"
fi

# pugixml for the Windows build, from Debian's source package of the version the Linux build uses.
# apt-get reads a sources list of its own here, with its own package lists and cache, so the
# machine's apt setup stays as it is. scripts/windows.sh compiles it with the cross compiler.
src=build/windows-deps/pugixml-src
if [ ! -f "$src/CMakeLists.txt" ]; then
  apt_root="$PWD/build/windows-deps/apt"
  rm -rf "$apt_root" && mkdir -p "$apt_root/lists/partial" "$apt_root/cache/archives/partial" "$apt_root/source"
  echo "deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian bookworm main" \
    > "$apt_root/sources.list"
  apt_private=(-o Dir::Etc::SourceList="$apt_root/sources.list" -o Dir::Etc::SourceParts=/dev/null
               -o Dir::State::Lists="$apt_root/lists" -o Dir::Cache="$apt_root/cache" -o APT::Sandbox::User=root)
  echo "fetching the pugixml sources for the Windows build"
  apt-get "${apt_private[@]}" update -qq
  (cd "$apt_root/source" && apt-get "${apt_private[@]}" source -qq pugixml >/dev/null)
  rm -rf "$src" && mv "$apt_root"/source/pugixml-*/ "$src"
  rm -rf "$apt_root"
fi
