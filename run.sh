#!/usr/bin/env bash
# One entry point for people and CI: installs what the project needs (Debian 12),
# builds, and runs the demo, the tests or the benchmarks.
#   ./run.sh demo [fdhost args]   build fdhost, then run it on its built-in demo laptop
#   ./run.sh test                 build, then run the whole test suite under the sanitizers
#   ./run.sh bench                build optimised, then run the benchmarks
#   ./run.sh fuzz [SECONDS]       build the fuzz targets (clang) and run each (default 60 s)
#   ./run.sh sweep                unload every scenario at every point, serial and parallel
#   ./run.sh faults               fail every seam call of every scenario, each number up to 25
#   ./run.sh sim [SECONDS] [SEED] the swarm of random laptops for SECONDS (default 300), from
#                                 SEED (default: the clock), optimised, on every core
#   ./run.sh qemu                 fddisk against smartctl on real kernel drivers in a qemu guest
#   ./run.sh windows              the Windows build (mingw-w64), its tests and a smoke run under wine
#   ./run.sh package              the Debian package (build-package/devicefaultdetect_*.deb), checked
#   ./run.sh build                set-up and build only
set -euo pipefail
cd "$(dirname "$0")"

# Each target installs what it uses, and nothing more: the demo only the compiler and the
# libraries fdhost links.
BUILD_PACKAGES=(build-essential cmake ninja-build pkg-config liblog4cplus-dev librapidxml-dev
  libssl-dev nlohmann-json3-dev)
TEST_LIBRARIES=(libgtest-dev libgmock-dev libbenchmark-dev hdparm chromium)
FUZZ_PACKAGES=(clang libclang-rt-14-dev)
QEMU_PACKAGES=(qemu-system-x86 busybox-static smartmontools cpio python3)
WINDOWS_PACKAGES=(g++-mingw-w64-x86-64-posix wine wine64)

install_packages() { # package...
  local missing=()
  for p in "$@"; do
    [ "$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null)" = "install ok installed" ] || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
}

build() { # dir build-type [extra cmake args]
  local dir=$1 type=$2
  shift 2
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="$type" "$@" >/dev/null
  cmake --build "$dir" -j "$(nproc)"
}

FUZZ_TARGETS=(payload disk_record config_frame event_xml scenario reply_decode layout)

# Builds the fuzz targets with clang, then runs each over its checked-in corpus: seconds=0
# only replays the corpus, otherwise new inputs are kept in a scratch folder beside it.
fuzz() { # seconds
  local seconds=$1
  # -O1: the fuzz runs are short, and the build is what costs.
  CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g -DNDEBUG" -DFD_FUZZ=ON -DFD_TESTS=OFF -DFD_BENCH=OFF \
    -DFD_LINUX_DISKS=OFF >/dev/null
  cmake --build build-fuzz -j "$(nproc)" --target "${FUZZ_TARGETS[@]/#/fuzz_}"
  for t in "${FUZZ_TARGETS[@]}"; do
    local found="build-fuzz/found/$t"
    mkdir -p "$found"
    if [ "$seconds" -eq 0 ]; then
      "./build-fuzz/bin/fuzz_$t" -runs=0 "fuzz/corpus/$t" 2>&1 | tail -n 1
    else
      (cd "$found" && "../../bin/fuzz_$t" -max_total_time="$seconds" -print_final_stats=1 \
        . "../../../fuzz/corpus/$t" 2>&1 | grep -E "stat::(number_of_executed_units|average_exec_per_sec)|Done" |
        sed "s/^/$t: /")
    fi
  done
}

# The disk reader on disks that real kernel drivers serve: fddisk against smartctl in a small
# qemu guest. The test runs the sanitized build (a memory error against a real driver fails
# it); `./run.sh qemu` the optimised one, whose times the check reports. Skipped, with the
# reason, when qemu or the kernel package is missing.
qemu_check() { # build-dir [cmake args]
  local dir=$1
  shift
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir" -j "$(nproc)" --target fddisk
  local status=0
  tests/qemu/run-check.sh "$dir/bin/fddisk" "$dir/qemu-check" || status=$?
  [ "$status" -eq 77 ] && return 0
  return "$status"
}

# The Windows build (mingw-w64): the plug-in DLL, the host's stand-ins, fdhost.exe and the
# backend's tests, run under wine in a prefix of its own; then the smoke run, whose answers
# are compared with those of a Linux fdhost (the one given, or the demo build's).
windows() { # [linux fdhost]
  local linux_fdhost=${1:-}
  local offline=()
  [ -d ../shared/third_party/log4cplus-2.0.8 ] && [ -z "${FD_FETCH_LOG4CPLUS:-}" ] &&
    offline=(-DFETCHCONTENT_SOURCE_DIR_LOG4CPLUS="$PWD/../shared/third_party/log4cplus-2.0.8")
  cmake -S . -B build-windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake "${offline[@]}" >/dev/null
  local wine=""
  command -v wine >/dev/null && wine=yes
  export WINEPREFIX="$PWD/build-windows/wineprefix" WINEDEBUG=-all
  local prefix_ready=""
  if [ -n "$wine" ]; then
    # The prefix is made while the build runs (it mostly waits). Wine's display-less graphics
    # driver lets windows be created without an X server; it is read when wine starts, so the
    # server started by this first call goes.
    (wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null && wineserver -k || true) &
    prefix_ready=$!
  fi
  cmake --build build-windows -j "$(nproc)"
  if [ -z "$linux_fdhost" ]; then
    demo_build
    linux_fdhost=build-demo/bin/fdhost
  fi
  if [ -z "$wine" ]; then
    echo "windows: wine is not installed; the build is done, its tests and the smoke run are not"
    [ "${CI:-}" = true ] && return 1  # under CI nothing passes by skipping
    return 0
  fi
  wait "$prefix_ready"
  (cd build-windows/bin && wine fd_windows_tests.exe)
  tests/windows/smoke.sh build-windows/bin "$linux_fdhost"
}

