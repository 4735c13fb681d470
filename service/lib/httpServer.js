'use strict';
// A small HTTP/1.1 server for GET and HEAD only, built on plain sockets so
// that every limit is ours: the length of the request line and of the head,
// the time a client may take to send its head, the connections one address
// may hold. Anything outside that gets a quick 4xx and the connection closes.
// Every answer, head and body, leaves in one write with TCP_NODELAY: a head
// and a body written apart meet the client's delayed acknowledgement and
// cost 40 ms an answer.

const net = require('net');
const { STATUS_CODES } = require('http');

const DEFAULT_LIMITS = {
  maxRequestLine: 2048,
  maxHeadBytes: 8192,
  headTimeoutMs: 10000,
  idleTimeoutMs: 5000,
  maxConnectionsPerAddress: 32,
  maxConnections: 1024,
};

const TOKEN = /^[!#$%&'*+\-.^_`|~0-9A-Za-z]+$/;
const HEAD_END = /\r?\n\r?\n/;

function reasonPhrase(status) {
  return STATUS_CODES[status] || 'Status ' + status;
}

// The whole answer as one buffer. `headers` is a list of [name, value].
function serializeAnswer(answer, { method = 'GET', close = false } = {}) {
  const status = answer.status;
  const body = answer.body || Buffer.alloc(0);
  let head = `HTTP/1.1 ${status} ${reasonPhrase(status)}\r\n` +
    `Server: weather-service\r\nDate: ${new Date().toUTCString()}\r\n`;
  for (const [name, value] of answer.headers || []) head += `${name}: ${value}\r\n`;
  if (status !== 304 && status >= 200) head += `Content-Length: ${body.length}\r\n`;
  if (close) head += 'Connection: close\r\n';
  head += '\r\n';
  const headBytes = Buffer.from(head, 'latin1');
  if (method === 'HEAD' || status === 304 || status === 204) return headBytes;
  return Buffer.concat([headBytes, body]);
}

function errorAnswer(status, extraHeaders = []) {
  const reason = reasonPhrase(status);
  const body = Buffer.from(`<!DOCTYPE html>\r\n<html><head><title>${status} ${reason}</title></head>` +
    `<body><h1>${reason}</h1></body></html>\r\n`, 'utf8');
  return { status, headers: [['Content-Type', 'text/html; charset=utf-8'], ...extraHeaders], body };
}

// "::ffff:1.2.3.4" is the IPv4 address 1.2.3.4 on a dual-stack socket.
function plainAddress(address) {
  if (typeof address !== 'string') return '';
  return address.startsWith('::ffff:') && net.isIPv4(address.slice(7)) ? address.slice(7) : address;
}

function parseHead(text) {
  const lines = text.split(/\r?\n/);
  const m = /^([A-Za-z]+) (\S+) HTTP\/(\d)\.(\d)$/.exec(lines[0]);
  if (!m) return null;
  const headers = new Map();
  for (const line of lines.slice(1)) {
    if (line === '') continue;
    const colon = line.indexOf(':');
    if (colon <= 0) return null;
    const name = line.slice(0, colon);
    if (!TOKEN.test(name)) return null;
    const key = name.toLowerCase();
    const value = line.slice(colon + 1).trim();
    headers.set(key, headers.has(key) ? headers.get(key) + ', ' + value : value);
  }
  return { method: m[1], target: m[2], major: Number(m[3]), minor: Number(m[4]), headers };
}

class Connection {
  constructor(socket, server) {
    this.socket = socket;
    this.server = server;
    this.limits = server.limits;
    this.pending = Buffer.alloc(0);
    this.busy = false;
    this.closing = false;
    this.headTimer = null;
    this.idleTimer = null;
    socket.setNoDelay(true);
    socket.on('data', (chunk) => this.onData(chunk));
    socket.on('error', () => socket.destroy());
    socket.on('close', () => this.onClose());
    // A client may half-close after its request and still read the answer.
    socket.on('end', () => {
      this.clientEnded = true;
      if (!this.busy) this.endQuietly();
    });
    this.armIdle();
  }

  armIdle() {
    this.clearTimers();
    this.idleTimer = setTimeout(() => this.socket.destroy(), this.limits.idleTimeoutMs);
  }

  clearTimers() {
    clearTimeout(this.headTimer);
    clearTimeout(this.idleTimer);
    this.headTimer = this.idleTimer = null;
  }

  onClose() {
    this.clearTimers();
    this.closing = true;
    this.server.forget(this);
  }

  onData(chunk) {
    if (this.closing) return;  // draining after a final answer
    this.pending = this.pending.length ? Buffer.concat([this.pending, chunk]) : chunk;
    if (this.busy) {
      // Pipelined requests wait; stop reading so that a flood cannot grow the buffer.
      this.socket.pause();
      return;
    }
    this.parse();
  }

  parse() {
    if (this.closing || this.busy) return;
    if (this.pending.length === 0) {
      this.armIdle();
      return;
    }
    if (!this.headTimer) {
      clearTimeout(this.idleTimer);
      this.idleTimer = null;
      this.headTimer = setTimeout(() => this.finish(errorAnswer(408)), this.limits.headTimeoutMs);
    }
    const window = this.pending.subarray(0, this.limits.maxHeadBytes + 4).toString('latin1');
    const lineEnd = window.indexOf('\n');
    const lineLength = lineEnd < 0 ? window.length : lineEnd;
    if (lineLength > this.limits.maxRequestLine) return this.finish(errorAnswer(414));
    const end = HEAD_END.exec(window);
    if (!end) {
      if (this.pending.length > this.limits.maxHeadBytes) this.finish(errorAnswer(431));
      return undefined;
    }
    if (end.index > this.limits.maxHeadBytes) return this.finish(errorAnswer(431));
    const consumed = end.index + end[0].length;
    const head = parseHead(window.slice(0, end.index));
    this.pending = this.pending.subarray(consumed);
    clearTimeout(this.headTimer);
    this.headTimer = null;
    if (!head || head.major !== 1) return this.finish(errorAnswer(400));
    if (head.method !== 'GET' && head.method !== 'HEAD') {
      return this.finish(errorAnswer(405, [['Allow', 'GET, HEAD']]));
    }
    const length = head.headers.get('content-length');
    if (head.headers.has('transfer-encoding') || (length !== undefined && length !== '0')) {
      return this.finish(errorAnswer(400));  // a GET carries no body
    }
    const connection = (head.headers.get('connection') || '').toLowerCase();
    const keepAlive = head.minor >= 1 ? !connection.includes('close') : connection.includes('keep-alive');
    const request = {
      method: head.method,
      target: head.target,
      headers: head.headers,
      remoteAddress: plainAddress(this.socket.remoteAddress),
    };
    this.busy = true;
    let answered;
    try {
      answered = Promise.resolve(this.server.handler(request));
    } catch (error) {
      answered = Promise.reject(error);
    }
    answered.then((answer) => answer, (error) => {
      this.server.log(`handler failed: ${error && error.stack ? error.stack : error}`);
      return errorAnswer(500);
    }).then((answer) => {
      this.busy = false;
      if (this.socket.destroyed) return;
      const close = !keepAlive || Boolean(answer.close);
      this.socket.write(serializeAnswer(answer, { method: head.method, close }));
      this.server.log(`${request.remoteAddress} ${head.method} ${head.target} ${answer.status}`);
      if (answer.afterWrite) answer.afterWrite();
      if (close || this.clientEnded) return this.endQuietly();
      this.socket.resume();
      return this.parse();
    });
    return undefined;
  }

  // A final answer: sent, then the connection closes after the client has
  // had the chance to read it (half-close first, so no reset eats it).
  finish(answer) {
    if (this.closing) return;
    this.clearTimers();
    this.socket.write(serializeAnswer(answer, { close: true }));
    this.server.log(`${plainAddress(this.socket.remoteAddress)} refused with ${answer.status}`);
    this.endQuietly();
  }

  endQuietly() {
    if (this.closing) return;
    this.closing = true;
    this.clearTimers();
    this.pending = Buffer.alloc(0);
    this.socket.resume();
    this.socket.end();
    setTimeout(() => this.socket.destroy(), 2000).unref();
  }
}

class HttpServer {
  constructor(handler, { limits = {}, log = () => {} } = {}) {
    this.handler = handler;
    this.limits = { ...DEFAULT_LIMITS, ...limits };
    this.log = log;
    this.connections = new Set();
    this.perAddress = new Map();
    this.server = net.createServer({ noDelay: true, allowHalfOpen: true }, (socket) => this.accept(socket));
  }

  accept(socket) {
    const address = plainAddress(socket.remoteAddress);
    const held = this.perAddress.get(address) || 0;
    if (held >= this.limits.maxConnectionsPerAddress || this.connections.size >= this.limits.maxConnections) {
      socket.on('error', () => socket.destroy());
      socket.setNoDelay(true);
      socket.end(serializeAnswer(errorAnswer(held >= this.limits.maxConnectionsPerAddress ? 429 : 503),
        { close: true }));
      setTimeout(() => socket.destroy(), 2000).unref();
      this.log(`${address} refused: too many connections`);
      return;
    }
    this.perAddress.set(address, held + 1);
    const connection = new Connection(socket, this);
    connection.address = address;
    this.connections.add(connection);
  }

  forget(connection) {
    if (!this.connections.delete(connection)) return;
    const held = (this.perAddress.get(connection.address) || 1) - 1;
    if (held > 0) this.perAddress.set(connection.address, held);
    else this.perAddress.delete(connection.address);
  }

  listen(port, host) {
    return new Promise((resolve, reject) => {
      this.server.once('error', reject);
      this.server.listen(port, host, () => {
        this.server.off('error', reject);
        resolve(this.server.address());
      });
    });
  }

  close() {
    return new Promise((resolve) => {
      this.server.close(() => resolve());
      for (const connection of this.connections) connection.socket.destroy();
    });
  }
}

module.exports = { HttpServer, serializeAnswer, errorAnswer, plainAddress, reasonPhrase };
