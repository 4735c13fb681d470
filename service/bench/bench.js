#!/usr/bin/env node
'use strict';
// The web service's performance against a bare node:http server writing the
// same bytes, in one run, everything on 127.0.0.1:
//  1. cached report throughput (wrk), the service with its store filled, as
//     req/s and as the server process's CPU time per request;
//  2. report latency while a refresh hangs on the forecast API: a client at a
//     fixed rate, and wrk at full load;
//  3. cold start: all places asked at once on a fresh store, the API slow.
// Each measure runs --runs times, baseline and service alternating (ABBA),
// and is quoted as median and range, never the best run.
//
// usage: node service/bench/bench.js [--runs 5] [--duration 5] [--threads 1]
//   [--connections 32] [--code 101010100] [--only 1,2,3] [--server-args="--log on"]
// Needs wrk on the PATH (tools/bench-service.sh installs it).

const fs = require('fs');
const http = require('http');
const net = require('net');
const os = require('os');
const path = require('path');
const { spawn, execFile } = require('child_process');
const { parseArgs } = require('util');
const { performance } = require('perf_hooks');
const { loadCityTable } = require('../lib/cityTable');
const { FakeUpstream } = require('../test/fakeUpstream');

const SERVER = path.join(__dirname, '..', 'server.js');
const BARE = path.join(__dirname, 'bareServer.js');

const { values: opts } = parseArgs({ options: {
  runs: { type: 'string', default: '5' },
  duration: { type: 'string', default: '5' },
  threads: { type: 'string', default: '1' },
  connections: { type: 'string', default: '32' },
  code: { type: 'string', default: '101010100' },
  only: { type: 'string', default: '1,2,3' },
  // Extra service options, for looking into a figure (e.g. "--log on").
  'server-args': { type: 'string', default: '' },
} });
const RUNS = Math.max(1, Math.min(50, Number(opts.runs) || 5));
const DURATION = Math.max(1, Math.min(60, Number(opts.duration) || 5));
const THREADS = Math.max(1, Number(opts.threads) || 1);
const CONNECTIONS = Math.max(1, Number(opts.connections) || 32);
const ONLY = new Set(opts.only.split(',').map((s) => s.trim()));
const EXTRA = opts['server-args'].split(/\s+/).filter(Boolean);
// Without air-quality requests the store holds no air to wait for.
const AIR = !/--air-quality-url[= ]off/.test(EXTRA.join(' '));
const WRK = ['-t', String(THREADS), '-c', String(CONNECTIONS), '--latency'];
// The paced client of measure 2: requests a second, over kept-alive connections.
const PACED_RATE = 500;
const PACED_SOCKETS = 16;
// The whole run may not outlast this, whatever hangs.
const WATCHDOG_MS = 45 * 60e3;

const CODES = [...new Set(loadCityTable().entries.map((entry) => entry.code))];
const tmp = fs.mkdtempSync(path.join(os.tmpdir(), 'weather-bench-'));
const children = new Set();

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
const log = (line) => process.stderr.write(`${line}\n`);

function cleanup() {
  for (const child of children) {
    try { child.kill('SIGKILL'); } catch (error) { /* gone already */ }
  }
  fs.rmSync(tmp, { recursive: true, force: true });
}
process.on('exit', cleanup);
for (const signal of ['SIGINT', 'SIGTERM']) process.on(signal, () => process.exit(130));
setTimeout(() => {
  log('bench: watchdog: the run took too long');
  process.exit(3);
}, WATCHDOG_MS).unref();

