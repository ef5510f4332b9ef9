#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when they are missing.
# Sourced by scripts/test.sh and scripts/run.sh; extra packages may be passed as args.
set -euo pipefail

vt_packages=(
  g++ cmake ninja-build pkg-config ccache clang
  qt6-base-dev qt6-svg-dev libgl-dev
  libpcap-dev zlib1g-dev libjpeg-dev libssl-dev libcurl4-openssl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  poppler-utils
)

# The peers that benchmarks compare with, installed by scripts/bench.sh only.
vt_bench_packages=(ghostscript lua5.4)

vt_install_missing() {
  local missing=()
  for p in "${vt_packages[@]}" "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
