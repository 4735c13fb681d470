'use strict';
// The two endpoints, GET / (the location page) and GET /data/<code>.html
// (the report), over either source.

const { STATUS_CODES } = require('http');
const { HttpServer } = require('./httpServer');
const { SyntheticSource } = require('./synthetic');
const { LiveSource } = require('./live');
const { createLog } = require('./log');
const { createMetrics } = require('./metrics');

function htmlPage(status, detail) {
  const reason = STATUS_CODES[status] || 'Error';
  return Buffer.from(`<!DOCTYPE html>\r\n<html><head><title>${status} ${reason}</title></head>` +
    `<body><h1>${reason}</h1><p>${detail}</p></body></html>\r\n`, 'utf8');
}

function errorAnswer(status, detail, extraHeaders = []) {
  return {
    status,
    headers: [['Content-Type', 'text/html; charset=utf-8'], ['Cache-Control', 'no-cache'], ...extraHeaders],
    body: htmlPage(status, detail),
  };
}

const NOT_FOUND = 'The requested URL was not found on this server.';
const JSON_TYPE = 'application/json; charset=utf-8';

// The path of a request target: no query, no fragment; the absolute form
// (as sent to a proxy) reduced to its path.
function requestPath(target) {
  let path = target.split('?', 1)[0].split('#', 1)[0];
  const absolute = /^[a-z][a-z0-9+.-]*:\/\/[^/]*(\/.*)?$/i.exec(path);
  if (absolute) path = absolute[1] || '/';
  return path;
}

// Whether a conditional request may be answered with 304.
function notModified(headers, entry) {
  const match = headers.get('if-none-match');
  if (match !== undefined) {
    return match.trim() === '*' || match.split(',').some((tag) => tag.trim().replace(/^W\//, '') === entry.etag);
  }
  const sinceText = headers.get('if-modified-since');
  if (sinceText === undefined) return false;
  const since = Date.parse(sinceText);
  return Number.isFinite(since) && entry.lastModified <= since;
}

class WeatherService {
  constructor(options) {
    this.options = options;
    this.logging = Boolean(options.logger || options.log || options.verbose);
    this.log = options.logger || createLog({ enabled: this.logging });
    // The source is picked once: every request goes to it.
    const live = options.source === 'live';
    this.source = live ? new LiveSource(options, this.log) : new SyntheticSource(options);
    this.metrics = createMetrics({ live: live ? this.source : null });
    this.http = new HttpServer((request) => this.handle(request), {
      limits: options.limits,
      trustProxy: options.trustProxy,
      log: this.log,
      timed: this.logging,
      observe: (answered) => this.observe(answered),
    });
  }

  // One log line and one count per answered or refused request.
  observe({ client, method, target, status, ms, bytes }) {
    const route = routeOf(typeof target !== 'string' ? '' : target[0] === '/' ? target : requestPath(target));
    this.metrics.countRequest(route, status);
    if (this.logging) {
      this.log('request', { client, method, target: String(target || '').slice(0, 200), route, status, ms, bytes });
    }
  }

  async listen(port, host) {
    const address = await this.http.listen(port, host);
    this.source.start();
    return address;
  }

  async close() {
    await this.source.stop();
    return this.http.close();
  }

  handle(request) {
    const target = request.target;
    // The program's own request, /data/<9 digits>.html, without the general path parsing.
    if (target.length === 20 && target.startsWith('/data/') && target.endsWith('.html')) {
      return this.report(target.slice(6, 15), request);
    }
    const path = requestPath(target);
    if (path === '/__quit' && this.options.allowQuit) {
      return {
        status: 200, headers: [['Content-Type', 'text/plain']], body: Buffer.from('bye'), close: true,
        afterWrite: () => setImmediate(() => this.options.onQuit && this.options.onQuit()),
      };
    }
    if (path === '/') return this.locationPage(request);
    if (path === '/healthz') return this.health();
    if (path === '/metrics') return this.metricsPage();
    const report = /^\/data\/([^/]*)\.html$/.exec(path);
    if (report) return this.report(report[1], request);
    return errorAnswer(404, NOT_FOUND);
  }

  // 200 while the source can answer for every place; 503 says what is missing.
  health() {
    const { ok, text } = this.source.health();
    return {
      status: ok ? 200 : 503, headers: [['Content-Type', 'text/plain; charset=utf-8'], ['Cache-Control', 'no-store']],
      body: Buffer.from(`${text}\n`, 'utf8'),
    };
  }

  async metricsPage() {
    const { type, body } = await this.metrics.text();
    return { status: 200, headers: [['Content-Type', type], ['Cache-Control', 'no-store']], body };
  }

  locationPage(request) {
    const options = this.options;
    if (options.locationStatus) {
      const moved = options.locationStatus >= 300 && options.locationStatus < 400;
      return errorAnswer(options.locationStatus, 'The location page is switched off.',
        moved ? [['Location', 'http://127.0.0.1/moved']] : []);
    }
    // The caller: the socket's address, or behind a trusted proxy the
    // well-formed address it forwarded (the server checks it).
    return {
      status: 200,
      headers: [['Content-Type', 'text/html; charset=gbk'], ['Cache-Control', 'private, no-cache']],
      body: this.source.locationPage(request.clientAddress || request.remoteAddress),
    };
  }

  report(code, request) {
    const found = this.source.report(code, this.source.today());
    if (found === undefined) return errorAnswer(404, NOT_FOUND);
    // A stored report answers at once; a place not stored yet waits for its batch.
    return found && typeof found.then === 'function' ?
      found.then((entry) => this.reportAnswer(entry, request)) : this.reportAnswer(found, request);
  }

  // The answer for a report entry: {body}, and with etag, lastModified and
  // freshUntil when shared caches may keep it (null: none just now).
  reportAnswer(entry, request) {
    if (!entry) {
      return errorAnswer(503, 'No weather report for this place just now. Please try again later.',
        [['Retry-After', '60']]);
    }
    if (entry.etag === undefined) {
      entry.ok ||= { status: 200, headers: [['Content-Type', JSON_TYPE], ['Cache-Control', 'no-cache']], body: entry.body };
      return entry.ok;
    }
    // A shared cache may keep the report until the next refresh or midnight;
    // the caller's own cache must ask again every time. Made once a second.
    const now = this.source.now();
    const second = Math.floor(now / 1000);
    if (entry.headersSecond !== second) {
      const left = Math.max(0, Math.floor((entry.freshUntil - now) / 1000));
      const validators = [
        ['Cache-Control', `public, max-age=0, s-maxage=${Number.isFinite(left) ? left : 86400}`],
        ['ETag', entry.etag],
        ['Last-Modified', new Date(entry.lastModified).toUTCString()],
      ];
      entry.headersSecond = second;
      entry.ok = { status: 200, headers: [['Content-Type', JSON_TYPE], ...validators], body: entry.body };
      entry.notModified = { status: 304, headers: validators };
    }
    return notModified(request.headers, entry) ? entry.notModified : entry.ok;
  }
}

// The route a path belongs to, for counting: a few fixed names.
function routeOf(path) {
  if (path === '/') return 'location';
  if (path.startsWith('/data/')) return 'report';
  if (path === '/healthz' || path === '/metrics' || path === '/__quit') return path.slice(1);
  return 'other';
}

module.exports = { WeatherService, requestPath, notModified };
