#!/usr/bin/env bash
# The Windows build, run for real under Wine: cross-compiles velmora.exe and
# the unit tests that run on Windows into build-wine/, runs those tests under
# Wine, then the end-to-end tests of velmora.exe under Wine on the X display.
# Wine's prefix, its home directory and everything else it writes stay in
# build-wine/wine/; its server runs for this stage only.
#
# Usage: tools/test-wine.sh [Linux test build directory, default build-tests]
# tools/test.sh runs it after the Linux tests, on its private Xvfb display;
# run alone it starts one of its own when DISPLAY is not set.
set -euo pipefail
cd "$(dirname "$0")/.."

fail() {
    echo "Wine stage: $*" >&2
    exit 1
}

tools/install-dependencies.sh test
command -v wine >/dev/null && command -v wineserver >/dev/null ||
    fail "Wine is not installed (Debian packages wine and wine64)"
command -v x86_64-w64-mingw32-g++-posix >/dev/null ||
    fail "the mingw-w64 cross compiler is not installed (Debian package mingw-w64)"

build=build-wine
linux_build="${1:-build-tests}"

cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
      -DCMAKE_BUILD_TYPE=Release -DVELMORA_WERROR=ON -DVELMORA_BUILD_TESTS=ON >/dev/null
cmake --build "$build" -j"$(nproc)"
# The driver of the end-to-end tests is a Linux program (X, XTest).
if [ ! -f "$linux_build/CMakeCache.txt" ]; then
    cmake -S . -B "$linux_build" -DCMAKE_BUILD_TYPE=Debug -DVELMORA_SANITIZE=ON -DVELMORA_WERROR=ON \
          -DVELMORA_BUILD_TESTS=ON -DVELMORA_BUILD_BENCH=OFF -DVELMORA_BUILD_FUZZ=OFF >/dev/null
fi
cmake --build "$linux_build" -j"$(nproc)" --target velmora_wine_e2e_tests

if [ -z "${DISPLAY:-}" ]; then
    source tools/xvfb.sh
    start_private_display
fi

wine_dir="$PWD/$build/wine"
export WINEPREFIX="$wine_dir/prefix"
export WINEARCH=win64
export WINEDEBUG=-all
# No Mono or Gecko installers, and no menu entries or file associations for
# the desktop.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
# Wine writes beside the prefix into the home directory (and the XDG ones).
export HOME="$wine_dir/home"
export XDG_CONFIG_HOME="$HOME/.config" XDG_DATA_HOME="$HOME/.local/share" XDG_CACHE_HOME="$HOME/.cache"
mkdir -p "$WINEPREFIX" "$HOME"

# One server for the whole stage, stopped with everything it runs at the end
# (and so is a display this script started).
finish() {
    wineserver -k 2>/dev/null || true
    if [ -n "${XVFB_PID:-}" ]; then kill "$XVFB_PID" 2>/dev/null; wait "$XVFB_PID" 2>/dev/null; fi
    return 0
}
trap finish EXIT
wineserver -k 2>/dev/null || true   # left over from an interrupted run
wineserver -p || fail "wineserver does not start (is the Wine installation complete?)"

# A prefix is made once (it takes a while) and kept with the build.
if [ ! -f "$WINEPREFIX/.velmora-ready" ]; then
    echo "Making the Wine prefix $WINEPREFIX"
    if ! wine wineboot --init >"$wine_dir/wineboot.log" 2>&1; then
        cat "$wine_dir/wineboot.log" >&2
        fail "Wine could not set up its prefix in $WINEPREFIX"
    fi
    # Consoles keep 9001 rows of 120 columns, as on Windows 10 (Wine's own
    # default is 25 rows): the tests read the program's console from the top.
    wine reg add 'HKCU\Console' /v ScreenBufferSize /t REG_DWORD /d 0x23290078 /f \
        >>"$wine_dir/wineboot.log" 2>&1 || fail "Wine could not write its registry in $WINEPREFIX"
    touch "$WINEPREFIX/.velmora-ready"
fi

echo "Unit tests under Wine: $build/tests/velmora_windows_tests.exe"
status=0
(cd "$build" && timeout 300 wine tests/velmora_windows_tests.exe --gtest_brief=1) || status=$?
[ $status -eq 0 ] || fail "the unit tests failed under Wine (exit code $status)"

# The end-to-end tests start from a Wine session of their own, as a user who
# starts the program fresh. Started right after the unit tests, in the session
# those had just brought up, the program's window was now and then left
# inactive (it never drew and took no keys); in a session of their own it
# never was.
wineserver -k 2>/dev/null || true
wineserver -w
wineserver -p || fail "wineserver does not start again"

echo "End-to-end tests of $build/velmora.exe under Wine on display $DISPLAY"
status=0
VELMORA_WINE_RUNTIME_DIR="$PWD/$build" VELMORA_WINE_CONSOLE_TEXT="$PWD/$build/tests/consoletext.exe" \
    timeout 600 "$linux_build/tests/velmora_wine_e2e_tests" || status=$?
[ $status -eq 0 ] || fail "the end-to-end tests failed under Wine (exit code $status)"
echo "Wine stage passed"
