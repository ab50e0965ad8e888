#!/usr/bin/env bash
# The project's steps, run by ./dev on the host or inside the toolchain tree.
# DROVIK_PYTHON names the interpreter, DROVIK_BUILD the build folder.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
py=${DROVIK_PYTHON:-python3}
build=${DROVIK_BUILD:-build/host}
jobs=$(nproc)

configure() {  # configure DIR [cmake args...]
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja -DPython_EXECUTABLE="$(command -v "$py")" "$@" >/dev/null
}

build_main() {  # build_main [targets...]
  configure "$build"
  if [ $# -gt 0 ]; then
    cmake --build "$build" -j "$jobs" --target "$@"
  else
    cmake --build "$build" -j "$jobs"
  fi
}

cpp_tests() {
  ctest --test-dir "$build" -j "$jobs" --progress --output-on-failure
}

py_tests() {
  PYTHONPATH="$PWD/$build/python" "$py" -m pytest -q -p no:cacheprovider tests/python
}

free_threaded_check() {
  echo "== compiling the binding with Py_GIL_DISABLED"
  cmake --build "$build" --target drovik_free_threaded_check -j "$jobs"
}

case "$1" in
  demo)
    build_main unit_demo drovik
    echo "== the C++ core"
    "$build/unit_demo"
    echo
    echo "== the Python module"
    PYTHONPATH="$PWD/$build/python" "$py" tools/demo.py
    ;;
  cpp-test) build_main; cpp_tests ;;
  py-test) build_main; py_tests ;;
  test)
    build_main
    cpp_tests
    free_threaded_check
    py_tests
    ;;
  bench)
    configure "$build" -DDROVIK_BENCH=ON
    cmake --build "$build" -j "$jobs" --target drovik core_benchmark
    echo "== C++ core"
    "$build/core_benchmark" --benchmark_min_time=0.2s
    echo "== Python, beside pint, astropy and Decimal"
    PYTHONPATH="$PWD/$build/python" "$py" bench/compare_libraries.py "${@:2}"
    ;;
  *) echo "unknown step $1" >&2; exit 2 ;;
esac
