#!/usr/bin/env bash
# Installs, with apt-get, whatever of the build and test tools this machine lacks
# (Debian 12, as root).
set -euo pipefail

packages=(
  cmake ninja-build g++ python3 git
  googletest libgtest-dev libgmock-dev libbenchmark-dev rapidjson-dev
  clang-14 libclang-rt-14-dev
  g++-mingw-w64-x86-64-posix mingw-w64-tools
  wine wine64 xvfb xauth x11-utils xdotool imagemagick
  fonts-wqy-zenhei fonts-arphic-ukai fonts-arphic-uming
)

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [[ $status == "install ok installed" ]] || missing+=("$package")
done

if ((${#missing[@]})); then
  echo "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
