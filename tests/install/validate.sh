#!/bin/sh
# validate.sh TOOL ARGS...: runs a validator. Any complaint fails the test,
# also those desktop-file-validate still exits 0 on (hints, "will be fatal").
tool=$1
if ! command -v "$tool" >/dev/null 2>&1; then
  echo "$tool is not installed (scripts/setup installs it): skipped"
  exit 77
fi
out=$("$@" 2>&1)
rc=$?
printf '%s\n' "$out"
[ "$rc" -eq 0 ] || exit 1
if [ "$tool" = desktop-file-validate ] && [ -n "$out" ]; then exit 1; fi
exit 0
