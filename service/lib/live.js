'use strict';
// The live source: reports made at request time from the forecast store,
// which the refresher keeps fresh in the background. A request never waits
// on the forecast API for a place the store holds; one for a place it does
// not hold yet (a cold start) waits for that place's batch, up to a limit.

const crypto = require('crypto');
const M = require('./mapping');
const OM = require('./openMeteo');
const MET = require('./metNorway');
const AQ = require('./airQuality');
const { getUrl } = require('./upstream');
const { ForecastStore } = require('./store');
const { Refresher, Gate, planSchedule } = require('./refresher');
const { buildReport, covers } = require('./report');
const { Locator } = require('./location');

const MAX_WAITING = 4096;
const BYTES_PER_PLACE = 64 * 1024;

const SOURCES = ['open-meteo', 'met-norway'];

class LiveSource {
  // `options` as parseOptions makes them; `now` and `random` may be given
  // there too (the tests' clock and dice), `log` is the service's.
  constructor(options, log) {
    const { table, coordinates, apiKey, budget, batchSize, date, sources, contact, metPerSecond, airEveryMs } = options;
    const { now = Date.now, random = Math.random } = options;
    const forecastBase = options.forecastUrl;
    const airBase = options.airQualityUrl;
    this.table = table;
    this.coordinates = coordinates;
    this.date = date;
    this.now = now;
    this.log = log;
    this.coldWaitMs = options.coldWaitMs;
    this.locator = new Locator(table, { defaultCity: options.defaultCity });
    // With a key, the paid hosts unless other bases were given.
    const paid = (given, free, hosted) => (apiKey && given === free ? hosted : given);
    const base = paid(forecastBase, OM.FREE_BASE, OM.PAID_BASE);
    const airUrl = paid(airBase, AQ.BASE, AQ.BASE.replace('https://', 'https://customer-'));
    // A place's report is made again once its forecast or air is replaced.
    this.store = new ForecastStore({ file: options.storePath, origin: base, log,
      changed: (code) => this.reports.delete(code) });
    this.reports = new Map();   // code -> {today, entry}: the report of the stored forecast on one day
    this.codes = table.entries.map((entry) => entry.code).filter((code, i, all) =>
      all.indexOf(code) === i && coordinates[code]);
    this.plan = planSchedule(this.codes.length, budget, batchSize, { airEveryMs: airBase ? airEveryMs : 0 });
    const place = (code) => coordinates[code];
    const timeoutMs = options.upstreamTimeoutMs;
    const openMeteo = {
      name: 'open-meteo',
      gate: new Gate({ budget, now, random }),
      batch: this.plan.batch,
      weight: 1,
      usable: () => true,
      fetch: async (codes, start) => {
        const { status, headers, body } = await getUrl(OM.batchUrl(base, codes.map(place), start, apiKey),
          { timeoutMs, maxBytes: codes.length * BYTES_PER_PLACE });
        return OM.parseBatch(status, body, codes.length, headers).map((data) => OM.checkPlace(data, start));
      },
    };
    // MET Norway: no new request for a place before its last answer's Expires.
    const expires = new Map();
    const metNorway = {
      name: 'met-norway',
      gate: new Gate({ perSecond: metPerSecond, now, random }),
      batch: 1,
      weight: 0,
      usable: (code, at) => (expires.get(code) || 0) <= at,
      fetch: async ([code], start) => {
        const held = this.store.get(code);
        const ours = held && held.source === 'met-norway' && held.lastModified;
        const headers = { 'User-Agent': `weather-service/1.0 ${contact}` };
        if (ours) headers['If-Modified-Since'] = held.lastModified;
        const answer = await getUrl(MET.placeUrl(options.metUrl, place(code)),
          { timeoutMs, maxBytes: BYTES_PER_PLACE * 8, headers }).then(({ status, headers: h, body }) =>
          MET.parseAnswer(status, h, body));
        expires.set(code, answer.expires || this.now() + 30 * 60e3);
        if (answer.unchanged) return [ours ? { unchanged: true } : 'unchanged, but none of its data is stored'];
        const forecast = MET.toForecast(answer.document, start);
        return [typeof forecast === 'string' ? forecast : { ...forecast, lastModified: answer.lastModified }];
      },
    };
    const byName = { 'open-meteo': openMeteo, 'met-norway': metNorway };
    this.refresher = new Refresher({
      codes: this.codes,
      store: this.store,
      sources: sources.map((name) => byName[name]),
      intervalMs: this.plan.intervalMs,
      air: airBase ? {
        batch: this.plan.batch,
        everyMs: airEveryMs,
        busy: false,
        blockedUntil: 0,
        backoffMs: 0,
        fetch: async (codes, start) => {
          const { status, headers, body } = await getUrl(AQ.batchUrl(airUrl, codes.map(place), start, apiKey),
            { timeoutMs, maxBytes: codes.length * BYTES_PER_PLACE });
          return OM.parseBatch(status, body, codes.length, headers).map((data) => AQ.checkAir(data, start));
        },
      } : null,
      today: () => this.today(),
      now,
      log,
    });
  }

