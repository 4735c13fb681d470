'use strict';
// The service's HTTP/1.1 server: node's own server and parser (llhttp) with
// its timers and keep-alive, and on top what a public GET/HEAD service needs
// that node leaves out: a cap on the request line; 405 for other methods;
// 400 for a GET with a body or another HTTP major version; caps on the
// connections of one address and of all; a cap on the unanswered requests of
// one connection, so that a client that pipelines and never reads cannot
// grow memory; and the caller's address behind a trusted proxy. A refusal is
// a quick answer with Connection: close, and the connection then closes.

const asyncHooks = require('async_hooks');
const http = require('http');
const net = require('net');
const { performance } = require('perf_hooks');

// Unanswered requests one connection may have before the server stops
// reading from it; reading goes on once they are sent.
const MAX_IN_FLIGHT = 16;
// How long a closing connection is read (and the bytes dropped) for the
// client's end: closing with bytes unread sends a reset, which can cost the
// client the answer it has not read yet.
const LINGER_MS = 2000;

const CONNECTION = Symbol('connection');
// An answer's head as node takes it, kept on the answer: a stored report's
// answer is written many times.
const HEAD = Symbol('head');
const EMPTY = Buffer.alloc(0);
// Errors that say the client sent something wrong or too slowly; any other
// error of a socket (a reset) just ends it.
const CLIENT_FAULT = /^(HPE_|ERR_HTTP_REQUEST_TIMEOUT$)/;

// Node makes an object for every process.nextTick, about six an answer. V8
// holds their shape only weakly: a full collection in a quiet spell, with
// none of them alive, drops it, and from then on node makes each one on
// V8's slow path, so that every answer costs about half as much again (a
// bare node:http server alike; service/README.md, Speed). One of them kept
// alive keeps the shape.
function keepTickShape() {
  const kept = [];
  const hook = asyncHooks.createHook({
    init(id, type, trigger, resource) {
      if (type === 'TickObject') kept.push(resource);
    },
  });
  hook.enable();
  process.nextTick(() => {});
  hook.disable();
  return kept;
}
const KEPT_TICKS = keepTickShape();

function reasonPhrase(status) {
  return http.STATUS_CODES[status] || `Status ${status}`;
}

function errorAnswer(status, extraHeaders = []) {
  const reason = reasonPhrase(status);
  const body = Buffer.from(`<!DOCTYPE html>\r\n<html><head><title>${status} ${reason}</title></head>` +
    `<body><h1>${reason}</h1></body></html>\r\n`, 'utf8');
  return { status, headers: [['Content-Type', 'text/html; charset=utf-8'], ...extraHeaders], body };
}

// A refusal written on the socket itself, where no response object is at
// hand (at accept, after a parse error, for CONNECT).
function rawRefusal(status, extraHeaders) {
  const answer = errorAnswer(status, extraHeaders);
  let head = `HTTP/1.1 ${status} ${reasonPhrase(status)}\r\nServer: weather-service\r\n` +
    `Date: ${new Date().toUTCString()}\r\n`;
  for (const [name, value] of answer.headers) head += `${name}: ${value}\r\n`;
  head += `Content-Length: ${answer.body.length}\r\nConnection: close\r\n\r\n`;
  return Buffer.concat([Buffer.from(head, 'latin1'), answer.body]);
}

// "::ffff:1.2.3.4" is the IPv4 address 1.2.3.4 on a dual-stack socket.
function plainAddress(address) {
  if (typeof address !== 'string') return '';
  return address.startsWith('::ffff:') && net.isIPv4(address.slice(7)) ? address.slice(7) : address;
}

// The address a trusted proxy added: the last of X-Forwarded-For, and only
// a well-formed one; the addresses before it are the client's own say.
function forwardedAddress(headers) {
  const forwarded = headers.get('x-forwarded-for');
  if (forwarded === undefined) return null;
  const address = plainAddress(forwarded.slice(forwarded.lastIndexOf(',') + 1).trim());
  return net.isIP(address) ? address : null;
}

// A request's headers, looked up by lowercase name in node's raw list: most
// requests carry two or three, and a look-up costs less than a map a request.
// A repeated header's values are joined with ', '.
class RequestHeaders {
  constructor(raw) {
    this.raw = raw;
  }

  get(name) {
    const raw = this.raw;
    let value;
    for (let i = 0; i < raw.length; i += 2) {
      const key = raw[i];
      if (key.length !== name.length || key.toLowerCase() !== name) continue;
      value = value === undefined ? raw[i + 1] : `${value}, ${raw[i + 1]}`;
    }
    return value;
  }

