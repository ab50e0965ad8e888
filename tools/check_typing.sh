#!/usr/bin/env bash
# The type stub against the built module (mypy's stubtest), then a sample of
# user code under mypy --strict. Usage: check_typing.sh PYTHON MODULE_DIR
set -euo pipefail
py=$1 module_dir=$2
stubs=$(mktemp -d)
trap 'rm -rf "$stubs"' EXIT
cp python/drovik.pyi "$stubs/drovik.pyi"
cp python/drovik_array.pyi "$stubs/drovik_array.pyi"
echo "== stubtest"
PYTHONPATH="$module_dir" MYPYPATH="$stubs" "$py" -m mypy.stubtest drovik drovik_array
echo "== mypy --strict on typed user code"
MYPYPATH="$stubs" "$py" -m mypy --strict --no-incremental --cache-dir=/dev/null tests/typing/
