'use strict';
// Clients that pipeline without end and never read their answers: the
// service's memory stays bounded and other callers are still answered.

const test = require('node:test');
const assert = require('node:assert');
const fs = require('fs');
const net = require('net');
const path = require('path');
const { spawn } = require('child_process');
const H = require('./helpers');

const SERVER = path.join(__dirname, '..', 'server.js');
const REQUEST = 'GET /data/101010100.html HTTP/1.1\r\nHost: x\r\n\r\n';
const BATCH = 1000;              // requests per write
const PER_CLIENT = 200000;       // requests each flooding client sends at most
const FLOOD_MS = 6000;           // and for at most this long
const PEAK_LIMIT_MB = 150;

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

function startChild(args) {
  return new Promise((resolve, reject) => {
    const child = spawn(process.execPath, [SERVER, '--port', '0', ...args], { stdio: ['ignore', 'pipe', 'pipe'] });
    let stderr = '';
    // Read on: a full pipe would stop the service; keep the end for a failure.
    child.stderr.on('data', (chunk) => { stderr = (stderr + chunk).slice(-4000); });
    child.stdout.once('data', (chunk) => {
      const found = /listening on \S+:(\d+)/.exec(chunk.toString());
      if (found) resolve({ child, port: Number(found[1]), stderr: () => stderr });
      else reject(new Error(`unexpected output: ${chunk}`));
    });
    child.once('exit', (code) => reject(new Error(`the service exited with ${code}: ${stderr}`)));
  });
}

// Megabytes from /proc: the resident size now and its peak.
function memoryOf(pid) {
  const status = fs.readFileSync(`/proc/${pid}/status`, 'utf8');
  const field = (name) => Number(new RegExp(`^${name}:\\s+(\\d+) kB`, 'm').exec(status)[1]) / 1024;
  return { rss: field('VmRSS'), peak: field('VmHWM') };
}

// Writes pipelined requests as fast as the socket drains and reads nothing.
async function flood(port, deadline) {
  const socket = net.connect(port, '127.0.0.1');
  socket.pause();
  let failed = null;
  socket.on('error', (error) => { failed = error; });
  await new Promise((resolve) => socket.once('connect', resolve));
  const batch = Buffer.from(REQUEST.repeat(BATCH));
  let sent = 0;
  while (sent < PER_CLIENT && Date.now() < deadline && !failed && !socket.destroyed) {
    sent += BATCH;
    if (!socket.write(batch)) {
      await Promise.race([new Promise((resolve) => socket.once('drain', resolve)),
        sleep(Math.max(0, deadline - Date.now()))]);
    }
  }
  return { socket, sent, failed };
}

test('pipelining clients that never read do not grow memory nor shut out others', async (t) => {
  // No cap on the requests of one connection, which would close it: the
  // clients stay connected, unread answers piling up.
  const { child, port, stderr } = await startChild(['--max-requests-per-socket', '100000000']);
  const floods = [];
  try {
    assert.strictEqual((await H.get(port, '/data/101010100.html')).status, 200);
    const before = memoryOf(child.pid);
    const deadline = Date.now() + FLOOD_MS;
    floods.push(...[1, 2, 3, 4].map(() => flood(port, deadline)));
    let slowest = 0;
    while (Date.now() < deadline) {
      await sleep(500);
      const started = Date.now();
      assert.strictEqual((await H.get(port, '/data/101010100.html')).status, 200, 'another caller');
      slowest = Math.max(slowest, Date.now() - started);
      const { peak } = memoryOf(child.pid);
      assert.ok(peak < PEAK_LIMIT_MB, `peak ${peak.toFixed(1)} MB`);
    }
    const sent = (await Promise.all(floods)).map((result) => result.sent);
    const after = memoryOf(child.pid);
    t.diagnostic(`memory before ${before.rss.toFixed(1)} MB (peak ${before.peak.toFixed(1)}), ` +
      `peak during ${after.peak.toFixed(1)} MB; requests sent ${sent.join(', ')}; slowest answer ${slowest} ms`);
    assert.ok(slowest < 1000, `another caller waited ${slowest} ms`);
    assert.ok(after.peak < PEAK_LIMIT_MB, `peak ${after.peak.toFixed(1)} MB`);

    (await Promise.all(floods)).forEach(({ socket }) => socket.destroy());
    await sleep(200);
    assert.strictEqual((await H.get(port, '/data/101010100.html')).status, 200, 'after the floods');
  } catch (error) {
    error.message += `\nservice stderr: ${stderr()}`;
    throw error;
  } finally {
    for (const pending of floods) pending.then(({ socket }) => socket.destroy(), () => {});
    child.kill();
  }
});
