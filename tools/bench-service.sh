#!/usr/bin/env bash
# The web service's benchmark against a bare node:http server writing the same
# bytes, all on 127.0.0.1: cached report throughput, report latency while a
# refresh hangs on the forecast API, and a cold start. Each measure runs 5
# times, baseline and service alternating; it prints median and range.
# Installs what it lacks with apt-get (wrk; Node.js where none is installed)
# and the service's npm packages. Options go to service/bench/bench.js
# (--runs N, --duration SECONDS, --connections N, --only 1,2,3, ...).
set -euo pipefail
cd "$(dirname "$0")/.."

missing=()
command -v wrk >/dev/null || missing+=(wrk)
command -v node >/dev/null || missing+=(nodejs)
command -v npm >/dev/null || missing+=(npm)
if ((${#missing[@]})); then
  echo "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
[[ -d service/node_modules ]] || (cd service && npm ci --omit=dev --no-audit --no-fund)

# A run takes about 6 minutes, most of it the 5 x 4 throughput runs and the
# minute the service waits before the air-quality round fills its store.
exec node service/bench/bench.js "$@"
