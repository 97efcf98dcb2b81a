#!/usr/bin/env bash
# The manual page renders with no warning from groff, nor from mandoc's
# lint where mandoc is installed. Skips (77) where groff is missing.
# Usage: check_manpage.sh cpubusy.1
set -u
page=$1
command -v groff >/dev/null || { echo "SKIP: groff is not installed, which renders the page"; exit 77; }
warnings=$(groff -ww -man -Tutf8 -z "$page" 2>&1)
[ -z "$warnings" ] || { echo "FAIL: groff warns:"; echo "$warnings"; exit 1; }
if command -v mandoc >/dev/null; then
  warnings=$(mandoc -T lint -W style "$page" 2>&1)
  [ -z "$warnings" ] || { echo "FAIL: mandoc warns:"; echo "$warnings"; exit 1; }
fi
# Every section a reader looks for is there.
for section in NAME SYNOPSIS DESCRIPTION OUTPUT "EXIT STATUS" ENVIRONMENT FILES PLATFORMS CAVEATS \
  EXAMPLES "SEE ALSO"; do
  grep -q "^\.SH \"\?$section\"\?$" "$page" || { echo "FAIL: no $section section"; exit 1; }
done
echo "$(basename "$page") renders without warnings"
