#!/usr/bin/env bash
# The Windows build and its tests: the five DLLs and every test program cross-compiled with
# Debian's mingw-w64 GCC (cmake/toolchains/mingw-w64-x86_64.cmake) and run by ctest through Wine.
# One of the tests installs the DLLs, builds the C host example of examples/host against them and
# runs it under Wine; its output is compared with the Linux run's when that one is at hand.
# Usage: scripts/windows.sh [build folder, default build/windows]   (scripts/deps.sh first)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build="$root/${1:-build/windows}"
deps="$root/build/windows-deps"
toolchain="$root/cmake/toolchains/mingw-w64-x86_64.cmake"
jobs=$(nproc)
step() { printf '\n== %s\n' "$*"; }
now() { date +%s; }
t0=$(now)

[ -f "$deps/pugixml-src/CMakeLists.txt" ] || { echo "no pugixml sources in $deps: run scripts/deps.sh" >&2; exit 1; }

# One Wine prefix for the whole run, made once and kept in the build tree; its server stays up
# between the many short test programs instead of starting for each.
export WINEPREFIX="$root/build/wine-prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
step "Wine: prefix $WINEPREFIX"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  wineboot --init >/dev/null 2>&1 || true
fi
# A server still running (the one wineboot started, or one an earlier run left) refuses -p.
wineserver -k 2>/dev/null || true
wineserver -w
wineserver -p
trap 'wineserver -k 2>/dev/null || true' EXIT
wine cmd /c exit >/dev/null 2>&1 || true   # waits for the prefix, and starts Wine's services outside ctest (a test
                                            # that started them would have its output held open by them)
t_wine=$(now)

# The Unix locales the tests run Wine under, compiled into the build tree (LOCPATH), so that the
# machine's locale setup stays as it is. Wine takes the ANSI code page from the locale (Hindi: a
# locale without one, so 65001; Russian: 1251; English: 1252) and needs the locale installed to
# reach file names beyond ASCII.
step "locales for the tests under Wine"
export LOCPATH="$root/build/locales"
mkdir -p "$LOCPATH"
for l in hi_IN ru_RU en_US; do
  [ -f "$LOCPATH/$l.UTF-8/LC_CTYPE" ] || localedef -i "$l" -f UTF-8 "$LOCPATH/$l.UTF-8" || [ -f "$LOCPATH/$l.UTF-8/LC_CTYPE" ]
done

step "pugixml for Windows (static, from Debian's sources)"
if [ ! -f "$deps/prefix/lib/libpugixml.a" ]; then
  cmake -S "$deps/pugixml-src" -B "$deps/pugixml-build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF -DPUGIXML_BUILD_TESTS=OFF \
        -DCMAKE_INSTALL_PREFIX="$deps/prefix" >/dev/null
  cmake --build "$deps/pugixml-build" -j"$jobs" >/dev/null
  cmake --install "$deps/pugixml-build" >/dev/null
fi
t_deps=$(now)

step "configure and build $build"
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_PREFIX_PATH="$deps/prefix" -DEKX_BUILD_BENCH=OFF -DEKX_BUILD_DEMO=OFF >/dev/null
cmake --build "$build" -j"$jobs"
t_build=$(now)

step "the tests under Wine"
# A failed test runs once more: now and then Wine fails to start a test program at all (it ends
# at once, with no output), which says nothing of the test; a real failure fails twice.
ctest --test-dir "$build" --output-on-failure -j"$jobs" --timeout 300 --repeat until-pass:2
t_test=$(now)

# The C host example printed what it did; apart from the path of the document it creates, the
# Windows run says what the Linux run says.
linux_out="$root/build/release/tests/api/installed_host/host_output.txt"
windows_out="$build/tests/api/installed_host/host_output.txt"
if [ -f "$linux_out" ] && [ -f "$windows_out" ]; then
  step "the C host example: Windows output against Linux output"
  if diff <(grep -v '^creating ' "$linux_out") <(grep -v '^creating ' "$windows_out"); then
    echo "the same output"
  else
    echo "the host example's output differs between Linux and Windows" >&2
    exit 1
  fi
fi

step "times"
printf 'Wine prefix %ds, pugixml %ds, build %ds, tests %ds, in all %ds\n' \
  $((t_wine - t0)) $((t_deps - t_wine)) $((t_build - t_deps)) $((t_test - t_build)) $((t_test - t0))
