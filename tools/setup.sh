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
  fonts-wine
  nginx nsis locales
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
  echo "installing with apt-get (a few minutes the first time): ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  # A daemon's package starts it (nginx on port 80, which the tests need
  # free): a policy-rc.d that refuses every start, for this install only.
  # One the machine has already (containers) is left as it is.
  policy=/usr/sbin/policy-rc.d own_policy=
  if [[ ! -e $policy ]]; then
    own_policy=1
    printf '#!/bin/sh\nexit 101\n' >"$policy"
    chmod 755 "$policy"
    trap 'rm -f "$policy"' EXIT
  fi
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  if [[ $own_policy ]]; then
    rm -f "$policy"
    trap - EXIT
  fi
  if [[ " ${missing[*]} " == *" nginx "* ]]; then
    # Installed now, so not the machine's own: kept from starting at boot,
    # and stopped should anything have started it all the same.
    systemctl disable nginx >/dev/null 2>&1 || update-rc.d nginx disable >/dev/null 2>&1 || true
    start-stop-daemon --stop --quiet --retry TERM/5 --pidfile /run/nginx.pid --exec /usr/sbin/nginx || true
  fi
fi
# The proxy test (service/test/nginx.test.js) runs this binary with a config of its own.
[[ -x /usr/sbin/nginx ]] || { echo "setup: /usr/sbin/nginx is missing after the install" >&2; exit 1; }

# A locale with a decimal comma, for the test that the JSON reader ignores the
# locale's decimal separator (a few seconds, once).
if ! locale -a 2>/dev/null | grep -qx 'de_DE.utf8'; then
  echo "generating the locale de_DE.UTF-8"
  localedef -i de_DE -f UTF-8 de_DE.UTF-8
fi

# The web service's packages, exactly as locked; again whenever the lock file
# is newer than what was installed. The generator's devDependency (350 MB of
# outlines) is left out: `npm ci` in service/ brings it when needed.
service=$(dirname "$0")/../service
if [[ ! -d $service/node_modules || $service/package-lock.json -nt $service/node_modules/.package-lock.json ]]; then
  (cd "$service" && npm ci --omit=dev --no-audit --no-fund --loglevel=error)
fi
