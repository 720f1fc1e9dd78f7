#!/usr/bin/env bash
# The desktop entry is valid and launches the installed program with its icon.
set -euo pipefail
entry="$1"
command -v desktop-file-validate >/dev/null || { echo "desktop-file-validate missing (desktop-file-utils)"; exit 1; }
# desktop-file-validate exits 0 on hints; any output is a warning or error here.
out="$(desktop-file-validate "$entry" 2>&1)" || { echo "$out"; exit 1; }
[ -z "$out" ] || { echo "desktop-file-validate complained:"; echo "$out"; exit 1; }
for line in "Type=Application" "Name=RUVOTimer" "Exec=ruvotimer" "Icon=ruvotimer" "Terminal=false"; do
    grep -qx "$line" "$entry" || { echo "missing '$line' in $entry"; exit 1; }
done
echo "desktop entry valid"
