#!/usr/bin/env bash
# Installs the Debian packages the logger needs to build, run and test.
# Idempotent: asks apt only for what is missing, and updates the package lists at most once.
set -euo pipefail

PACKAGES=(
  build-essential cmake pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libqcustomplot-dev libqcustomplot2.1-qt6
  qt6-svg-dev qt6-translations-l10n
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  socat xvfb xauth netcat-openbsd
  fonts-dejavu-core
  libreoffice-calc-nogui gnumeric python3-xlrd
  locales
  desktop-file-utils libglib2.0-bin
  libreoffice-draw-nogui
  libmosquitto-dev mosquitto mosquitto-clients openssl python3-jinja2
  libcpp-httplib-dev chromium curl
  # the Debian package: built by CPack, checked by lintian, its unit file by systemd-analyze
  dpkg-dev lintian man-db groff-base gzip xz-utils systemd bash-completion
)
# npm fetches the web view's pinned chart library; a machine with Node.js from elsewhere has it already.
if ! command -v npm >/dev/null 2>&1; then PACKAGES+=(npm); fi

missing=()
for pkg in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$pkg")
  fi
done

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The tests of date, time and number forms run under these real locales.
for loc in de_DE en_US en_GB; do
  if ! locale -a 2>/dev/null | grep -qx "$loc.utf8"; then
    echo "Generating locale $loc.UTF-8"
    $SUDO localedef -i "$loc" -f UTF-8 "$loc.UTF-8"
  fi
done

# The web view's chart library, at the version pinned in web/package-lock.json (npm, no CDN).
if [ ! -f "$(dirname "$0")/../web/node_modules/uplot/dist/uPlot.iife.min.js" ]; then
  echo "Installing the web view's chart library (npm ci)"
  (cd "$(dirname "$0")/../web" && npm ci --no-audit --no-fund)
fi
