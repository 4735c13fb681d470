'use strict';
// One GET to the forecast API with a deadline for the whole answer (a hang
// and a drip end alike) and a size limit, made on a thread of its own.
//
// Why a thread: node's HTTP client shares its code (streams, sockets,
// process.nextTick) with the server. Used in the same thread, it leaves the
// JIT's feedback for that shared code mixed, and the server answered a
// quarter slower for the rest of the process's life (service/README.md,
// Speed). The worker keeps the client's feedback apart.

const http = require('http');
const https = require('https');
const path = require('path');
const { Worker } = require('worker_threads');

class UpstreamError extends Error {
  // kind: 'network' | 'timeout' | 'size' | 'status' | 'limit' | 'refused' | 'garbage' | 'invalid'
  constructor(kind, message, { limit = null, retryAfterMs = null } = {}) {
    super(message);
    this.kind = kind;
    this.limit = limit;            // 'minute' | 'hour' | 'day' for a 429 that says which
    this.retryAfterMs = retryAfterMs;
  }
}

// Resolves {status, headers, body} within `timeoutMs`, or rejects with
// UpstreamError: the request in this thread (the worker's side).
function getUrlHere(url, { timeoutMs = 20000, maxBytes = 16 * 1024 * 1024, headers = {} } = {}) {
  return new Promise((resolve, reject) => {
    let target;
    try {
      target = new URL(url);
    } catch (error) {
      reject(new UpstreamError('network', `bad forecast URL ${url}`));
      return;
    }
    const client = target.protocol === 'https:' ? https : http;
    let done = false;
    const finish = (error, value) => {
      if (done) return;
      done = true;
      clearTimeout(timer);
      if (error) {
        request.destroy();
        reject(error);
      } else {
        resolve(value);
      }
    };
    const request = client.get(target, {
      headers: { 'User-Agent': 'weather-service', 'Accept-Encoding': 'identity', ...headers },
    }, (response) => {
      const chunks = [];
      let size = 0;
      response.on('data', (chunk) => {
        size += chunk.length;
        if (size > maxBytes) finish(new UpstreamError('size', 'forecast answer too large'));
        else chunks.push(chunk);
      });
      response.on('end', () => finish(null, {
        status: response.statusCode, headers: response.headers, body: Buffer.concat(chunks),
      }));
      response.on('aborted', () => finish(new UpstreamError('network', 'forecast answer cut off')));
      response.on('error', (error) => finish(new UpstreamError('network', `forecast answer: ${error.message}`)));
    });
    request.on('error', (error) => finish(new UpstreamError('network', `forecast request: ${error.message}`)));
    const timer = setTimeout(() => finish(new UpstreamError('timeout', `no whole forecast answer within ${timeoutMs} ms`)),
      timeoutMs);
  });
}

// The worker that makes the requests: started at the first, holding the
// process open only while one is under way, started again if it stops.
const WORKER_FILE = path.join(__dirname, 'upstreamWorker.js');
// A batch's answer is at most a few tens of MB; a worker past this stops.
const WORKER_HEAP_MB = 256;
// How long past a request's own deadline the worker may take to say so.
const WORKER_GRACE_MS = 5000;
let worker = null;
let lastId = 0;
const pending = new Map();   // id -> {resolve, reject, timer}

function settle(id, error, value) {
  const request = pending.get(id);
  if (!request) return;
  pending.delete(id);
  clearTimeout(request.timer);
  if (pending.size === 0 && worker) worker.unref();
  if (error) request.reject(error);
  else request.resolve(value);
}

function requestThread() {
  if (worker) return worker;
  const started = new Worker(WORKER_FILE, { resourceLimits: { maxOldGenerationSizeMb: WORKER_HEAP_MB } });
  started.on('message', ({ id, value, error }) => {
    if (error) {
      settle(id, new UpstreamError(error.kind, error.message, error));
    } else {
      // A Buffer arrives as a plain Uint8Array.
      const { body } = value;
      settle(id, null, { ...value, body: Buffer.from(body.buffer, body.byteOffset, body.byteLength) });
    }
  });
  const stopped = (reason) => {
    if (worker !== started) return;
    worker = null;
    for (const id of [...pending.keys()]) {
      settle(id, new UpstreamError('network', `forecast request thread stopped: ${reason}`));
    }
  };
  started.on('error', (error) => stopped(error.message));
  started.on('exit', (code) => stopped(`exit ${code}`));
  worker = started;
  return started;
}

// getUrlHere's promise, kept by the worker thread.
function getUrl(url, options = {}) {
  return new Promise((resolve, reject) => {
    const id = ++lastId;
    const thread = requestThread();
    const limitMs = (options.timeoutMs ?? 20000) + WORKER_GRACE_MS;
    const timer = setTimeout(() => settle(id, new UpstreamError('timeout',
      `no whole forecast answer within ${limitMs} ms`)), limitMs);
    pending.set(id, { resolve, reject, timer });
    thread.ref();
    thread.postMessage({ id, url, options });
  });
}

module.exports = { getUrl, getUrlHere, requestThread, UpstreamError };
