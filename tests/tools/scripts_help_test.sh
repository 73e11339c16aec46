#!/usr/bin/env bash
# Every script in scripts/ answers --help with its usage and does nothing:
# no package, build or Wine tool is started (each is a stand-in here that
# notes its call) and no file of the source tree changes.
# Usage: scripts_help_test.sh TOP
set -u
top=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin"
for tool in apt-get dpkg-query cmake ctest cpack ninja wine wineserver Xvfb python3 \
  clang-format-14 gcc g++; do
  printf '#!/bin/sh\necho %s >>"%s/called"\nexit 1\n' "$tool" "$work" >"$work/bin/$tool"
  chmod +x "$work/bin/$tool"
done
touch "$work/marker"
failed=0
for script in "$top"/scripts/*; do
  [ -x "$script" ] || continue
  name=scripts/$(basename "$script")
  out=$(PATH="$work/bin:$PATH" timeout 30 "$script" --help 2>&1)
  status=$?
  if [ $status -ne 0 ] || ! grep -qF "$name" <<<"$out"; then
    echo "$name --help: exit $status, no usage naming $name:"
    echo "$out" | head -5
    failed=1
  fi
done
if [ -s "$work/called" ]; then
  echo "started: $(sort -u "$work/called" | tr '\n' ' ')"
  failed=1
fi
changed=$(find "$top" \( -name '.git' -o -name 'build*' \) -prune -o -newer "$work/marker" -print)
if [ -n "$changed" ]; then
  echo "changed: $changed"
  failed=1
fi
exit $failed
