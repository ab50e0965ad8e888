#!/usr/bin/env bash
# The project's steps, run by ./dev on the host or inside the toolchain tree.
# DROVIK_PYTHON names the interpreter, DROVIK_BUILD the build folder.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
py=${DROVIK_PYTHON:-python3}
build=${DROVIK_BUILD:-build/host}
jobs=$(nproc)

# An interpreter brought from elsewhere (a free-threaded build, say) borrows
# the tree's pure-Python libraries (pytest, hypothesis, Dask) through a folder
# of links to them; packages with compiled code (numpy, mypy, psutil) are
# built for the tree's own interpreter and would crash this one, so they are
# left out, and the tests that need them skip.
pure_python_site() {  # pure_python_site DIR: links to the tree's pure-Python packages
  local dir=$1 entry name
  rm -rf "$dir" && mkdir -p "$dir"
  for entry in /usr/lib/python3/dist-packages/*; do
    name=${entry##*/}
    case "$name" in *.so|*.pth|__pycache__) continue ;; esac
    if [ -d "$entry" ] && [ -n "$(find "$entry" -name '*.so' -print -quit)" ]; then continue; fi
    ln -s "$entry" "$dir/$name"
  done
}
if ! "$py" -c 'import pytest' 2>/dev/null && [ -d /usr/lib/python3/dist-packages ]; then
  [ -d "$build/pure-python" ] || pure_python_site "$build/pure-python"
  export PYTHONPATH=$PWD/$build/pure-python${PYTHONPATH:+:$PYTHONPATH}
fi

configure() {  # configure DIR [cmake args...]; later -DPython_EXECUTABLE wins
  local dir=$1; shift
  # Builds without the module leave Python_EXECUTABLE unused, on purpose.
  cmake -S . -B "$dir" -G Ninja --no-warn-unused-cli -DPython_EXECUTABLE="$(command -v "$py")" \
    -DDROVIK_WERROR="${DROVIK_WERROR:-OFF}" "$@" >/dev/null
}

