#!/bin/sh
# Stands in for convert and composite: appends "start NAME ARGS" and "end" to the file
# FAKE_MAGICK_LOG names, takes FAKE_MAGICK_SLEEP seconds (2 unless set) in between, and fails
# with exit code 1 for a picture whose name contains FAIL.
log="${FAKE_MAGICK_LOG:-/dev/null}"
echo "start $(basename "$0") $*" >> "$log"
sleep "${FAKE_MAGICK_SLEEP:-2}"
echo "end" >> "$log"
case "$*" in
  *FAIL*) echo "$(basename "$0"): unable to open image"; exit 1 ;;
esac
exit 0
