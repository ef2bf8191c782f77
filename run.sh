#!/usr/bin/env bash
# One entry point for people and CI: installs what the project needs (Debian 12),
# builds, and runs the demo, the tests or the benchmarks.
#   ./run.sh demo [fdhost args]   build, then run fdhost on its built-in demo laptop
#   ./run.sh test                 build, then run the whole test suite under the sanitizers
#   ./run.sh bench                build optimised, then run the benchmarks
#   ./run.sh build                set-up and build only
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(build-essential cmake ninja-build pkg-config clang-format
  liblog4cplus-dev librapidxml-dev libssl-dev nlohmann-json3-dev
  libgtest-dev libgmock-dev libbenchmark-dev hdparm)

install_packages() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
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

cmd=${1:-test}
[ $# -gt 0 ] && shift
install_packages
case "$cmd" in
  build) build build Debug ;;
  demo)
    build build Debug
    ./build/bin/fdhost run --format text "$@"
    ;;
  test)
    # Sources stay clang-format clean.
    git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror
    # The plug-in starts threads everywhere: the suite runs under AddressSanitizer with
    # UndefinedBehaviorSanitizer (this build also compiles the benchmarks), then under
    # ThreadSanitizer.
    build build-asan Debug -DFD_SANITIZE=address,undefined
    ctest --test-dir build-asan --output-on-failure -j "$(nproc)"
    build build-tsan Debug -DFD_SANITIZE=thread -DFD_BENCH=OFF
    ctest --test-dir build-tsan --output-on-failure -j "$(nproc)"
    ;;
  bench)
    build build-release Release
    ./build-release/bin/fd_bench "$@"
    ;;
  *)
    echo "usage: $0 demo|test|bench|build" >&2
    exit 2
    ;;
esac