// A server as a child process; resolves once it prints its port. stdin is a
// pipe so that the bare server ends with us; stderr is drained, its tail kept.
function spawnServer(script, args, label) {
  const spawnedAt = performance.now();
  const child = spawn(process.execPath, [script, ...args], { stdio: ['pipe', 'pipe', 'pipe'] });
  children.add(child);
  child.tail = '';
  child.stderr.on('data', (chunk) => { child.tail = (child.tail + chunk).slice(-2000); });
  child.on('exit', () => children.delete(child));
  return new Promise((resolve, reject) => {
    let out = '';
    const timer = setTimeout(() => fail(new Error(`${label}: no "listening" within 20 s`)), 20e3);
    const fail = (error) => {
      clearTimeout(timer);
      child.kill('SIGKILL');
      reject(new Error(`${error.message}\n${child.tail}`));
    };
    child.on('exit', (code) => fail(new Error(`${label}: exited with ${code}`)));
    child.stdout.on('data', (chunk) => {
      out += chunk;
      const m = /listening on [^\s:]+:(\d+)/.exec(out);
      if (!m) return;
      clearTimeout(timer);
      child.removeAllListeners('exit');
      child.on('exit', () => children.delete(child));
      child.stdout.resume();
      resolve({ child, port: Number(m[1]), spawnedAt, listeningAt: performance.now() });
    });
  });
}

function stopServer(server) {
  const { child } = server;
  if (child.exitCode !== null || child.signalCode !== null) return Promise.resolve();
  return new Promise((resolve) => {
    const hard = setTimeout(() => child.kill('SIGKILL'), 5000);
    child.once('exit', () => {
      clearTimeout(hard);
      resolve();
    });
    child.kill('SIGTERM');
  });
}

// One whole answer to a kept-alive GET, as raw bytes.
function rawGet(port, target, timeoutMs = 5000) {
  return new Promise((resolve, reject) => {
    const socket = net.connect(port, '127.0.0.1');
    let bytes = Buffer.alloc(0);
    const timer = setTimeout(() => {
      socket.destroy();
      reject(new Error(`no whole answer to ${target} within ${timeoutMs} ms`));
    }, timeoutMs);
    socket.on('connect', () => socket.write(`GET ${target} HTTP/1.1\r\nHost: 127.0.0.1:${port}\r\n\r\n`));
    socket.on('data', (chunk) => {
      bytes = Buffer.concat([bytes, chunk]);
      const end = bytes.indexOf('\r\n\r\n');
      if (end < 0) return;
      const length = /\r\ncontent-length: *(\d+)/i.exec(bytes.subarray(0, end).toString('latin1'));
      if (length && bytes.length >= end + 4 + Number(length[1])) {
        clearTimeout(timer);
        socket.destroy();
        resolve(bytes.subarray(0, end + 4 + Number(length[1])));
      }
    });
    socket.on('error', (error) => {
      clearTimeout(timer);
      reject(error);
    });
  });
}

// A GET on its own connection: {status, at} (status 0: failed or timed out).
function get(port, target, timeoutMs) {
  return new Promise((resolve) => {
    const request = http.get({ host: '127.0.0.1', port, path: target, agent: false }, (response) => {
      response.resume();
      response.on('end', () => resolve({ status: response.statusCode, at: performance.now() }));
      response.on('error', () => resolve({ status: 0, at: performance.now() }));
    });
    request.setTimeout(timeoutMs, () => request.destroy(new Error('timeout')));
    request.on('error', () => resolve({ status: 0, at: performance.now() }));
  });
}

// The store file once it holds every place's forecast and air (the air round
// follows the forecasts a minute later, when the minute's budget allows).
async function waitStoreFull(file, places, withAir, timeoutMs) {
  const deadline = performance.now() + timeoutMs;
  while (performance.now() < deadline) {
    try {
      const data = JSON.parse(fs.readFileSync(file, 'utf8'));
      const air = Object.keys(data.air || {}).length;
      if (Object.keys(data.places).length === places && (air === places || !withAir)) return data;
    } catch (error) {
      // Not written yet, or replaced while read.
    }
    await sleep(500);
  }
  throw new Error(`${file}: not every place's forecast and air within ${timeoutMs} ms`);
}

async function waitHealthy(port, timeoutMs) {
  const deadline = performance.now() + timeoutMs;
  while (performance.now() < deadline) {
    const { status } = await get(port, '/healthz', 2000);
    if (status === 200) return;
    await sleep(200);
  }
  throw new Error(`/healthz not 200 within ${timeoutMs} ms`);
}

