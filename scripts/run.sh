#!/usr/bin/env bash
# Sets up, builds and starts the editor: run.sh [FILE]
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
"$here/scripts/setup.sh"
"$here/scripts/build.sh" build -DCMAKE_BUILD_TYPE=RelWithDebInfo
exec "$here/build/app/pennivale" "$@"
