#!/usr/bin/env bash
# Makes docs/main-window.png: the window under Xvfb while it logs the simulator on a socat pty pair.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
for pkg in x11-apps imagemagick; do
  dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" ||
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$pkg"
done
[ -n "${BUILD_DIR:-}" ] || ./scripts/build.sh >/dev/null
bin=${BUILD_DIR:-build}
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
socat pty,raw,echo=0,link="$work/ttyA" pty,raw,echo=0,link="$work/ttyB" & sleep 1
"$bin"/tools/dedezuviv-simulator --device "$work/ttyB" --interval 1 >/dev/null 2>&1 &
cat > "$work/Haus.p-p" <<'PROJECT'
[General]
Port=PORT
Baudrate=9600
Name=Einfamilienhaus Muster
Comment=Heizung mit Solar und Warmwasser
SamplingInterval=10
RecordingToFile=1
[Field Definitions]
Temperature=Außen,Kessel,Vorlauf,Rücklauf,/Warm Wasser/
Counter=Brennerstunden,Brennerstarts
Value=Modulation
Input=Sommer,Frost,Störung,Fern
State=Betrieb,Heizkreis
Output=Brenner,Pumpe,Mischer,Ladepumpe
PROJECT
sed -i "s|PORT|$work/ttyA|" "$work/Haus.p-p"
export XDG_CONFIG_HOME="$work/config"
xvfb-run -a -s "-screen 0 1024x700x24" bash -c "
  $bin/dedezuviv /debug /project=$work/Haus.p-p /start &
  sleep 9
  xwd -root -silent | convert xwd:- -crop 800x600+0+120 docs/main-window.png
  kill %1"
echo "docs/main-window.png written"