  has(name) {
    return this.get(name) !== undefined;
  }
}

// The head node writes for an answer, as a flat list of names and values.
function headOf(answer, body) {
  const head = ['Server', 'weather-service'];
  for (const [name, value] of answer.headers || []) head.push(name, value);
  if (answer.status >= 200 && answer.status !== 204 && answer.status !== 304) head.push('Content-Length', `${body.length}`);
  return head;
}

function destroyOnError() {
  this.destroy();
}

function elapsed(started) {
  return Math.round((performance.now() - started) * 10) / 10;
}

class HttpServer {
  // `limits`: the server's part of the service's options (all of them).
  constructor(handler, { limits, log = () => {}, trustProxy = false, observe = () => {}, timed = true }) {
    this.handler = handler;
    // Whether observe() gets each answer's time (only a log shows it).
    this.timed = Boolean(timed);
    this.limits = limits;
    this.log = log;
    this.trustProxy = Boolean(trustProxy);
    this.observe = observe;
    this.connections = new Set();  // every open socket's state, refused ones too
    this.counted = 0;              // the connections that count against maxConnections
    this.perAddress = new Map();   // socket address -> connections
    this.perClient = new Map();    // forwarded client address -> requests in flight
    const headMs = Math.ceil(this.limits.headTimeoutMs);
    this.server = http.createServer({
      headersTimeout: headMs,
      // A GET is whole when its head is; a longer body is refused anyway.
      requestTimeout: headMs,
      keepAliveTimeout: Math.ceil(this.limits.idleTimeoutMs),
      maxHeaderSize: this.limits.maxHeadBytes,
      // Node checks the head timeout at this interval: a quarter of it, so
      // that a slow head is cut off within 1.25 times the timeout.
      connectionsCheckingInterval: headMs > 0 ? Math.min(1000, Math.max(50, Math.floor(headMs / 4))) : 1000,
      // The program sends no Host; old clients need none either.
      requireHostHeader: false,
      noDelay: true,
    });
    this.server.maxRequestsPerSocket = this.limits.maxRequestsPerSocket;
    // A client may half-close after its requests and still read the answers.
    this.server.httpAllowHalfOpen = true;
    this.server.on('connection', (socket) => this.accept(socket));
    this.server.on('request', (req, res) => this.onRequest(req, res));
    this.server.on('connect', (req, socket) => this.onConnect(req, socket));
    this.server.on('clientError', (error, socket) => this.onClientError(error, socket));
    // Node answers 503 itself to requests past maxRequestsPerSocket, but
    // only after the last answer, which closes the connection: never sent.
    this.server.on('dropRequest', (req, socket) => {
      if (socket[CONNECTION]) this.ignore(socket[CONNECTION]);
    });
  }

  accept(socket) {
    const address = plainAddress(socket.remoteAddress);
    const conn = {
      socket, address, counted: false, inFlight: new Set(), held: false, refused: false,
      closing: false, pendingRefusal: 0, requests: 0, ignored: 0, waiting: [], scheduled: false,
      timer: null,
    };
    socket[CONNECTION] = conn;
    this.connections.add(conn);
    socket.on('close', () => this.forget(conn));
    // Node resumes reading when its own queue of output drains; this keeps
    // the socket paused while this server holds it for unanswered requests.
    socket.on('resume', () => {
      if (conn.held) socket.pause();
    });
    // Node calls this after the last answer of a connection.
    socket.destroySoon = () => this.closeGently(conn);

    const held = this.perAddress.get(address) || 0;
    // Behind a trusted proxy every connection is the proxy's: clients are
    // counted by their forwarded address instead, per request.
    const tooMany = !this.trustProxy && held >= this.limits.maxConnectionsPerAddress;
    if (tooMany || this.counted >= this.limits.maxConnections) {
      const status = tooMany ? 429 : 503;
      conn.refused = true;
      socket.write(rawRefusal(status));
      this.closeGently(conn);
      this.log('refused', { client: address, status, reason: tooMany ? 'connections of the address' : 'connections' });
      return;
    }
    conn.counted = true;
    this.counted += 1;
    this.perAddress.set(address, held + 1);
    // A connection that never says a word is closed without one.
    conn.timer = setTimeout(() => {
      if (socket.bytesRead === 0) socket.destroy();
    }, this.limits.idleTimeoutMs);
    conn.timer.unref();
  }

  forget(conn) {
    clearTimeout(conn.timer);
    if (!this.connections.delete(conn)) return;
    conn.waiting = [];
    for (const release of conn.inFlight) release();
    if (!conn.counted) return;
    this.counted -= 1;
    const held = (this.perAddress.get(conn.address) || 1) - 1;
    if (held > 0) this.perAddress.set(conn.address, held);
    else this.perAddress.delete(conn.address);
  }

