#!/usr/bin/env bash
# Configures and builds one build tree: build.sh DIR [extra cmake args...]
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
dir="$1"
shift
launcher=()
if command -v ccache >/dev/null 2>&1; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
cmake -S "$here" -B "$here/$dir" -G Ninja "${launcher[@]}" "$@" >/dev/null
cmake --build "$here/$dir" --parallel "$(nproc)"