function splitAnswer(bytes) {
  const end = bytes.indexOf('\r\n\r\n');
  const lines = bytes.subarray(0, end).toString('latin1').split('\r\n');
  const m = /^HTTP\/1\.1 (\d{3}) (.*)$/.exec(lines[0]);
  const headers = [];
  for (const line of lines.slice(1)) {
    const colon = line.indexOf(':');
    headers.push(line.slice(0, colon), line.slice(colon + 1).trim());
  }
  return { status: Number(m[1]), reason: m[2], headers, body: bytes.subarray(end + 4) };
}

// The Date header and s-maxage (which counts down) differ by the second;
// everything else must be equal.
const withoutDate = (bytes) => bytes.toString('latin1').replace(/\r\nDate: [^\r]*/i, '\r\nDate: -')
  .replace(/s-maxage=\d+/, 's-maxage=-');

const UNIT_MS = { us: 1e-3, ms: 1, s: 1e3, m: 60e3 };

// CPU seconds (user + system) a process has used: steadier than req/s on a
// shared machine, since time stolen by neighbours does not count. Linux only.
function cpuSeconds(pid) {
  try {
    const fields = fs.readFileSync(`/proc/${pid}/stat`, 'utf8').replace(/^.*\) /, '').split(' ');
    return (Number(fields[11]) + Number(fields[12])) / 100;
  } catch (error) {
    return NaN;
  }
}

// wrk against a server; `server.child.pid` gives the server's CPU per request.
function runWrk(server, target, script, seconds = DURATION) {
  const { port } = server;
  const args = [...WRK, '-d', `${seconds}s`, ...(script ? ['-s', script] : []), `http://127.0.0.1:${port}${target}`];
  const cpuBefore = cpuSeconds(server.child.pid);
  return new Promise((resolve, reject) => {
    execFile('wrk', args, { timeout: (seconds + 30) * 1000 }, (error, stdout) => {
      const cpu = cpuSeconds(server.child.pid) - cpuBefore;
      if (error) return reject(new Error(`wrk ${args.join(' ')}: ${error.message}`));
      const rps = /Requests\/sec:\s*([\d.]+)/.exec(stdout);
      const latency = {};
      for (const m of stdout.matchAll(/^\s+(50|75|90|99)%\s+([\d.]+)(us|ms|s|m)\s*$/gm)) {
        latency[m[1]] = Number(m[2]) * UNIT_MS[m[3]];
      }
      const non2xx = /Non-2xx or 3xx responses:\s*(\d+)/.exec(stdout);
      const socketErrors = /Socket errors: connect (\d+), read (\d+), write (\d+), timeout (\d+)/.exec(stdout);
      const requests = /(\d+) requests in/.exec(stdout);
      if (!rps) return reject(new Error(`wrk: no figures:\n${stdout}`));
      return resolve({
        rps: Number(rps[1]), p50: latency['50'], p99: latency['99'], requests: Number(requests[1]),
        cpuUs: (cpu * 1e6) / Number(requests[1]),
        non2xx: non2xx ? Number(non2xx[1]) : 0,
        errors: socketErrors ? socketErrors.slice(1).reduce((sum, n) => sum + Number(n), 0) : 0,
      });
    });
  });
}

