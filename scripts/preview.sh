#!/usr/bin/env bash
# Builds the preview tool if needed and runs it; with no arguments it shows
# what the uninstaller would remove from the built-in sample machine.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
tool="$root/build/native/qalm-preview"

"$root/scripts/install-deps.sh" native
# The first build takes a minute or two: say so, and show the build's output only when it fails.
[ -x "$tool" ] || echo "qalm-preview: building $tool (the first time takes a minute or two)..." >&2
log="$(mktemp)"
trap 'rm -f "$log"' EXIT
if ! (cd "$root" && cmake --preset native && cmake --build --preset native --target qalm-preview) >"$log" 2>&1; then
    cat "$log" >&2
    exit 1
fi
rm -f "$log"
trap - EXIT
exec "$tool" "$@"