  hold(conn) {
    if (conn.held) return;
    conn.held = true;
    conn.socket.pause();
  }

  unhold(conn) {
    if (!conn.held) return;
    conn.held = false;
    if (!conn.socket.destroyed) conn.socket.resume();
  }

  // A request read after the connection's last answer is dropped; reading
  // stops after a few of them.
  ignore(conn) {
    conn.ignored += 1;
    if (conn.ignored >= MAX_IN_FLIGHT) this.hold(conn);
  }

  onRequest(req, res) {
    const conn = req.socket[CONNECTION];
    if (!conn) return;
    if (conn.refused) {
      this.ignore(conn);
      return;
    }
    const started = this.timed ? performance.now() : 0;
    const headers = new RequestHeaders(req.rawHeaders);
    const forwarded = this.trustProxy ? forwardedAddress(headers) : null;
    const request = {
      method: req.method, target: req.url, headers,
      remoteAddress: conn.address, clientAddress: forwarded || conn.address,
    };
    const refusal = this.refusalOf(req, headers);
    if (refusal) {
      conn.refused = true;
      this.hold(conn);
      this.respond(res, request, started, refusal, true);
      return;
    }
    // Node says Connection: close on the last answer but reads on; this
    // server closes the connection after it.
    conn.requests += 1;
    const last = conn.requests >= this.limits.maxRequestsPerSocket;
    if (last) conn.refused = true;
    const job = { res, request, started, last };
    if (conn.inFlight.size < MAX_IN_FLIGHT) {
      this.serve(conn, job);
    } else {
      // Node parses all of a read before a pause takes effect: the requests
      // past the cap wait their turn, and reading stops.
      conn.waiting.push(job);
      this.hold(conn);
    }
  }

  serve(conn, { res, request, started, last }) {
    let client = null;
    if (this.trustProxy) {
      const count = this.perClient.get(request.clientAddress) || 0;
      if (count >= this.limits.maxConnectionsPerAddress) {
        // The proxy's connection carries other clients too: it stays open.
        this.track(conn, res, null);
        this.respond(res, request, started, errorAnswer(429), last);
        return;
      }
      client = request.clientAddress;
      this.perClient.set(client, count + 1);
    }
    // With nothing of this connection in flight, an answer ready now goes
    // straight to the socket: nothing to count, nothing queued behind it.
    const alone = conn.inFlight.size === 0;
    let answer;
    try {
      answer = this.handler(request);
    } catch (error) {
      answer = this.failed(error);
    }
    const later = Boolean(answer && typeof answer.then === 'function');
    if (alone && !later) {
      if (client !== null) this.releaseClient(client);
      this.respond(res, request, started, answer, last);
      return;
    }
    const release = this.track(conn, res, client);
    if (later) {
      answer.then((ready) => ready, (error) => this.failed(error)).then((ready) => {
        if (res.destroyed || conn.socket.destroyed) release();
        else this.respond(res, request, started, ready, last);
      });
    } else {
      // Ready now (the cached reports): written at once.
      this.respond(res, request, started, answer, last);
    }
  }

  refusalOf(req, headers) {
    // The request line as sent: method, target, version.
    if (req.method.length + req.url.length + 10 > this.limits.maxRequestLine) return errorAnswer(414);
    if (req.httpVersionMajor !== 1) return errorAnswer(400);
    if (req.method !== 'GET' && req.method !== 'HEAD') return errorAnswer(405, [['Allow', 'GET, HEAD']]);
    const length = headers.get('content-length');
    if (headers.has('transfer-encoding') || (length !== undefined && length !== '0')) return errorAnswer(400);
    return null;
  }

  failed(error) {
    this.log('error', { where: 'handler', message: String(error && error.stack ? error.stack : error) });
    return errorAnswer(500);
  }

  releaseClient(client) {
    const count = this.perClient.get(client) - 1;
    if (count > 0) this.perClient.set(client, count);
    else this.perClient.delete(client);
  }

  // A request is in flight until its answer has gone to the socket, or the
  // socket has closed.
  track(conn, res, client) {
    const release = () => {
      if (!conn.inFlight.delete(release)) return;
      if (client !== null) this.releaseClient(client);
      if (conn.socket.destroyed) return;
      if (conn.waiting.length === 0) {
        this.advance(conn);
      } else if (!conn.scheduled) {
        // Waiting requests are served on a later turn of the event loop, so
        // that one connection's burst does not keep the others waiting.
        conn.scheduled = true;
        setImmediate(() => {
          conn.scheduled = false;
          if (!conn.socket.destroyed) this.advance(conn);
        });
      }
    };
    conn.inFlight.add(release);
    res.once('finish', release);
    return release;
  }

