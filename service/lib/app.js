'use strict';
// The two endpoints, GET / (the location page) and GET /data/<code>.html
// (the report), over either source.

const { STATUS_CODES } = require('http');
const { HttpServer } = require('./httpServer');
const { syntheticPage, Locator } = require('./location');
const { makeReport, hookReport } = require('./synthetic');
const { LiveSource } = require('./live');
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
  const since = Date.parse(headers.get('if-modified-since') || '');
  return Number.isFinite(since) && entry.lastModified <= since;
}

class WeatherService {
  constructor(options) {
    this.options = options;
    this.table = options.table;
    this.log = options.verbose ? (line) => process.stderr.write(`${line}\n`) : () => {};
    if (options.source === 'live') {
      this.live = new LiveSource({
        table: this.table,
        coordinates: options.coordinates,
        forecastBase: options.forecastUrl,
        freshMs: options.freshMs,
        staleMs: options.staleMs,
        upstreamTimeoutMs: options.upstreamTimeoutMs,
        queue: options.queue,
        date: options.date,
        log: this.log,
      });
      this.locator = new Locator(this.table, { defaultCity: options.defaultCity });
    }
    // Made-up answers are the same all day: made once, served from memory.
    this.synthetic = { day: '', reports: new Map(), pages: new Map() };
    this.http = new HttpServer((request) => this.handle(request), {
      limits: options.limits,
      log: this.log,
    });
  }

  listen(port, host) {
    return this.http.listen(port, host);
  }

  close() {
    return this.http.close();
  }

  handle(request) {
    const path = requestPath(request.target);
    if (path === '/__quit' && this.options.allowQuit) {
      return {
        status: 200, headers: [['Content-Type', 'text/plain']], body: Buffer.from('bye'), close: true,
        afterWrite: () => setImmediate(() => this.options.onQuit && this.options.onQuit()),
      };
    }
    if (path === '/') return this.locationPage(request);
    const report = /^\/data\/([^/]*)\.html$/.exec(path);
    if (report) return this.report(report[1], request);
    return errorAnswer(404, NOT_FOUND);
  }

  // The caller's address: the socket's, or the first X-Forwarded-For
  // address when the service sits behind a proxy it trusts.
  callerAddress(request) {
    if (this.options.trustProxy) {
      const forwarded = (request.headers.get('x-forwarded-for') || '').split(',')[0].trim();
      if (forwarded) return forwarded;
    }
    return request.remoteAddress;
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
      this.log(`${address} located at ${found.entry ? found.entry.name : 'no place of the table'}`);
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

  async report(code, request) {
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
    const { entry, fresh } = await this.live.report(code);
    if (!entry) {
      return errorAnswer(503, 'No weather report for this place just now. Please try again later.',
        [['Retry-After', '60']]);
    }
    // Any shared cache may keep a fresh report for the rest of its fresh
    // period; the caller's own cache must ask again every time.
    const left = fresh ? Math.max(0, Math.floor((entry.madeAt + this.live.freshMs - Date.now()) / 1000)) : 0;
    const headers = [
      ['Cache-Control', `public, max-age=0, s-maxage=${left}`],
      ['ETag', entry.etag],
      ['Last-Modified', new Date(entry.lastModified).toUTCString()],
    ];
    if (notModified(request.headers, entry)) return { status: 304, headers };
    return { status: 200, headers: [['Content-Type', 'application/json; charset=utf-8'], ...headers], body: entry.body };
  }
}

module.exports = { WeatherService, requestPath, notModified };
