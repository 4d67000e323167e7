#!/usr/bin/env bash
# Writes the irisplit manual page, gzipped as Debian ships manual pages, from
# the tool's own help. help2man reads one help text, so it runs this script,
# which answers --help with the overview followed by each command's help.
#   usage: manual-page.sh HELP2MAN TOOL OUT.1.gz
set -euo pipefail

case $1 in
  --help)
    # Run by name, so that usage lines say "irisplit", not the build path.
    PATH=$(dirname "$IRISPLIT"):$PATH
    irisplit --help
    # Each command the overview lists, in a section of its own, its usage a
    # paragraph of its own; help2man would gather every "Options:" into the
    # overview's.
    for command in $(irisplit --help | sed -n '/^Subcommands:/,$ s/^  \([a-z]\+\) .*/\1/p'); do
      printf '\n*irisplit %s*\n\n' "$command"
      irisplit "$command" --help | sed -e 's/^Usage:/\n&/' -e "s/^Options:\$/Options of irisplit $command:/"
    done
    ;;
  --version) "$IRISPLIT" --version ;;
  *)
    out=$3
    IRISPLIT=$(realpath "$2") "$1" --no-info --section 1 --source Irisplit \
      --name "applies the Irisplit colour channel split effect to images" "$0" >"${out%.gz}"
    gzip -9nf "${out%.gz}"
    ;;
esac
