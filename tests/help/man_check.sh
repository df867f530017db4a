#!/bin/sh
# man_check.sh KAVREL MANPAGE: the manual page renders without a warning at
# 80 columns, and it and `kavrel --help` name the same options and the same
# environment variables.
kavrel=$1 page=$2
if ! command -v man >/dev/null 2>&1; then
  echo "man is not installed (scripts/setup installs man-db): skipped"
  exit 77
fi
warnings=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
if [ -n "$warnings" ]; then
  echo "FAIL: man warns about $page:"; echo "$warnings"; exit 1
fi
text=$(MANWIDTH=80 man -l "$page" 2>/dev/null)
usage=$("$kavrel" --help) || { echo "FAIL: kavrel --help did not exit with 0"; exit 1; }
words() { printf '%s\n' "$1" | grep -o -e '--[a-z][a-z-]*' -e 'KAVREL_[A-Z]*' | sort -u; }
if [ "$(words "$text")" != "$(words "$usage")" ]; then
  echo "FAIL: the manual page and kavrel --help differ in options or variables:"
  echo "page:  $(words "$text" | tr '\n' ' ')"
  echo "usage: $(words "$usage" | tr '\n' ' ')"
  exit 1
fi
for section in NAME SYNOPSIS DESCRIPTION OPTIONS "EXIT STATUS" ENVIRONMENT FILES; do
  printf '%s\n' "$text" | grep -q "^$section\$" || { echo "FAIL: no $section section"; exit 1; }
done
echo "kavrel.1 renders cleanly and matches kavrel --help"
