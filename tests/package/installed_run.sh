#!/usr/bin/env bash
# The installed program at work: unpacks the package into a scratch root, starts it there
# headless as a user who may not write the install folder, with a scratch HOME, for one
# prepared release on the simulated body, and expects the picture in that user's pictures
# folder and nothing new under the install folder. Given the tests' PTP/IP responder, it
# also starts the program with TESSARO_CAMERA=gphoto2 against it, through the system's
# libgphoto2, and expects RAW and JPEG of that release.
#   tests/package/installed_run.sh build-package/tessaro_VERSION_ARCH.deb [RESPONDER]
set -euo pipefail
deb=$(realpath "$1")
responder=${2:-}
scratch=$(mktemp -d)
root=$scratch/root
home=$scratch/home
work=$scratch/work
cleanup() { chmod -R u+w "$scratch"; rm -rf "$scratch"; }
trap cleanup EXIT

dpkg -x "$deb" "$root"
mkdir -p "$work"
listing() { (cd "$root" && find . -printf '%p %s %T@\n' | sort); }
before=$(listing)

# As root every folder is writable, so the run takes an unprivileged user.
as_user=()
if [ "$(id -u)" -eq 0 ]; then
  chmod 755 "$scratch"
  chown nobody:nogroup "$work"
  as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
else
  chmod -R a-w "$root"
fi

fail() { echo "installed_run: $*" >&2; exit 1; }

# One prepared release in the scratch HOME $1, with the environment and then the further
# parameters after it ("--" between them); standard error is kept in $1.err.
release_once() {
  local user_home=$1
  shift
  local environment=()
  while [ $# -gt 0 ] && [ "$1" != -- ]; do environment+=("$1"); shift; done
  [ $# -eq 0 ] || shift
  mkdir -p "$user_home"
  [ "${#as_user[@]}" -eq 0 ] || chown nobody:nogroup "$user_home"
  local status=0
  (cd "$work" && env -i PATH=/usr/bin:/bin HOME="$user_home" QT_QPA_PLATFORM=offscreen "${environment[@]}" \
     timeout 120 "${as_user[@]}" "$root/usr/bin/tessaro" release=auto endaftershoot=on "$@") \
     2>"$user_home.err" || status=$?
  [ "$status" -eq 0 ] || { cat "$user_home.err" >&2; fail "the installed program (${environment[*]} $*) ended with status $status"; }
}

# The names of the pictures in the user's pictures folder below HOME $1.
pictures() { find "$1/Pictures/Tessaro" -type f -printf '%f\n' 2>/dev/null | sort | tr '\n' ' '; }

# A script named without a folder is looked for where the dialogs keep the user's files.
release_once "$home" -- scriptfile=fehlt
grep -qF "$home/Documents/Tessaro/fehlt.rops" "$home.err" ||
  { cat "$home.err" >&2; fail "scriptfile=fehlt was not looked for in ~/Documents/Tessaro"; }
stored=$(pictures "$home")
[[ "$stored" =~ ^[^\ ]+\.JPG\ $ ]] || fail "expected one picture in ~/Pictures/Tessaro, found: $stored"
echo "installed_run: simulated body: $stored"

if [ -n "$responder" ]; then
  coproc body { "$responder"; }
  read -r port <&"${body[0]}"
  release_once "$scratch/home-gphoto2" TESSARO_CAMERA=gphoto2 TESSARO_GPHOTO2_PORT="$port"
  exec {body[1]}>&-
  wait "$body_PID" || true
  stored=$(pictures "$scratch/home-gphoto2")
  [[ "$stored" =~ ^([^\ ]+)\.CR2\ ([^\ ]+)\.JPG\ $ && "${BASH_REMATCH[1]}" = "${BASH_REMATCH[2]}" ]] ||
    fail "expected RAW and JPEG of one release through libgphoto2, found: $stored"
  echo "installed_run: real-camera library over libgphoto2: $stored"
fi
[ "$(listing)" = "$before" ] || fail "the program wrote under its install folder"