  // Serves waiting requests up to the cap; once none wait, reading resumes,
  // or a refusal held back for earlier answers is sent.
  advance(conn) {
    while (conn.waiting.length > 0 && conn.inFlight.size < MAX_IN_FLIGHT) this.serve(conn, conn.waiting.shift());
    if (conn.waiting.length > 0) return;
    if (conn.inFlight.size === 0 && conn.pendingRefusal) this.refuseNow(conn, conn.pendingRefusal);
    else if (!conn.refused) this.unhold(conn);
  }

  respond(res, request, started, answer, close) {
    if (!answer || typeof answer.status !== 'number') answer = this.failed(new Error(`no answer: ${answer}`));
    const body = answer.body || EMPTY;
    let head = answer[HEAD];
    if (head === undefined) head = answer[HEAD] = headOf(answer, body);
    // Node closes the connection after an answer that says so.
    if (close || answer.close) head = [...head, 'Connection', 'close'];
    try {
      res.writeHead(answer.status, head);
    } catch (error) {
      if (answer.status === 500) throw error;
      this.respond(res, request, started, this.failed(error), close);
      return;
    }
    // Node sends no body for HEAD, 204 and 304.
    const sent = request.method === 'HEAD' || answer.status === 204 || answer.status === 304 ? EMPTY : body;
    // Head and body leave in one write: end() corks the socket around both.
    if (sent.length) res.end(sent);
    else res.end();
    if (answer.afterWrite) answer.afterWrite();
    this.observe({
      client: request.clientAddress, method: request.method, target: request.target,
      status: answer.status, ms: started ? elapsed(started) : 0, bytes: sent.length,
    });
  }

  onClientError(error, socket) {
    const conn = socket[CONNECTION];
    if (!conn || !CLIENT_FAULT.test(error.code || '')) {
      socket.destroy();
      return;
    }
    // Node 18 warns when it meets again the error listener it added at a
    // first error; this server ends such sockets itself, after the linger.
    socket.removeAllListeners('error');
    socket.on('error', destroyOnError);
    if (conn.refused) return;  // the parser repeats its error for every read
    if (error.code === 'ERR_HTTP_REQUEST_TIMEOUT' && socket.bytesRead === 0) {
      socket.destroy();  // never said a word: closed without one
      return;
    }
    const status = error.code === 'HPE_HEADER_OVERFLOW' ? 431 : error.code === 'ERR_HTTP_REQUEST_TIMEOUT' ? 408 : 400;
    conn.refused = true;
    this.hold(conn);
    // No request was made out: neither method nor target.
    this.observe({ client: conn.address, method: null, target: null, status, ms: 0, bytes: 0 });
    if (conn.inFlight.size === 0) {
      this.refuseNow(conn, status);
    } else {
      // Answers of earlier requests go first; a client that reads none of
      // them is dropped after the linger time.
      conn.pendingRefusal = status;
      setTimeout(() => socket.destroy(), LINGER_MS).unref();
    }
  }

  onConnect(req, socket) {
    // Node has handed the socket over, its error handler and reading too.
    socket.on('error', destroyOnError);
    socket.on('data', () => {});
    const conn = socket[CONNECTION];
    if (!conn || conn.refused || conn.inFlight.size > 0) {
      socket.destroy();
      return;
    }
    conn.refused = true;
    this.refuseNow(conn, 405, [['Allow', 'GET, HEAD']]);
    this.observe({ client: conn.address, method: req.method, target: req.url, status: 405, ms: 0, bytes: 0 });
  }

  refuseNow(conn, status, extraHeaders = []) {
    conn.pendingRefusal = 0;
    if (conn.socket.destroyed || conn.closing) return;
    conn.socket.write(rawRefusal(status, extraHeaders));
    this.closeGently(conn);
  }

  // Sends the end of the stream and reads on until the client's end or the
  // linger time; requests read meanwhile are dropped.
  closeGently(conn) {
    const { socket } = conn;
    if (conn.closing || socket.destroyed) return;
    conn.closing = true;
    conn.refused = true;
    socket.end();
    this.unhold(conn);
    setTimeout(() => socket.destroy(), LINGER_MS).unref();
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
      for (const conn of this.connections) conn.socket.destroy();
    });
  }
}

// KEPT_TICKS is exported so that it stays reachable.
module.exports = { HttpServer, KEPT_TICKS };
