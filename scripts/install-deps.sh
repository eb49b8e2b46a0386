#!/usr/bin/env bash
# Installs, with apt-get, every Debian 12 package the build, the tests, the
# benchmarks and the Debian package (CPack, and the package test's tools)
# need. Packages already present are skipped; run as root.
#
#   scripts/install-deps.sh [--without-bench]   (the benchmarks' packages left out,
#                                                for builds without them)
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev qt6-translations-l10n
  libgtest-dev libgmock-dev libmuparser-dev
  nlohmann-json3-dev libcli11-dev libsndfile1-dev sox
  fonts-ipafont-gothic
  clang libclang-rt-14-dev
  xvfb xauth x11-apps netpbm
  sigrok-cli
  locales
  dpkg-dev file lintian desktop-file-utils xdg-utils shared-mime-info groff-base
)
# Google Benchmark for bench/, hyperfine for its whole-process timings.
if [ "${1:-}" != "--without-bench" ]; then
  packages+=(libbenchmark-dev hyperfine)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

# A comma-decimal locale, so the tests can show that numbers are read and
# written the same whatever the user's locale.
need_locale() { ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; }

if [ ${#missing[@]} -eq 0 ] && ! need_locale; then
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
  # The locale only lets one test run instead of skipping; not worth failing for.
  [ ${#missing[@]} -eq 0 ] && exit 0
  echo "install-deps: these packages are missing and root is needed to install them: ${missing[*]}" >&2
  exit 1
fi

export DEBIAN_FRONTEND=noninteractive
if [ ${#missing[@]} -gt 0 ]; then
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
if need_locale; then
  localedef -i de_DE -f UTF-8 de_DE.UTF-8
fi
