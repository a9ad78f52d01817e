#!/usr/bin/env bash
# Sets up, builds and runs every test.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
"$here/scripts/setup.sh"
"$here/scripts/build.sh" build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cd "$here/build"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 600 -j "$(nproc)"
