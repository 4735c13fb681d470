'use strict';
// The deployment of deploy/nginx.conf run for real on loopback: Debian's
// nginx in front of two live instances (--trust-proxy) and the fake forecast
// API, each its own process. Clients come from distinct 127.0.x.y addresses
// so that nginx, and through it the instances, see distinct callers.

const test = require('node:test');
const assert = require('node:assert');
const { spawn } = require('child_process');
const fs = require('fs');
const http = require('http');
const net = require('net');
const os = require('os');
const path = require('path');
const iconv = require('iconv-lite');
const H = require('./helpers');
const { loadCityTable } = require('../lib/cityTable');

const NGINX = '/usr/sbin/nginx';
const SERVICE = path.join(__dirname, '..');
const table = loadCityTable();
const CODES = [...new Set(table.entries.map((entry) => entry.code))];
const missing = !fs.existsSync(NGINX);
// Missing nginx fails on CI, where tools/setup.sh has installed it.
const skip = missing && !process.env.CI ? `${NGINX} not found (tools/setup.sh installs Debian's nginx)` : false;

const children = [];
let dir;
let front;          // nginx's port
let instances = []; // the services' ports

// Children get SIGTERM even when this process dies early: nginx's master
// takes its workers down with it, which SIGKILL would not.
process.on('exit', () => {
  for (const child of children) if (child.exitCode === null && child.signalCode === null) child.kill('SIGTERM');
});

// A node program started with `words`; resolves with the port it prints.
function startNode(words) {
  const child = spawn(process.execPath, words, { cwd: SERVICE, stdio: ['ignore', 'pipe', 'pipe'] });
  children.push(child);
  let err = '';
  child.stderr.on('data', (chunk) => { err = (err + chunk).slice(-2000); });
  return new Promise((resolve, reject) => {
    let out = '';
    const timer = setTimeout(() => reject(new Error(`${words[0]} did not start: ${err}`)), 10000);
    child.stdout.on('data', (chunk) => {
      out += chunk;
      const m = /listening on 127\.0\.0\.1:(\d+)/.exec(out);
      if (m) {
        clearTimeout(timer);
        resolve(Number(m[1]));
      }
    });
    child.on('exit', (code) => reject(new Error(`${words[0]} exited with ${code}: ${err}`)));
  });
}

function freePort() {
  return new Promise((resolve, reject) => {
    const server = net.createServer().listen(0, '127.0.0.1', () => {
      const { port } = server.address();
      server.close(() => resolve(port));
    }).on('error', reject);
  });
}

function stop(child) {
  if (child.exitCode !== null || child.signalCode !== null) return Promise.resolve();
  return new Promise((resolve) => {
    const kill = setTimeout(() => child.kill('SIGKILL'), 5000);
    child.once('exit', () => {
      clearTimeout(kill);
      resolve();
    });
    child.kill('SIGTERM');
  });
}

// One GET from a given loopback source address, on its own connection.
function get(port, target, { from = '127.0.0.1', headers = {} } = {}) {
  return new Promise((resolve, reject) => {
    const request = http.get({ host: '127.0.0.1', port, path: target, localAddress: from, agent: false, headers },
      (response) => {
        const chunks = [];
        response.on('data', (chunk) => chunks.push(chunk));
        response.on('end', () => resolve({ status: response.statusCode, headers: response.headers, body: Buffer.concat(chunks) }));
        response.on('error', reject);
      });
    request.setTimeout(15000, () => request.destroy(new Error(`${target} from ${from}: no answer in 15 s`)));
    request.on('error', reject);
  });
}

// Answered requests of a route, per instance, read from the instances directly.
async function counted(route) {
  return Promise.all(instances.map(async (port) => {
    const text = (await get(port, '/metrics')).body.toString('utf8');
    const line = new RegExp(`^weather_http_requests_total\\{route="${route}",status="200"\\} (\\d+)$`, 'm').exec(text);
    return line ? Number(line[1]) : 0;
  }));
}
const sum = (list) => list.reduce((a, b) => a + b, 0);