build_main() {  # build_main [targets...]
  configure "$build"
  if [ $# -gt 0 ]; then
    cmake --build "$build" -j "$jobs" --target "$@"
  else
    cmake --build "$build" -j "$jobs"
  fi
}

# Runs a command without its output, which is shown only if it fails.
quietly() {
  local out
  out=$("$@" 2>&1) || { printf '%s\n' "$out" >&2; return 1; }
}

cpp_tests() {
  ctest --test-dir "$build" -j "$jobs" --timeout 300 --progress --output-on-failure
}

py_tests() {
  PYTHONPATH="$PWD/$build/python${PYTHONPATH:+:$PYTHONPATH}" "$py" -m pytest -q -rs -p no:cacheprovider tests/python
}

# Runs one step of this script in a child with a time limit, so that a hang
# fails the run instead of stalling it: stage SECONDS STEP [ARGS...].
stage() {
  local seconds=$1 status=0; shift
  timeout --kill-after=20 "$seconds" bash "${BASH_SOURCE[0]}" "$@" || status=$?
  if [ "$status" -eq 124 ] || [ "$status" -eq 137 ]; then
    echo "step '$*' did not finish within ${seconds}s" >&2
  fi
  return "$status"
}

# The C++ tests and the Python tests with AddressSanitizer and
# UndefinedBehaviorSanitizer; Python runs with the ASan runtime preloaded.
sanitized_tests() {
  local dir=$build-asan
  echo "== AddressSanitizer and UndefinedBehaviorSanitizer"
  configure "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDROVIK_SANITIZE=address,undefined
  cmake --build "$dir" -j "$jobs"
  ctest --test-dir "$dir" -j "$jobs" --timeout 300 --progress --output-on-failure
  LD_PRELOAD="$(g++ -print-file-name=libasan.so)" ASAN_OPTIONS=detect_leaks=0 \
    UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    PYTHONPATH="$PWD/$dir/python${PYTHONPATH:+:$PYTHONPATH}" \
    "$py" -m pytest -q -rs -p no:cacheprovider tests/python
}

# The C++ tests, concurrency ones included, under ThreadSanitizer.
thread_sanitized_tests() {
  local dir=$build-tsan
  echo "== ThreadSanitizer"
  configure "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDROVIK_SANITIZE=thread -DDROVIK_PYTHON=OFF
  cmake --build "$dir" -j "$jobs" --target drovik_core_tests
  TSAN_OPTIONS=halt_on_error=1 "$dir/drovik_core_tests" --gtest_brief=1
}

# Coverage-guided fuzzing with libFuzzer: SECONDS per target (default 25).
fuzz() {
  local dir=$build-fuzz seconds=${1:-25}
  echo "== libFuzzer, ${seconds}s per target"
  CXX=clang++ configure "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDROVIK_FUZZ=ON \
    -DDROVIK_SANITIZE=address,undefined -DDROVIK_PYTHON=OFF -DDROVIK_TESTS=OFF
  cmake --build "$dir" -j "$jobs" --target parse_fuzzer string_path_fuzzer array_fuzzer
  local symbolizer
  symbolizer=$(command -v llvm-symbolizer || ls /usr/bin/llvm-symbolizer-* 2>/dev/null | head -n 1 || true)
  [ -z "$symbolizer" ] || export ASAN_SYMBOLIZER_PATH=$symbolizer
  for target in parse string_path array; do
    local log="$dir/$target.log" status=0
    mkdir -p "$dir/corpus/$target"
    "$dir/${target}_fuzzer" -max_total_time="$seconds" -print_final_stats=1 \
      -artifact_prefix="$dir/" "$dir/corpus/$target" "fuzz/corpus/$target" >"$log" 2>&1 ||
      status=$?
    grep -E "^(stat::number_of_executed_units|stat::new_units_added|INFO: Running)" "$log" || true
    if [ "$status" -ne 0 ]; then
      tail -n 80 "$log"
      echo "fuzzer $target found a failure (exit $status); the input is in $dir/" >&2
      return 1
    fi
  done
  echo "fuzzing: parse, string_path and array, ${seconds} s each, no failure"
}

# Reference counts and traced memory over many rounds, then the Python tests,
# on the debug interpreter (which counts every reference and checks that no
# call leaves an exception behind).
leak_check() {
  local dir=$build-debug
  echo "== reference leak check (python3.14d)"
  configure "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDROVIK_TESTS=OFF \
    -DPython_EXECUTABLE="$(command -v python3.14d)"
  cmake --build "$dir" -j "$jobs" --target drovik drovik_array
  PYTHONPATH="$PWD/$dir/python" python3.14d tests/leaks/check_references.py
  # The debug interpreter also checks every call's contract: a function that
  # returns a result with an exception still set aborts it.
  echo "== Python tests (python3.14d)"
  PYTHONPATH="$PWD/$dir/python" python3.14d -m pytest -q -rs -p no:cacheprovider tests/python
}

# A wheel and an sdist into dist/ (or $1), offline: the build backend and
# CMake come from this machine, not from a package index. The wheel is built
# from the sdist, so the sdist is known to build.
dist() {
  local out=${1:-dist} scratch
  scratch=$(mktemp -d)
  rm -rf "$out" && mkdir -p "$out"
  # The sdist takes what git tracks, not build folders or caches.
  git ls-files -z | xargs -0 cp --parents -t "$scratch"
  (cd "$scratch" && "$py" -m build --no-isolation --outdir dist . >/dev/null)
  cp "$scratch"/dist/* "$out"/
  rm -rf "$scratch"
  ls "$out"
}

# The lines of the README's sh block that follows the line
# "<!-- install-check: NAME -->".
readme_commands() {
  awk -v mark="<!-- install-check: $1 -->" '
    $0 == mark { found = 1; next }
    found && /^```sh$/ { inside = 1; next }
    inside && /^```$/ { exit }
    inside { print }' README.md
}

# The wheel and the sdist built as users build them, then the README's own
# install commands (a virtual environment, a --target folder) run as written
# from a scratch folder, with this interpreter for python3.14; the installed
# package must carry its stub and py.typed.
install_check() {
  local scratch way commands
  scratch=$(mktemp -d)
  echo "== wheel and sdist, installed as the README says"
  dist "$scratch/dist" >/dev/null
  for way in venv target; do
    commands=$(readme_commands "$way" | sed "s|python3\.14 |$(command -v "$py") |g")
    [ -n "$commands" ] || { echo "README has no install-check: $way block" >&2; return 1; }
    echo "-- $way"
    (cd "$scratch" && PIP_ROOT_USER_ACTION=ignore PIP_NO_INDEX=1 PIP_DISABLE_PIP_VERSION_CHECK=1 \
       bash -euo pipefail -c "$commands")
  done
  (cd "$scratch" && PYTHONPATH=site "$py" -c '
import drovik, drovik_array, importlib.metadata, pathlib
package = pathlib.Path(drovik.__file__).parent
for module in (drovik, drovik_array):
    folder = pathlib.Path(module.__file__).parent
    assert (folder / "__init__.pyi").exists() and (folder / "py.typed").exists(), folder
# Both modules use the one library in the drovik package.
assert str(drovik_array.DrovikArray([1.0], drovik.Drovik.unit("km")).as_unit("m")) == "[1000] [m]"
print("installed", importlib.metadata.version("drovik"), "with its stub, py.typed and drovik_array")')
  rm -rf "$scratch"
}

free_threaded_check() {
  echo "== compiling the binding with Py_GIL_DISABLED"
  cmake --build "$build" --target drovik_free_threaded_check -j "$jobs"
}

# Seconds since the epoch, with decimals.
now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.1f", b - a }'; }
minutes() { awk -v s="$1" 'BEGIN { printf "%d min %02d s", s / 60, s % 60 }'; }

# The closing line of a test runner in LOG, if any (pytest, ctest, GoogleTest,
# the leak check), to show beside the stage's result.
closing_line() {
  local verdict tests
  verdict=$(grep -E '^verdict:' "$1" | tail -n 1 || true)
  tests=$(grep -E '^[0-9]+ (passed|failed)|tests passed|tests failed|^\[  PASSED  \]' "$1" |
          tail -n 1 || true)
  if [ -z "$verdict$tests" ]; then  # no runner: the stage's last word
    grep -v '^[[:space:]]*$' "$1" | tail -n 1 | cut -c1-100
  else
    echo "${verdict:+$verdict; }$tests"
  fi
}

# stage_line NAME SECONDS STEP...: runs the stage, logging its output, and
# prints one line with its result, time and closing line.
passed_stages=() failed_stages=()
stage_line() {
  local name=$1 seconds=$2 log="$build/logs/$1.log" start status=0
  shift 2
  mkdir -p "$build/logs"
  start=$(now)
  stage "$seconds" "$@" >"$log" 2>&1 || status=$?
  if [ "$status" -eq 0 ]; then
    passed_stages+=("$name")
    printf '%-6s %-20s %7s s   %s\n' PASS "$name" "$(elapsed "$start")" "$(closing_line "$log")"
  else
    failed_stages+=("$name")
    printf '%-6s %-20s %7s s   exit %s; its output (%s):\n' FAIL "$name" "$(elapsed "$start")" \
      "$status" "$log"
    tail -n 80 "$log" | sed 's/^/    /'
  fi
  return "$status"
}

run_tests() {
  local start status=0 stages=()
  start=$(now)
  rm -rf "$build/logs"
  stages+=("build|1200|build" "C++ tests|600|cpp-tests" "free-threaded build|600|free-threaded-check"
           "ThreadSanitizer|1200|tsan" "ASan and UBSan|1800|asan")
  if command -v python3.14d >/dev/null; then stages+=("debug Python|900|leaks"); fi
  if command -v clang++ >/dev/null; then stages+=("fuzzing|900|fuzz 25"); fi
  if "$py" -c "import scikit_build_core, build" 2>/dev/null; then
    stages+=("install|900|install-check")
  fi
  # mypy is compiled for the regular interpreter only.
  if "$py" -c "import mypy.stubtest" 2>/dev/null; then stages+=("typing|600|typing"); fi
  stages+=("Python tests|900|py-tests")
  echo "drovik: ${#stages[@]} stages on Python $("$py" -c 'import sys
gil = getattr(sys, "_is_gil_enabled", lambda: True)()
print(sys.version.split()[0] + ("" if gil else " (GIL disabled)"))')"
  local entry name seconds step
  for entry in "${stages[@]}"; do
    IFS='|' read -r name seconds step <<< "$entry"
    # shellcheck disable=SC2086  # a step may carry an argument (fuzz 25)
    stage_line "$name" "$seconds" $step || { status=$?; break; }
  done
  local not_run=$(( ${#stages[@]} - ${#passed_stages[@]} - ${#failed_stages[@]} ))
  local summary="drovik: ${#passed_stages[@]} stages passed"
  [ ${#passed_stages[@]} -eq 0 ] || summary+=" ($(IFS=,; echo "${passed_stages[*]}" | sed 's/,/, /g'))"
  summary+=", ${#failed_stages[@]} failed"
  [ ${#failed_stages[@]} -eq 0 ] || summary+=" ($(IFS=,; echo "${failed_stages[*]}" | sed 's/,/, /g'))"
  [ "$not_run" -eq 0 ] || summary+=", $not_run not run"
  # The tests the Python suite skipped and why, its own closing line, alone,
  # then the run's.
  if [ -f "$build/logs/Python tests.log" ]; then
    grep -E '^SKIPPED' "$build/logs/Python tests.log" | sed 's/^/    /' || true
    closing_line "$build/logs/Python tests.log" | sed 's/^.*; //'
  fi
  echo "$summary, in $(minutes "$(elapsed "$start")")"
  return "$status"
}

case "$1" in
  demo)
    build_main unit_demo drovik drovik_array
    echo "== the C++ core"
    "$build/unit_demo"
    echo
    echo "== the Python module"
    PYTHONPATH="$PWD/$build/python" "$py" tools/demo.py
    ;;
  python)  # an interpreter (or a script: python FILE ARGS...) with the module importable
    echo "building the module (quiet unless it fails) ..." >&2
    quietly build_main drovik drovik_array
    PYTHONPATH="$PWD/$build/python${PYTHONPATH:+:$PYTHONPATH}" exec "$py" "${@:2}"
    ;;
  cpp-test) build_main; cpp_tests ;;
  catalogue)  # rewrites docs/catalogue.md from the compiled-in tables
    quietly build_main catalogue_doc
    "$build/catalogue_doc" > docs/catalogue.md
    echo "wrote docs/catalogue.md"
    ;;
  py-test) build_main; py_tests ;;
  test)
    # Each stage in a child with a time limit, its output kept in a log and
    # shown only when it fails; the first failure stops the run.
    run_tests
    ;;
  typing)  # the stub against the module, and typed user code under mypy --strict
    if ! "$py" -c "import mypy.stubtest" 2>/dev/null; then
      echo "typing: mypy is not installed for $py (it is compiled for the tree's own" \
        "interpreter); nothing to check" >&2
      exit 2
    fi
    quietly build_main drovik drovik_array
    bash tools/check_typing.sh "$py" "$build/python"
    ;;
  build) build_main ;;
  cpp-tests) cpp_tests ;;
  py-tests) py_tests ;;
  free-threaded-check) free_threaded_check ;;
  tsan) thread_sanitized_tests ;;
  asan) sanitized_tests ;;
  quick-test)
    build_main
    cpp_tests
    py_tests
    ;;
  sanitize) sanitized_tests; thread_sanitized_tests ;;
  leaks) leak_check ;;
  install-check) install_check ;;
  dist) dist ;;
  fuzz) fuzz "${2:-600}" ;;
  bench)
    configure "$build" -DDROVIK_BENCH=ON
    cmake --build "$build" -j "$jobs" --target drovik drovik_array drovik_floor core_benchmark
    echo "== C++ core"
    "$build/core_benchmark" --benchmark_min_time=0.2s
    echo "== Python, beside pint, astropy and Decimal"
    PYTHONPATH="$PWD/$build/python" "$py" bench/compare_libraries.py "${@:2}"
    echo "== Arrays, beside numpy, pint and astropy"
    PYTHONPATH="$PWD/$build/python" "$py" bench/compare_arrays.py "${@:2}"
    ;;
  scaling)
    build_main drovik drovik_array drovik_floor
    PYTHONPATH="$PWD/$build/python" "$py" bench/thread_scaling.py "${@:2}"
    ;;
  *) echo "unknown step $1" >&2; exit 2 ;;
esac
