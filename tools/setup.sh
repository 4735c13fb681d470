#!/usr/bin/env bash
# Installs, with apt-get, whatever of the build and test tools this machine lacks
# (Debian 12, as root), and the web service's npm packages.
set -euo pipefail

packages=(
  cmake ninja-build g++ python3 git
  googletest libgtest-dev libgmock-dev libbenchmark-dev rapidjson-dev
  clang-14 libclang-rt-14-dev
  g++-mingw-w64-x86-64-posix mingw-w64-tools
  wine wine64 xvfb xauth x11-utils xdotool imagemagick
  fonts-wqy-zenhei fonts-arphic-ukai fonts-arphic-uming
)
# Node.js for the web service: Debian's packages where no node is installed.
command -v node >/dev/null || packages+=(nodejs)
command -v npm >/dev/null || packages+=(npm)

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

# The web service's packages, exactly as locked; again whenever the lock file
# is newer than what was installed. The generator's devDependency (350 MB of
# outlines) is left out: `npm ci` in service/ brings it when needed.
service=$(dirname "$0")/../service
if [[ ! -d $service/node_modules || $service/package-lock.json -nt $service/node_modules/.package-lock.json ]]; then
  (cd "$service" && npm ci --omit=dev --no-audit --no-fund --loglevel=error)
fi