  start() {
    this.store.load();
    this.refresher.start();
  }

  stop() {
    this.refresher.stop();
    return this.store.writing || Promise.resolve();
  }

  today() {
    if (this.date) return this.date;
    // One day object a China day: asked on every request.
    const day = Math.floor((this.now() + 8 * 3600e3) / 86400e3);
    if (this.day !== day) {
      this.day = day;
      this.todayObject = M.chinaToday(this.now());
    }
    return this.todayObject;
  }

  // The answer entry of a stored forecast today: {body, etag, lastModified,
  // freshUntil}, made once per forecast and day; null when it lacks today.
  entryFor(code, today) {
    // Made again only for a new forecast, new air or a new day.
    const kept = this.reports.get(code);
    if (kept !== undefined && kept.today === today) return kept.entry;
    const forecast = this.store.get(code);
    if (!forecast || !covers(forecast, today)) return null;
    const air = this.store.getAir(code) || null;
    const report = buildReport(this.table.byCode.get(code), code, forecast, today, forecast.fetchedAt, air);
    const body = Buffer.from(JSON.stringify(report), 'utf8');
    // The report changes at the next refresh and at China's next midnight.
    const dayStart = Date.UTC(today.year, today.month - 1, today.day) - 8 * 3600e3;
    const entry = {
      body,
      etag: `"${crypto.createHash('sha256').update(body).digest('base64url').slice(0, 22)}"`,
      lastModified: Math.floor(Math.max(forecast.fetchedAt, this.date ? 0 : dayStart) / 1000) * 1000,
      ok: null,          // the answers 200 and 304, made once a second (s-maxage counts down)
      notModified: null,
      headersSecond: -1,
      freshUntil: Math.min(forecast.fetchedAt + this.plan.intervalMs, this.date ? Infinity : dayStart + 86400e3),
    };
    this.reports.set(code, { today, entry });
    return entry;
  }

  // Whether a report is served for the code: the table's places.
  has(code) {
    return code.length === 9 && this.table.byCode.has(code) && /^\d{9}$/.test(code);
  }

  // The entry of a place on `today` at once, or a promise of one (null: none
  // just now; undefined: not a place served).
  report(code, today) {
    const entry = this.entryFor(code, today);
    if (entry) return entry;
    if (!this.has(code)) return undefined;
    if (!this.codes.includes(code)) return null;
    // Nothing stored that holds today: wait for the place's batch, boundedly.
    if (this.refresher.waiting() >= MAX_WAITING) return null;
    return this.refresher.whenStored(code, this.coldWaitMs).then(() => this.entryFor(code, this.today()));
  }

  // The location page for a caller's address: the place the database names.
  locationPage(address) {
    return this.locator.pageFor(address).body;
  }

  // {ok, text}: whether the store holds today for every place.
  health() {
    const missing = this.uncovered();
    if (!missing.length) return { ok: true, text: `ok: ${this.codes.length} places hold today` };
    return {
      ok: false,
      text: `${missing.length} of ${this.codes.length} places have no forecast for today ` +
        `(${missing.slice(0, 5).join(', ')}${missing.length > 5 ? ', …' : ''})`,
    };
  }

  // Places whose stored forecast does not hold today.
  uncovered() {
    const today = this.today();
    return this.codes.filter((code) => {
      const forecast = this.store.get(code);
      return !forecast || !covers(forecast, today);
    });
  }

  oldestAgeMs() {
    let oldest = Infinity;
    for (const code of this.codes) {
      const forecast = this.store.get(code);
      if (!forecast) return Infinity;
      oldest = Math.min(oldest, forecast.fetchedAt);
    }
    return this.codes.length ? this.now() - oldest : 0;
  }
}

module.exports = { LiveSource, SOURCES };