// Requests at a fixed rate whatever the answers do (an open loop: a stalled
// server does not slow the sending, so its stall shows in full), each timed
// from when it is handed to the client, waiting for a free connection
// included. Codes in table order. lagMs: the client's own worst delay.
// Returns {p50, p99, max, non200, count, lagMs}.
async function paced(port, seconds) {
  const agent = new http.Agent({ keepAlive: true, maxSockets: PACED_SOCKETS });
  const total = PACED_RATE * seconds;
  const latencies = [];
  let non200 = 0;
  const pending = [];
  const started = performance.now();
  const one = (i) => new Promise((resolve) => {
    const due = performance.now();
    const request = http.get({ host: '127.0.0.1', port, path: `/data/${CODES[i % CODES.length]}.html`, agent },
      (response) => {
        response.resume();
        response.on('end', () => {
          latencies.push(performance.now() - due);
          if (response.statusCode !== 200) ++non200;
          resolve();
        });
      });
    request.setTimeout(10e3, () => request.destroy(new Error('timeout')));
    request.on('error', () => {
      ++non200;
      resolve();
    });
  });
  // Timers tick by the millisecond: each turn sends what has fallen due.
  let lagMs = 0;
  for (let sent = 0; sent < total;) {
    const now = performance.now();
    const upTo = Math.min(total, Math.floor(((now - started) / 1000) * PACED_RATE) + 1);
    if (upTo > sent) lagMs = Math.max(lagMs, now - (started + (sent * 1000) / PACED_RATE));
    for (; sent < upTo; ++sent) pending.push(one(sent));
    if (now - started > seconds * 1000 + 10e3) break;
    await sleep(1);
  }
  await Promise.all(pending);
  agent.destroy();
  const sorted = latencies.sort((a, b) => a - b);
  const at = (q) => sorted[Math.min(sorted.length - 1, Math.floor(q * sorted.length))];
  return { p50: at(0.5), p99: at(0.99), max: sorted[sorted.length - 1], non200, count: latencies.length, lagMs };
}

function summary(list) {
  const sorted = [...list].sort((a, b) => a - b);
  const mid = sorted.length >> 1;
  const median = sorted.length % 2 ? sorted[mid] : (sorted[mid - 1] + sorted[mid]) / 2;
  return { median, min: sorted[0], max: sorted[sorted.length - 1] };
}

// ABBA: the baseline first in odd runs, second in even ones.
async function alternate(run, baseline, service) {
  if (run % 2 === 1) return { bare: await baseline(), service: await service() };
  const s = await service();
  return { bare: await baseline(), service: s };
}

const serviceArgs = (fake, store) => ['--source', 'live', '--forecast-url', fake.base, '--store', store,
  '--port', '0', '--log', 'off', '--max-connections-per-address', '1000', ...EXTRA];

// Requests still hanging at the fake (their sockets open).
const hangingNow = (fake) => [...fake.hanging].filter((r) => r.socket && !r.socket.destroyed).length;

function releaseHanging(fake) {
  for (const response of fake.hanging) response.destroy();
  fake.hanging.clear();
}

const rows = [];
const row = (name, values, format, note = '') => rows.push({ name, values, format, note });
// Counts and one-off readings: printed as they are, not as median and range.
const plain = (name, values, format, note) => rows.push({ name, values, format, note, plain: true });