async function waitFor(what, check, ms) {
  const until = Date.now() + ms;
  while (!(await check().catch(() => false))) {
    if (Date.now() > until) throw new Error(`${what}: not within ${ms} ms`);
    await new Promise((resolve) => setTimeout(resolve, 50));
  }
}

test.before(async () => {
  if (skip) return;
  assert.ok(!missing, `${NGINX} is missing: tools/setup.sh installs Debian's nginx`);
  dir = fs.mkdtempSync(path.join(os.tmpdir(), 'weather-nginx-'));
  // Workers of a root master run as nobody: they must reach the cache and temp paths.
  fs.chmodSync(dir, 0o755);
  const fake = await startNode(['test/fakeUpstream.js', '--port', '0', '--lifetime', '120']);
  instances = await Promise.all([1, 2].map((n) => startNode(['server.js', '--source', 'live',
    '--forecast-url', `http://127.0.0.1:${fake}`, '--store', path.join(dir, `store${n}.json`), '--trust-proxy',
    '--log', 'off', '--port', '0', '--host', '127.0.0.1', '--lifetime', '120'])));
  // Every place stored, so that no report waits for the API.
  for (const port of instances) await waitFor(`instance ${port} healthy`, async () => (await get(port, '/healthz')).status === 200, 15000);

  front = await freePort();
  let snippet = fs.readFileSync(path.join(SERVICE, 'deploy', 'nginx.conf'), 'utf8');
  assert.ok(fs.readFileSync(path.join(SERVICE, 'README.md'), 'utf8').includes(snippet.trimEnd()),
    'the README shows deploy/nginx.conf as it is');
  for (const [placeholder, value] of [['10.0.0.11:8080', `127.0.0.1:${instances[0]}`],
    ['10.0.0.12:8080', `127.0.0.1:${instances[1]}`], ['listen 80;', `listen 127.0.0.1:${front};`],
    ['/var/cache/weather', path.join(dir, 'cache')]]) {
    assert.strictEqual(snippet.split(placeholder).length, 2, `deploy/nginx.conf holds ${placeholder} once`);
    snippet = snippet.replace(placeholder, value);
  }
  const temp = (name) => `${name}_temp_path ${path.join(dir, name)};`;
  fs.writeFileSync(path.join(dir, 'nginx.conf'), [
    `pid ${path.join(dir, 'nginx.pid')};`, `error_log ${path.join(dir, 'error.log')} warn;`,
    'worker_processes 1;', 'events { worker_connections 1024; }',
    'http {', 'access_log off;', ...['client_body', 'proxy', 'fastcgi', 'uwsgi', 'scgi'].map(temp),
    snippet, '}', ''].join('\n'));
  const nginx = spawn(NGINX, ['-p', dir, '-c', path.join(dir, 'nginx.conf'), '-g', 'daemon off;'],
    { stdio: ['ignore', 'ignore', 'pipe'] });
  children.push(nginx);
  let err = '';
  nginx.stderr.on('data', (chunk) => { err += chunk; });
  const errorLog = path.join(dir, 'error.log');
  const log = () => err || (fs.existsSync(errorLog) ? fs.readFileSync(errorLog, 'utf8') : '');
  await waitFor('nginx listening', () => {
    if (nginx.exitCode !== null) throw new Error(`nginx exited: ${log()}`);
    return new Promise((resolve) => net.connect(front, '127.0.0.1').on('connect', function () {
      this.destroy();
      resolve(true);
    }).on('error', () => resolve(false)));
  }, 5000).catch((error) => { throw new Error(`${error.message}\n${log()}`); });
});

test.after(async () => {
  await Promise.all(children.map(stop));
  if (dir) fs.rmSync(dir, { recursive: true, force: true });
});

