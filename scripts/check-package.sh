#!/usr/bin/env bash
# Checks the Debian package as a user gets it: scripts/package.sh builds it from the release tree in
# build/, lintian finds no error (nor a warning that the package does not explain), and unpacked
# into a fresh root the installed programs run from there: dedezuviv-tool --version, and the headless
# logger recording a few records of the installed simulator into the installed demo project. The
# control data, the user unit (systemd-analyze verify) and the desktop entry (desktop-file-validate)
# are checked as installed.
set -euo pipefail
cd "$(dirname "$0")/.."
WORK="$(mktemp -d)"
PIDS=()
cleanup() {
  for pid in "${PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$WORK"
}
trap cleanup EXIT
fail() { echo "check-package: $*" >&2; exit 1; }

./scripts/package.sh --no-lintian >"$WORK/package.out"
deb=$(sed -n 's/^package: //p' "$WORK/package.out")
[ -f "$deb" ] || fail "no package"
version=$(dpkg-deb -f "$deb" Version)

# lintian: errors fail; so do warnings, unless the package's override file names and explains them.
lintian --fail-on error,warning --display-info "$deb" >"$WORK/lintian.out" 2>&1 ||
  { cat "$WORK/lintian.out" >&2; fail "lintian found errors or warnings"; }
cat "$WORK/lintian.out"

# The control data.
dpkg-deb -I "$deb" >"$WORK/control" || fail "dpkg-deb -I failed"
grep -q "^ Package: dedezuviv$" "$WORK/control" || fail "package name"
[[ $deb == "dedezuviv_${version}_$(dpkg --print-architecture).deb" ]] || fail "file name $deb"
depends=$(dpkg-deb -f "$deb" Depends)
for library in libc6 libqt6widgets6 libmosquitto1; do
  [[ $depends == *"$library"* ]] || fail "Depends lacks $library: $depends"
done
[[ $(dpkg-deb -f "$deb" Recommends) == *mosquitto-clients*libreoffice-calc* ]] || fail "Recommends"
[[ $(dpkg-deb -f "$deb" Description) == *"adduser \$USER dialout"* ]] || fail "no dialout hint in the description"
# Every dependency is a package of this system (dpkg-shlibdeps named real packages).
IFS=',' read -ra groups <<<"$depends"
for group in "${groups[@]}"; do
  name=$(sed -E 's/^ *([^ (|]+).*/\1/' <<<"$group")
  dpkg-query -W -f='${Status}' "$name" 2>/dev/null | grep -q "install ok installed" || fail "dependency $name not installed"
done

# Unpacked into a fresh root.
ROOT="$WORK/root"
dpkg-deb -x "$deb" "$ROOT"
for file in usr/bin/dedezuviv usr/bin/dedezuviv-tool usr/bin/dedezuviv-simulator \
  usr/share/dedezuviv/Project.pxp usr/share/dedezuviv/def/13.def usr/share/dedezuviv/demo/Demo.p-p \
  usr/share/applications/dedezuviv.desktop usr/share/icons/hicolor/scalable/apps/dedezuviv.svg \
  usr/lib/systemd/user/dedezuviv.service usr/share/bash-completion/completions/dedezuviv-tool \
  usr/share/man/man1/dedezuviv.1.gz usr/share/man/man1/dedezuviv-tool.1.gz \
  usr/share/man/man1/dedezuviv-simulator.1.gz usr/share/doc/dedezuviv/copyright \
  usr/share/doc/dedezuviv/changelog.gz usr/share/doc/dedezuviv/README.md; do
  [ -e "$ROOT/$file" ] || fail "/$file missing in the package"
done
for program in dedezuviv dedezuviv-tool dedezuviv-simulator; do
  if ldd "$ROOT/usr/bin/$program" | grep -q "not found"; then fail "$program: library not found"; fi
done

expected="dedezuviv-tool $(build/tools/dedezuviv-tool --version | cut -d' ' -f2-)"
got=$("$ROOT/usr/bin/dedezuviv-tool" --version)
[ "$got" = "$expected" ] || fail "dedezuviv-tool --version: \"$got\" instead of \"$expected\""
[[ $got == "dedezuviv-tool $version"* ]] || fail "dedezuviv-tool --version \"$got\" is not version $version"

# The installed logger, headless, records the installed simulator into a copy of the installed demo
# project; its own settings go to a home of its own.
export HOME="$WORK/home" XDG_CONFIG_HOME="$WORK/home/.config"
mkdir -p "$HOME" "$WORK/Demo"
cp "$ROOT/usr/share/dedezuviv/demo/Demo.p-p" "$WORK/Demo/"
"$ROOT/usr/bin/dedezuviv-simulator" --link "$WORK/regler" --interval 0.2 >"$WORK/simulator.out" 2>&1 &
PIDS+=($!)
for _ in $(seq 100); do [ -e "$WORK/regler" ] && break; sleep 0.1; done
[ -e "$WORK/regler" ] || fail "the simulator made no pseudo-terminal"
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$ROOT/usr/bin/dedezuviv" -headless \
  "/PROJECT=$WORK/Demo/Demo.p-p" "/PORT=$WORK/regler" /START >"$WORK/logger.out" 2>&1 &
LOGGER=$!
PIDS+=("$LOGGER")
records=0
for _ in $(seq 300); do
  records=$( (cat "$WORK"/Demo/Demo/data/*.txt 2>/dev/null || true) | wc -l)
  [ "$records" -ge 3 ] && break
  kill -0 "$LOGGER" 2>/dev/null || break
  sleep 0.1
done
kill -TERM "$LOGGER" 2>/dev/null || true
status=0
wait "$LOGGER" || status=$?
[ "$records" -ge 3 ] || { cat "$WORK/logger.out" >&2; fail "the installed logger recorded $records record(s)"; }
[ "$status" -eq 0 ] || { cat "$WORK/logger.out" >&2; fail "the installed logger ended with $status"; }
if grep -qavP '^=MD/.*#\r$' "$WORK"/Demo/Demo/data/*.txt; then fail "incomplete line in a day file"; fi

# The unit file and the desktop entry as installed.
unit="$ROOT/usr/lib/systemd/user/dedezuviv.service"
grep -q '^ExecStart=/usr/bin/dedezuviv ' "$unit" || fail "the unit does not start /usr/bin/dedezuviv"
desktop-file-validate "$ROOT/usr/share/applications/dedezuviv.desktop" || fail "desktop entry"
# systemd-analyze checks the unit's keys and that its program is executable: a copy of the unit whose
# program paths point into the fresh root (where /usr/bin/dedezuviv is). Skipped where it cannot run.
if systemd-analyze --version >/dev/null 2>&1; then
  mkdir "$WORK/unit"
  sed "s|=/usr/bin/|=$ROOT/usr/bin/|" "$unit" >"$WORK/unit/dedezuviv.service"
  if systemd-analyze verify --man=no "$WORK/unit/dedezuviv.service" >"$WORK/verify.out" 2>&1; then
    [ ! -s "$WORK/verify.out" ] || { cat "$WORK/verify.out" >&2; fail "systemd-analyze verify"; }
  else
    cat "$WORK/verify.out" >&2
    fail "systemd-analyze verify"
  fi
else
  echo "check-package: systemd-analyze does not run here, unit file not verified" >&2
fi
echo "check-package: $deb: lintian clean, installed programs ran ($records records recorded), unit and desktop entry valid"