# Only what the demo needs (fdhost, the plug-in, the emulator, the stand-ins), optimised, as
# unity builds: each library's files compiled a few at a time share the JSON library's
# templates, which halves the build (see README, "Installing").
demo_build() {
  cmake -S . -B build-demo -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" \
    -DFD_TESTS=OFF -DFD_BENCH=OFF -DCMAKE_UNITY_BUILD=ON >/dev/null
  cmake --build build-demo -j "$(nproc)" --target fdhost
}

# The Debian package (CPack): an optimised build of what it holds, packed, then unpacked into a
# scratch folder and its programs run from there (tests/package/check-package.sh).
package() {
  cmake -S . -B build-package -G Ninja -DCMAKE_BUILD_TYPE=Release -DFD_TESTS=OFF -DFD_BENCH=OFF \
    -DCMAKE_UNITY_BUILD=ON >/dev/null
  cmake --build build-package -j "$(nproc)"
  rm -f build-package/devicefaultdetect_*.deb
  (cd build-package && cpack >/dev/null)
  tests/package/check-package.sh build-package/devicefaultdetect_*.deb
}

cmd=${1:-test}
[ $# -gt 0 ] && shift
case "$cmd" in
  demo | sim | package) install_packages "${BUILD_PACKAGES[@]}" ;;
  build | bench | sweep | faults) install_packages "${BUILD_PACKAGES[@]}" "${TEST_LIBRARIES[@]}" ;;
  fuzz) install_packages "${BUILD_PACKAGES[@]}" "${FUZZ_PACKAGES[@]}" ;;
  qemu) install_packages "${BUILD_PACKAGES[@]}" "${QEMU_PACKAGES[@]}" ;;
  windows) install_packages "${BUILD_PACKAGES[@]}" "${WINDOWS_PACKAGES[@]}" ;;
  test)
    install_packages "${BUILD_PACKAGES[@]}" "${TEST_LIBRARIES[@]}" "${FUZZ_PACKAGES[@]}" \
      "${QEMU_PACKAGES[@]}" "${WINDOWS_PACKAGES[@]}" clang-format git
    ;;
esac
case "$cmd" in
  build) build build Debug ;;
  demo)
    demo_build
    ./build-demo/bin/fdhost run --format text "$@"
    ;;
  test)
    # Sources stay clang-format clean.
    git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror
    # The plug-in starts threads everywhere: the suite runs under AddressSanitizer with
    # UndefinedBehaviorSanitizer (this build also compiles the benchmarks), then under
    # ThreadSanitizer, optimised (-O2, tests and benchmarks compiled) so that an optimised
    # build cannot break unseen; the package below is the -O3 build.
    build build-asan Debug -DFD_SANITIZE=address,undefined
    ctest --test-dir build-asan --output-on-failure -j "$(nproc)"
    build build-tsan RelWithDebInfo -DFD_SANITIZE=thread -DFD_LINUX_DISKS=OFF
    ctest --test-dir build-tsan --output-on-failure -j "$(nproc)"
    # Every parser of outside bytes: the corpora replayed, then a few seconds of new inputs.
    fuzz 0
    fuzz 5
    qemu_check build-asan -DCMAKE_BUILD_TYPE=Debug -DFD_SANITIZE=address,undefined
    windows build-asan/bin/fdhost
    package
    ;;
  windows) windows ;;
  package) package ;;
  qemu) qemu_check build-release -DCMAKE_BUILD_TYPE=Release ;;
  fuzz) fuzz "${1:-60}" ;;
  faults)
    build build-asan Debug -DFD_SANITIZE=address,undefined
    FD_FAULT_SWEEP=all ./build-asan/bin/fd_scenario_tests --gtest_filter='FaultSweep.*'
    ;;
  sim)
    cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" >/dev/null
    cmake --build build-release -j "$(nproc)" --target fdhost
    ./build-release/bin/fdhost sim --seconds "${1:-300}" --seed "${2:-$(date +%s)}" --jobs "$(nproc)"
    ;;
  sweep)
    build build-asan Debug -DFD_SANITIZE=address,undefined
    FD_UNLOAD_SWEEP=all ./build-asan/bin/fd_scenario_tests --gtest_filter='UnloadSweep.*'
    ;;
  bench)
    # -O2, as the README's figures were measured (the same folder and flags as `sim`).
    build build-release Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG"
    ./build-release/bin/fd_bench "$@"
    ;;
  *)
    echo "usage: $0 demo|test|bench|fuzz|sweep|faults|sim|qemu|windows|package|build" >&2
    exit 2
    ;;
esac
