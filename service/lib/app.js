'use strict';
// The two endpoints, GET / (the location page) and GET /data/<code>.html
// (the report), over either source.

const { STATUS_CODES } = require('http');
const { HttpServer } = require('./httpServer');
const { syntheticPage, Locator } = require('./location');
const { makeReport, hookReport } = require('./synthetic');
const { LiveSource } = require('./live');
const { createLog } = require('./log');
const { createMetrics } = require('./metrics');
const M = require('./mapping');

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
    this.table = options.table;
    this.logging = Boolean(options.logger || options.log || options.verbose);
    this.log = options.logger || createLog({ enabled: this.logging });
    if (options.source === 'live') {
      this.live = new LiveSource({
        table: this.table,
        coordinates: options.coordinates,
        forecastBase: options.forecastUrl,
        apiKey: options.apiKey,
        storePath: options.storePath,
        budget: options.budget,
        batchSize: options.batchSize,
        upstreamTimeoutMs: options.upstreamTimeoutMs,
        coldWaitMs: options.coldWaitMs,
        date: options.date,
        now: options.now,
        sources: options.sources,
        contact: options.contact,
        metBase: options.metUrl,
        metPerSecond: options.metPerSecond,
        airBase: options.airQualityUrl,
        airEveryMs: options.airEveryMs,
        random: options.random,
        log: this.log,
      });
      this.locator = new Locator(this.table, { defaultCity: options.defaultCity });
    }
    this.metrics = createMetrics({ live: this.live });
    // Made-up answers are the same all day: made once, served from memory.
    this.synthetic = { day: '', reports: new Map(), pages: new Map() };
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
    if (this.live) this.live.start();
    return address;
  }

  async close() {
    if (this.live) await this.live.stop();
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

  // The caller's address: the socket's, or behind a trusted proxy the
  // well-formed address it forwarded (the server checks it).
  callerAddress(request) {
    return request.clientAddress || request.remoteAddress;
  }

  // 200 while the store holds today for every place; 503 says what is missing.
  health() {
    const text = (status, line) => ({
      status, headers: [['Content-Type', 'text/plain; charset=utf-8'], ['Cache-Control', 'no-store']],
      body: Buffer.from(`${line}\n`, 'utf8'),
    });
    if (!this.live) return text(200, 'ok: made-up reports');
    const missing = this.live.uncovered();
    if (!missing.length) return text(200, `ok: ${this.live.codes.length} places hold today`);
    return text(503, `${missing.length} of ${this.live.codes.length} places have no forecast for today ` +
      `(${missing.slice(0, 5).join(', ')}${missing.length > 5 ? ', …' : ''})`);
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
    const address = this.callerAddress(request);
    let body;
    if (this.locator) {
      const found = this.locator.pageFor(address);
      body = found.body;
    } else {
      body = this.syntheticAnswer('pages', address, () =>
        syntheticPage(options.city.name, options.city.code, address, options.locationShape));
    }
    return {
      status: 200,
      headers: [['Content-Type', 'text/html; charset=gbk'], ['Cache-Control', 'private, no-cache']],
      body,
    };
  }

  // One made-up answer of today, made on first use. Both kinds are bounded:
  // reports by the codes that have one, pages by the callers' addresses (a
  // few on a test machine; at most 1,000 kept).
  syntheticAnswer(kind, key, make) {
    const day = String(this.options.date || M.localToday());
    if (day !== this.synthetic.day) {
      this.synthetic = { day, reports: new Map(), pages: new Map() };
    }
    const kept = this.synthetic[kind];
    if (kept.has(key)) return kept.get(key);
    const answer = make();
    // Reports exist only for the table's codes and the test hooks.
    const keep = kind === 'reports' ? answer !== null : kept.size < 1000;
    if (keep) kept.set(key, answer);
    return answer;
  }

  report(code, request) {
    if (!this.live) {
      // The machine's own day, as the program's clock has it for days 2 to 5.
      const today = this.options.date || M.localToday();
      const body = this.syntheticAnswer('reports', code, () => {
        const hook = hookReport(code, this.table, today);
        if (hook || !this.table.byCode.has(code)) return hook;
        return Buffer.from(JSON.stringify(makeReport(this.table.byCode.get(code), code, today)), 'utf8');
      });
      if (!body) return errorAnswer(404, NOT_FOUND);
      return {
        status: 200,
        headers: [['Content-Type', 'application/json; charset=utf-8'], ['Cache-Control', 'no-cache']],
        body,
      };
    }
    if (!/^\d{9}$/.test(code) || !this.table.byCode.has(code)) return errorAnswer(404, NOT_FOUND);
    const found = this.live.report(code);
    // A stored report answers at once; a place not stored yet waits for its batch.
    return found && typeof found.then === 'function' ?
      found.then((entry) => this.liveAnswer(entry, request)) : this.liveAnswer(found, request);
  }

  liveAnswer(entry, request) {
    if (!entry) {
      return errorAnswer(503, 'No weather report for this place just now. Please try again later.',
        [['Retry-After', '60']]);
    }
    // A shared cache may keep the report until the next refresh or midnight;
    // the caller's own cache must ask again every time. Made once a second.
    const now = this.live.now();
    const second = Math.floor(now / 1000);
    if (entry.headersSecond !== second) {
      const left = Math.max(0, Math.floor((entry.freshUntil - now) / 1000));
      const validators = [
        ['Cache-Control', `public, max-age=0, s-maxage=${Number.isFinite(left) ? left : 86400}`],
        ['ETag', entry.etag],
        ['Last-Modified', new Date(entry.lastModified).toUTCString()],
      ];
      entry.headersSecond = second;
      entry.ok = {
        status: 200, headers: [['Content-Type', 'application/json; charset=utf-8'], ...validators], body: entry.body,
      };
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
