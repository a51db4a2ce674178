#!/usr/bin/env bash
# Builds the preview tool if needed and runs it; with no arguments it shows
# what the uninstaller would remove from the built-in sample machine.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"

"$root/scripts/install-deps.sh" native
(cd "$root" && cmake --preset native >/dev/null && cmake --build --preset native --target qalm-preview >/dev/null)
exec "$root/build/native/qalm-preview" "$@"
