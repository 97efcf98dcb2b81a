#!/bin/sh
# Prints the first fenced block of README.md's section "## SECTION", as a
# user copies it from there.
# Usage: readme_block.sh SECTION
# shellcheck disable=SC2016 # awk's own script
awk -v section="## $1" '/^## / { in_section = $0 == section }
  in_section && /^```/ { if (inside) exit; inside = 1; next } inside' "$(dirname "$0")/../README.md"