async function main() {
  const load = os.loadavg().map((n) => n.toFixed(2)).join(' ');
  console.log(`machine: nproc ${os.cpus().length}, loadavg ${load} at start, node ${process.version}, ` +
    `${os.cpus()[0] ? os.cpus()[0].model : ''}`);
  console.log(`settings: wrk ${WRK.join(' ')} -d ${DURATION}s; paced client ${PACED_RATE} req/s over ` +
    `${PACED_SOCKETS} kept-alive connections for ${DURATION} s; ${RUNS} runs per measure, baseline and service alternating ` +
    `(ABBA); cold start: ${CODES.length} connections at once, one GET each, the fake API answering in 300 ms; ` +
    `service: node service/server.js ${serviceArgs({ base: 'FAKE' }, 'STORE').join(' ')}`);
  if (!CODES.includes(opts.code)) throw new Error(`--code: not a table code: ${opts.code}`);

  const fake = await new FakeUpstream({ mode: 'ok' }).listen();
  const store = path.join(tmp, 'filled.json');
  const rotation = path.join(tmp, 'rotation.lua');
  // One Lua state per wrk thread, each walking the whole table in order.
  fs.writeFileSync(rotation, `local codes = {${CODES.map((c) => `"${c}"`).join(',')}}\nlocal i = 0\n` +
    'request = function()\n  i = i % #codes + 1\n  return wrk.format("GET", "/data/" .. codes[i] .. ".html")\nend\n');

  // The store filled from the fake, and the exact answer for one report.
  log('bench: filling the store');
  const filling = await spawnServer(SERVER, serviceArgs(fake, store), 'service');
  await waitHealthy(filling.port, 60e3);
  const fillStarted = performance.now();
  await waitStoreFull(store, CODES.length, AIR, 180e3);
  log(`bench: store full with air after ${((performance.now() - fillStarted) / 1000).toFixed(0)} s more`);
  const target = `/data/${opts.code}.html`;
  // Every code's answer as the service writes it, for a bare server that
  // writes the same bytes for the same path.
  const answers = {};
  for (const code of CODES) {
    const bytes = await rawGet(filling.port, `/data/${code}.html`);
    const one = splitAnswer(bytes);
    if (one.status !== 200) throw new Error(`/data/${code}.html: status ${one.status}`);
    answers[`/data/${code}.html`] = { ...one, body: one.body.toString('base64') };
  }
  const captured = await rawGet(filling.port, target);
  const answer = splitAnswer(captured);
  const answerFile = path.join(tmp, 'answers.json');
  fs.writeFileSync(answerFile, JSON.stringify({ fallback: target, answers }));
  const bare = await spawnServer(BARE, [answerFile], 'bare server');
  for (const code of [opts.code, CODES[1], CODES[CODES.length - 1]]) {
    const ours = await rawGet(filling.port, `/data/${code}.html`);
    const bareBytes = await rawGet(bare.port, `/data/${code}.html`);
    if (withoutDate(bareBytes) !== withoutDate(ours)) {
      throw new Error(`the bare server's bytes differ:\n${bareBytes.toString('latin1').slice(0, 600)}\n---\n` +
        `${ours.toString('latin1').slice(0, 600)}`);
    }
  }
  console.log(`answer: ${captured.length} bytes (head ${captured.length - answer.body.length}, body ` +
    `${answer.body.length}); the bare server writes each code's bytes as the service does, but for the Date and s-maxage values`);

  if (ONLY.has('1')) {
    log('bench: measure 1, cached report throughput');
    const service = filling;
    // Nothing should run in the background of a full store.
    const cpu0 = cpuSeconds(service.child.pid);
    await sleep(2000);
    const idle = ((cpuSeconds(service.child.pid) - cpu0) / 2) * 100;
    // JIT and caches warm on both sides first (not counted).
    await runWrk(bare, target, rotation);
    await runWrk(service, target, rotation);
    const one = { bare: [], service: [], ratio: [], bareCpu: [], serviceCpu: [], cpuRatio: [] };
    const all = { bare: [], service: [], ratio: [], bareCpu: [], serviceCpu: [], cpuRatio: [] };
    let failures = 0;
    for (let run = 1; run <= RUNS; ++run) {
      const a = await alternate(run, () => runWrk(bare, target), () => runWrk(service, target));
      const b = await alternate(run, () => runWrk(bare, target, rotation),
        () => runWrk(service, target, rotation));
      for (const [into, got] of [[one, a], [all, b]]) {
        into.bare.push(got.bare.rps);
        into.service.push(got.service.rps);
        into.ratio.push(got.service.rps / got.bare.rps);
        into.bareCpu.push(got.bare.cpuUs);
        into.serviceCpu.push(got.service.cpuUs);
        into.cpuRatio.push(got.bare.cpuUs / got.service.cpuUs);
        failures += got.bare.non2xx + got.bare.errors + got.service.non2xx + got.service.errors;
      }
      log(`  run ${run}: one code bare ${a.bare.rps} service ${a.service.rps} req/s ` +
        `(${a.bare.cpuUs.toFixed(1)}, ${a.service.cpuUs.toFixed(1)} us CPU/req); ` +
        `rotation bare ${b.bare.rps} service ${b.service.rps}`);
    }
    for (const [name, into, note] of [[`1 one code (${opts.code})`, one, ''],
      [`1 rotation of ${CODES.length} codes`, all, ' (bare: the same bytes by path)']]) {
      row(`${name}: bare req/s`, into.bare, 0, note.trim());
      row('  service req/s', into.service, 0);
      row('  service / bare req/s', into.ratio, 3, 'goal >= 0.9');
      row('  bare CPU us/request', into.bareCpu, 1, 'server process, user+sys');
      row('  service CPU us/request', into.serviceCpu, 1);
      row('  bare CPU / service CPU', into.cpuRatio, 3, 'time stolen by neighbours not counted');
    }
    plain('  service CPU % with no requests, store full', [idle], 0, 'over 2 s, once');
    plain('  non-2xx answers and socket errors', [failures], 0, 'all runs');
  }
  await stopServer(filling);

  if (ONLY.has('2')) {
    log('bench: measure 2, reports while a refresh hangs');
    // The filled store with every forecast 3 hours old: past the refresh
    // interval (under 2 hours by the default budget), so the service's
    // first round is due at start; the air stays fresh.
    const data = JSON.parse(fs.readFileSync(store, 'utf8'));
    const places = Object.keys(data.places).length;
    if (places !== CODES.length || data.origin !== fake.base) {
      throw new Error(`store: ${places} places, origin ${data.origin}`);
    }
    const stale = Date.now() - 3 * 3600e3;
    for (const forecast of Object.values(data.places)) forecast.fetchedAt = stale;
    const staleText = JSON.stringify(data);
    fake.mode = 'hang';
    const figures = { bare: [], service: [] };
    let failures = 0;
    let notHanging = 0;
    const idleCpu = [];
    // The same steps against either server: the paced client, then wrk.
    const measure = async (server) => {
      const slow = await paced(server.port, DURATION);
      const full = await runWrk(server, target, rotation);
      return { slow, full };
    };
    for (let run = 1; run <= RUNS; ++run) {
      const got = await alternate(run, () => measure(bare), async () => {
        const file = path.join(tmp, `stale-${run}.json`);
        fs.writeFileSync(file, staleText);
        const service = await spawnServer(SERVER, serviceArgs(fake, file), 'service');
        try {
          const deadline = performance.now() + 5000;
          while (hangingNow(fake) === 0 && performance.now() < deadline) await sleep(20);
          if (hangingNow(fake) === 0) throw new Error('no refresh request reached the hanging API');
          // What the service spends with no client at all while the refresh hangs.
          const cpu0 = cpuSeconds(service.child.pid);
          await sleep(1000);
          idleCpu.push((cpuSeconds(service.child.pid) - cpu0) * 100);
          // One second's warm-up: JIT, and each place's report made once.
          await runWrk(service, target, rotation, 1).catch(() => null);
          const result = await measure(service);
          // The refresh must still hang at the end (the upstream timeout is 20 s).
          if (hangingNow(fake) === 0) ++notHanging;
          return result;
        } finally {
          await stopServer(service);
          releaseHanging(fake);
        }
      });
      for (const side of ['bare', 'service']) {
        figures[side].push(got[side]);
        failures += got[side].slow.non200 + got[side].full.non2xx + got[side].full.errors;
      }
      log(`  run ${run}: paced p99 bare ${got.bare.slow.p99.toFixed(2)} ms service ${got.service.slow.p99.toFixed(2)} ms ` +
        `(max ${got.service.slow.max.toFixed(1)}); wrk p99 bare ${got.bare.full.p99} ms service ${got.service.full.p99} ms ` +
        `(service ${got.service.full.rps} req/s)`);
    }
    const pick = (side, f) => figures[side].map(f);
    row(`2 refresh hanging, paced ${PACED_RATE}/s: service p99 ms`, pick('service', (g) => g.slow.p99), 2, 'goal <= 50');
    row('  service p50 ms', pick('service', (g) => g.slow.p50), 2);
    row('  service max ms', pick('service', (g) => g.slow.max), 2);
    row('  bare p50 ms', pick('bare', (g) => g.slow.p50), 2, 'same client');
    row('  bare p99 ms', pick('bare', (g) => g.slow.p99), 2);
    row('  bare max ms', pick('bare', (g) => g.slow.max), 2);
    row('  client: largest send lag ms (service runs)', pick('service', (g) => g.slow.lagMs), 1, 'the client\'s own delay');
    row(`2 refresh hanging, wrk saturating: service p99 ms`, pick('service', (g) => g.full.p99), 2, 'goal <= 50');
    row('  service p50 ms', pick('service', (g) => g.full.p50), 2);
    row('  service req/s', pick('service', (g) => g.full.rps), 0);
    row('  bare p99 ms', pick('bare', (g) => g.full.p99), 2, 'same load');
    row('  bare p50 ms', pick('bare', (g) => g.full.p50), 2);
    row('  service CPU % with no requests, refresh hanging', idleCpu, 0, 'over 1 s, before the load');
    plain('  not-200 and socket errors; runs the hang ended early', [failures, notHanging], 0, 'all runs');
    fake.mode = 'ok';
  }

  if (ONLY.has('3')) {
    log('bench: measure 3, cold start');
    fake.delayMs = 300;
    const askAll = async (server) => {
      const answers = await Promise.all(CODES.map((code) => get(server.port, `/data/${code}.html`, 30e3)));
      const ok = answers.filter((a) => a.status === 200);
      const last = ok.reduce((max, a) => Math.max(max, a.at), server.listeningAt);
      return { lastS: (last - server.spawnedAt) / 1000, listenS: (server.listeningAt - server.spawnedAt) / 1000,
        non200: answers.length - ok.length };
    };
    const times = { bare: [], service: [], listen: [] };
    let non200 = 0;
    let bareNon200 = 0;
    let batches = 0;
    for (let run = 1; run <= RUNS; ++run) {
      const got = await alternate(run, async () => {
        const server = await spawnServer(BARE, [answerFile], 'bare server');
        try { return await askAll(server); } finally { await stopServer(server); }
      }, async () => {
        const asked = fake.requests.length;
        const server = await spawnServer(SERVER, serviceArgs(fake, path.join(tmp, `fresh-${run}`, 'store.json')),
          'service');
        try {
          const result = await askAll(server);
          result.batches = fake.requests.length - asked;
          return result;
        } finally { await stopServer(server); }
      });
      times.bare.push(got.bare.lastS);
      times.service.push(got.service.lastS);
      times.listen.push(got.service.listenS);
      non200 += got.service.non200;
      bareNon200 += got.bare.non200;
      batches += got.service.batches;
      log(`  run ${run}: last 200 bare ${got.bare.lastS.toFixed(3)} s, service ${got.service.lastS.toFixed(3)} s ` +
        `(listening after ${got.service.listenS.toFixed(3)} s, ${got.service.non200} not 200, ` +
        `${got.service.batches} API requests)`);
    }
    row(`3 cold start, ${CODES.length} at once: service last 200 s`, times.service, 3, 'goal <= 15, from spawn');
    row('  service listening after s', times.listen, 3);
    row('  bare last 200 s', times.bare, 3, 'a bare server spawned and asked alike');
    plain('  service not-200 answers; bare not-200; API requests', [non200, bareNon200, batches], 0, 'all runs');
  }
  await stopServer(bare);
  await fake.close();

  const width = Math.max(...rows.map((r) => r.name.length)) + 2;
  console.log(`\n${'figure'.padEnd(width)}${'median'.padStart(12)}  range (min-max)`);
  for (const r of rows) {
    const f = (n) => n.toFixed(r.format);
    if (r.plain) {
      console.log(`${r.name.padEnd(width)}${r.values.map(f).join(' / ').padStart(12)}  (${r.note})`);
      continue;
    }
    const s = summary(r.values);
    console.log(`${r.name.padEnd(width)}${f(s.median).padStart(12)}  ${f(s.min)}-${f(s.max)}` +
      `${r.note ? `   ${r.note}` : ''}`);
  }
  console.log(`loadavg at end: ${os.loadavg().map((n) => n.toFixed(2)).join(' ')}`);
}

main().then(() => process.exit(0), (error) => {
  log(`bench: ${error.stack || error.message}`);
  process.exit(1);
});
