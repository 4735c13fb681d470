'use strict';
// The live source: reports made at request time from the forecast store,
// which the refresher keeps fresh in the background. A request never waits
// on the forecast API for a place the store holds; one for a place it does
// not hold yet (a cold start) waits for that place's batch, up to a limit.

const crypto = require('crypto');
const M = require('./mapping');
const OM = require('./openMeteo');
const { getUrl } = require('./upstream');
const { ForecastStore } = require('./store');
const { Refresher } = require('./refresher');
const { buildReport, covers } = require('./report');

const MAX_WAITING = 4096;
const BYTES_PER_PLACE = 64 * 1024;

class LiveSource {
  constructor({ table, coordinates, forecastBase = OM.FREE_BASE, apiKey = null, storePath = null,
    budget, batchSize = 200, upstreamTimeoutMs = 20000, coldWaitMs = 15000, date = null,
    now = Date.now, log = () => {}, fetchBatch = null }) {
    this.table = table;
    this.coordinates = coordinates;
    this.date = date;
    this.now = now;
    this.log = log;
    this.coldWaitMs = coldWaitMs;
    // With a key, the paid host unless another base was given.
    const base = apiKey && forecastBase === OM.FREE_BASE ? OM.PAID_BASE : forecastBase;
    this.store = new ForecastStore({ file: storePath, origin: base, log });
    this.codes = table.entries.map((entry) => entry.code).filter((code, i, all) =>
      all.indexOf(code) === i && coordinates[code]);
    this.refresher = new Refresher({
      codes: this.codes,
      coordinates,
      store: this.store,
      budget,
      batchSize,
      today: () => this.today(),
      now,
      log,
      fetchBatch: fetchBatch || (async (places, start) => {
        const { status, headers, body } = await getUrl(OM.batchUrl(base, places, start, apiKey),
          { timeoutMs: upstreamTimeoutMs, maxBytes: places.length * BYTES_PER_PLACE });
        return OM.parseBatch(status, body, places.length, headers);
      }),
    });
    this.reports = new Map();   // code -> {key, entry}: the report of one stored forecast on one day
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
    return this.date || M.chinaToday(this.now());
  }

  get plan() {
    return this.refresher.plan;
  }

  // The answer entry of a stored forecast today: {body, etag, lastModified,
  // freshUntil}, made once per forecast and day; null when it lacks today.
  entryFor(code) {
    const forecast = this.store.get(code);
    if (!forecast) return null;
    const today = this.today();
    const key = `${forecast.fetchedAt}/${M.dayText(today)}`;
    const kept = this.reports.get(code);
    if (kept && kept.key === key) return kept.entry;
    if (!covers(forecast, today)) return null;
    const report = buildReport(this.table.byCode.get(code), code, forecast, today, forecast.fetchedAt);
    const body = Buffer.from(JSON.stringify(report), 'utf8');
    // The report changes at the next refresh and at China's next midnight.
    const dayStart = Date.UTC(today.year, today.month - 1, today.day) - 8 * 3600e3;
    const entry = {
      body,
      etag: `"${crypto.createHash('sha256').update(body).digest('base64url').slice(0, 22)}"`,
      lastModified: Math.floor(Math.max(forecast.fetchedAt, this.date ? 0 : dayStart) / 1000) * 1000,
      freshUntil: Math.min(forecast.fetchedAt + this.plan.intervalMs, this.date ? Infinity : dayStart + 86400e3),
    };
    this.reports.set(code, { key, entry });
    return entry;
  }

  // The entry for a table code at once, or a promise of one (null: none).
  report(code) {
    const entry = this.entryFor(code);
    if (entry || !this.codes.includes(code)) return entry;
    // Nothing stored that holds today: wait for the place's batch, boundedly.
    if (this.refresher.waiting() >= MAX_WAITING) return null;
    return this.refresher.whenStored(code, this.coldWaitMs).then(() => this.entryFor(code));
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

module.exports = { LiveSource };