test('a report is fetched once, then served from the cache', { skip, timeout: 10000 }, async () => {
  const code = CODES[0];
  const before = sum(await counted('report'));
  const first = await get(front, `/data/${code}.html`, { from: '127.0.0.2' });
  assert.strictEqual(first.status, 200);
  assert.strictEqual(first.headers['x-cache-status'], 'MISS');
  // nginx keeps only what s-maxage allows.
  assert.match(first.headers['cache-control'], /^public, max-age=0, s-maxage=[1-9]\d*$/);
  for (const [from, target] of [['127.0.0.3', `/data/${code}.html`], ['127.0.0.2', `/data/${code}.html?fresh=1`]]) {
    const again = await get(front, target, { from });
    assert.strictEqual(again.status, 200, target);
    assert.strictEqual(again.headers['x-cache-status'], 'HIT', target);
    assert.strictEqual(again.headers.etag, first.headers.etag);
    assert.deepStrictEqual(again.body, first.body);
  }
  assert.strictEqual(JSON.parse(first.body).weatherinfo.cityid, code);
  assert.strictEqual(sum(await counted('report')) - before, 1);
});

test('the location page is never cached and names the forwarded caller', { skip, timeout: 10000 }, async () => {
  const before = sum(await counted('location'));
  // A client's own X-Forwarded-For (广州's address) must not be believed.
  const asks = [['127.0.0.4', { 'X-Forwarded-For': '202.96.128.86' }], ['127.0.0.2'], ['127.0.0.3'], ['127.0.0.2']];
  for (const [from, headers] of asks) {
    const answer = await get(front, '/', { from, headers });
    assert.strictEqual(answer.status, 200, from);
    assert.strictEqual(answer.headers['cache-control'], 'private, no-cache');
    assert.strictEqual(answer.headers['x-cache-status'], undefined);
    // The address sits before the "-" that the program's cut drops.
    const piece = /查询结果：\[([^\]]*)\]/.exec(iconv.decode(answer.body, 'gbk'));
    assert.strictEqual(piece && piece[1], from);
    const name = H.locatedCityName(H.cutLocationText(answer.body));
    assert.ok(!table.byName.has(name), `${from} located at ${name}`);
  }
  assert.strictEqual(sum(await counted('location')) - before, asks.length);
});

test('health and metrics are not public', { skip, timeout: 5000 }, async () => {
  for (const target of ['/healthz', '/metrics']) assert.strictEqual((await get(front, target)).status, 404, target);
});

test('200 clients at once all get their report, cached or not', { skip, timeout: 20000 }, async (t) => {
  const codes = CODES.slice(1, 201);
  const warm = new Set(codes.slice(0, 50));
  for (const code of warm) assert.strictEqual((await get(front, `/data/${code}.html`, { from: '127.0.0.5' })).status, 200);
  const before = await counted('report');
  const started = Date.now();
  const answers = await Promise.all(codes.map((code, i) =>
    get(front, `/data/${code}.html`, { from: `127.0.1.${i + 1}` })));
  const ms = Date.now() - started;
  const refused = answers.map((a, i) => [codes[i], a.status]).filter(([, status]) => status !== 200);
  assert.deepStrictEqual(refused, [], `${refused.length} of 200 not 200 (${ms} ms)`);
  answers.forEach((answer, i) => {
    assert.strictEqual(JSON.parse(answer.body).weatherinfo.cityid, codes[i]);
    assert.strictEqual(answer.headers['x-cache-status'], warm.has(codes[i]) ? 'HIT' : 'MISS', codes[i]);
  });
  const served = (await counted('report')).map((count, n) => count - before[n]);
  assert.strictEqual(sum(served), codes.length - warm.size);
  assert.ok(served.every((count) => count > 0), `both instances serve: ${served}`);
  t.diagnostic(`200 clients in ${ms} ms; instances served ${served}`);
});
