#!/usr/bin/env bash
# The installed program at work: unpacks the package into a scratch root, starts it there
# headless as a user who may not write the install folder, with a scratch HOME, for one
# prepared release on the simulated body, and expects the picture in that user's pictures
# folder and nothing new under the install folder.
#   tests/package/installed_run.sh build-package/tessaro_VERSION_ARCH.deb
set -euo pipefail
deb=$(realpath "$1")
scratch=$(mktemp -d)
root=$scratch/root
home=$scratch/home
work=$scratch/work
cleanup() { chmod -R u+w "$scratch"; rm -rf "$scratch"; }
trap cleanup EXIT

dpkg -x "$deb" "$root"
mkdir -p "$home" "$work"
listing() { (cd "$root" && find . -printf '%p %s %T@\n' | sort); }
before=$(listing)

# As root every folder is writable, so the run takes an unprivileged user.
as_user=()
if [ "$(id -u)" -eq 0 ]; then
  chmod 755 "$scratch"
  chown nobody:nogroup "$home" "$work"
  as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
else
  chmod -R a-w "$root"
fi

status=0
(cd "$work" && env -i PATH=/usr/bin:/bin HOME="$home" QT_QPA_PLATFORM=offscreen \
   timeout 120 "${as_user[@]}" "$root/usr/bin/tessaro" release=auto endaftershoot=on) || status=$?

fail() { echo "installed_run: $*" >&2; exit 1; }
[ "$status" -eq 0 ] || fail "the installed program ended with status $status"
pictures=$(find "$home/Pictures/Tessaro" -type f -name '*.JPG' 2>/dev/null | wc -l)
[ "$pictures" -eq 1 ] || fail "expected one picture in ~/Pictures/Tessaro, found $pictures"
[ "$(listing)" = "$before" ] || fail "the program wrote under its install folder"
echo "installed_run: the picture is in $(find "$home/Pictures/Tessaro" -type f -name '*.JPG' -printf '%P')"
