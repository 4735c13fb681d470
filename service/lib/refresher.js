'use strict';
// Keeps every place's stored forecast fresh from its sources, in order of
// preference: a round of all places every `intervalMs`, which follows from
// the first source's budget. A place falls to the next source only when the
// ones before cannot serve it now: blocked by a 429 or a back-off, out of
// budget for a while, or failed for that place. Each source makes one
// request at a time; a 429 waits until the window it names resets, other
// failures back off exponentially. The air-quality rounds share the first
// source's budget and never hold up a forecast.

const { callWeight } = require('./openMeteo');

const MIN_BACKOFF_MS = 30e3;
const MAX_BACKOFF_MS = 30 * 60e3;
// A budget wait longer than this sends places to the next source.
const FAILOVER_AFTER_MS = 5 * 60e3;

// The schedule that a budget allows: how often a round of `places` may run
// and how many places one request may hold. A window of span S with room
// for n whole rounds sees ceil(S / interval) rounds, so the interval is at
// least S / n; with room for less than one round, the round is spread out.
// `airEveryMs`, when set, reserves the air-quality rounds' calls first.
function planSchedule(places, { perMinute, perHour, perDay, use }, batchSize, { airEveryMs = 0, airWeight = 1 } = {}) {
  const weight = callWeight(1);
  const roundCalls = places * weight;
  let intervalMs = 60e3;
  for (const [span, limit] of [[60e3, perMinute * use], [3600e3, perHour * use], [86400e3, perDay * use]]) {
    // Air rounds in the window; within a minute they only delay a forecast round.
    const air = airEveryMs && span > 60e3 ? places * airWeight * Math.ceil(span / airEveryMs) : 0;
    const left = limit - air;
    const rounds = Math.floor(left / roundCalls);
    intervalMs = Math.max(intervalMs, rounds >= 1 ? span / rounds : (span * roundCalls) / Math.max(left, 1));
  }
  intervalMs = Math.ceil(intervalMs / 60e3) * 60e3;
  const batch = Math.max(1, Math.min(batchSize, Math.floor((perMinute * use) / weight)));
  const airPerDay = airEveryMs ? places * airWeight * (86400e3 / airEveryMs) : 0;
  return { intervalMs, batch, weight, airEveryMs, callsPerDay: roundCalls * (86400e3 / intervalMs) + airPerDay };
}

// When the API's window named by a 429 starts again (its windows are the
// clock's minutes, hours and UTC days).
function windowEnd(limit, now) {
  const span = { minute: 60e3, hour: 3600e3, day: 86400e3 }[limit];
  return span ? Math.floor(now / span) * span + span + 1000 : null;
}

// What one address may ask of one API: one request at a time, its 429
// windows and back-off, and either sliding windows of calls (`budget`) or
// a number of requests a second (`perSecond`).
class Gate {
  constructor({ budget = null, perSecond = 0, now = Date.now, random = Math.random }) {
    this.now = now;
    this.random = random;
    this.perSecond = perSecond;
    this.windows = budget ? [['minute', 60e3, budget.perMinute], ['hour', 3600e3, budget.perHour],
      ['day', 86400e3, budget.perDay]].map(([name, span, limit]) => ({ name, span, limit: limit * budget.use, used: [] })) : [];
    this.nextAt = 0;
    this.blockedUntil = 0;
    this.backoffMs = 0;
    this.busy = false;
  }

  spent() {
    const now = this.now();
    return Object.fromEntries(this.windows.map((w) => {
      while (w.used.length && w.used[0].at <= now - w.span) w.used.shift();
      return [w.name, w.used.reduce((sum, use) => sum + use.calls, 0)];
    }));
  }

  // How long until `calls` more may be spent (0: now).
  waitMs(calls) {
    const now = this.now();
    // Requests a second are real seconds, whatever clock the windows keep.
    let wait = Math.max(0, this.blockedUntil - now, this.nextAt - Date.now());
    const spent = this.spent();
    for (const w of this.windows) {
      let total = spent[w.name];
      for (const use of w.used) {
        if (total + calls <= w.limit) break;
        total -= use.calls;
        wait = Math.max(wait, use.at + w.span - now + 1);
      }
    }
    return wait;
  }

  spend(calls) {
    const now = this.now();
    for (const w of this.windows) w.used.push({ at: now, calls });
    if (this.perSecond) this.nextAt = Date.now() + 1000 / this.perSecond;
  }

  succeeded() {
    this.backoffMs = 0;
  }

  // Blocks the gate after a failed request; returns until when.
  failed(error) {
    const now = this.now();
    let until = null;
    if (error.kind === 'limit') {
      const end = windowEnd(error.limit, now);
      const after = error.retryAfterMs === null || error.retryAfterMs === undefined ? null : now + error.retryAfterMs;
      if (end !== null || after !== null) until = Math.max(end || 0, after || 0);
    }
    if (until === null) {
      this.backoffMs = Math.min(MAX_BACKOFF_MS, this.backoffMs ? this.backoffMs * 2 : MIN_BACKOFF_MS);
      // A little spread, so that instances sharing an address do not retry in step.
      until = now + this.backoffMs * (0.9 + 0.2 * this.random());
    }
    this.blockedUntil = until;
    return until;
  }
}

class Refresher {
  // sources: [{name, gate, batch, weight, usable(code, now), fetch(codes, start) -> results}],
  // a result being a forecast, {unchanged: true} or a text saying why it is unfit.
  // air: {gate, batch, everyMs, fetch(codes, start) -> results} or null.
  constructor({ codes, store, sources, intervalMs, air = null, today, now = Date.now, log = () => {} }) {
    this.codes = codes;
    this.store = store;
    this.sources = sources;
    this.intervalMs = intervalMs;
    this.air = air;
    this.today = today;
    this.now = now;
    this.log = log;
    this.retry = new Map();        // `${source}/${code}` -> {at, delayMs} after an answer unfit for that place
    this.inFlight = new Set();
    this.waiters = new Map();      // code -> [resolve(boolean)]
    this.stopped = false;
    this.timer = null;
    this.stats = { requests: new Map(), failures: new Map() };   // `${source}/${outcome|kind}` -> count
  }

  start() {
    this.tick();
  }

  stop() {
    this.stopped = true;
    clearTimeout(this.timer);
    for (const code of [...this.waiters.keys()]) this.settle(code, false);
  }

  get busy() {
    return this.sources.some((source) => source.gate.busy) || Boolean(this.air && this.air.busy);
  }

  // Places to ask now, the missing first, then the oldest.
  due(now) {
    const list = [];
    for (const code of this.codes) {
      if (this.inFlight.has(code)) continue;
      const forecast = this.store.get(code);
      const age = forecast ? forecast.fetchedAt : -Infinity;
      if (!forecast || age + this.intervalMs <= now) list.push([age, code]);
    }
    list.sort((a, b) => a[0] - b[0]);
    return list.map(([, code]) => code);
  }

  retrying(source, code, now) {
    const retry = this.retry.get(`${source.name}/${code}`);
    return retry ? retry.at > now : false;
  }

  // The first source that can serve a place soon, or null.
  sourceFor(code, now) {
    for (const source of this.sources) {
      if (this.retrying(source, code, now) || !source.usable(code, now)) continue;
      if (source.gate.blockedUntil > now) continue;
      if (source.gate.waitMs(callWeight(1) * source.weight) > FAILOVER_AFTER_MS) continue;
      return source;
    }
    return null;
  }

  arm(delayMs) {
    clearTimeout(this.timer);
    if (this.stopped || !Number.isFinite(delayMs)) return;
    this.timer = setTimeout(() => this.tick(), Math.max(1, Math.min(delayMs, 2 ** 31 - 1)));
    this.timer.unref();
  }

  tick() {
    if (this.stopped) return;
    const now = this.now();
    const groups = new Map(this.sources.map((source) => [source, []]));
    let stranded = false;
    for (const code of this.due(now)) {
      const source = this.sourceFor(code, now);
      if (source) {
        groups.get(source).push(code);
      } else {
        stranded = true;
        this.settle(code, false);
      }
    }
    // A busy source looks again when its request ends (run() ticks): no timer for it.
    let wake = this.nextDueIn(now);
    for (const [source, codes] of groups) {
      if (!codes.length || source.gate.busy) continue;
      const batch = codes.slice(0, source.batch);
      const calls = callWeight(batch.length) * source.weight;
      const wait = source.gate.waitMs(calls);
      if (wait > 0) {
        wake = Math.min(wake, wait);
        continue;
      }
      this.run(source, batch, calls);
    }
    const first = this.sources[0];
    if (this.air && !first.gate.busy && !groups.get(first).length) wake = Math.min(wake, this.tickAir(now));
    for (const source of this.sources) {
      if (source.gate.blockedUntil > now) wake = Math.min(wake, source.gate.blockedUntil - now);
    }
    // Places no source can serve now (a source's Expires, say) are looked at again within a minute.
    if (stranded) wake = Math.min(wake, 60e3);
    this.arm(wake);
  }

  // When the next place not due yet falls due, or leaves its retry, as a
  // delay from now; places due already wait for their source.
  nextDueIn(now) {
    let next = Infinity;
    for (const code of this.codes) {
      const forecast = this.store.get(code);
      if (forecast && forecast.fetchedAt + this.intervalMs > now) next = Math.min(next, forecast.fetchedAt + this.intervalMs);
    }
    for (const { at } of this.retry.values()) if (at > now) next = Math.min(next, at);
    return Math.max(1, next - now);
  }

  count(kind, key) {
    this.stats[kind].set(key, (this.stats[kind].get(key) || 0) + 1);
  }

  later(source, code, at) {
    const key = `${source.name}/${code}`;
    const last = this.retry.get(key);
    const delayMs = Math.min(MAX_BACKOFF_MS, last ? last.delayMs * 2 : MIN_BACKOFF_MS);
    this.retry.set(key, { at: at + delayMs, delayMs });
  }

  async run(source, codes, calls) {
    const start = this.today();
    const started = this.now();
    source.gate.busy = true;
    source.gate.spend(calls);
    for (const code of codes) this.inFlight.add(code);
    let results = null;
    let failure = null;
    try {
      results = await source.fetch(codes, start);
    } catch (error) {
      failure = error;
    }
    source.gate.busy = false;
    for (const code of codes) this.inFlight.delete(code);
    const at = this.now();
    if (failure) {
      const until = source.gate.failed(failure);
      const kind = failure.kind || 'network';
      this.count('requests', `${source.name}/failed`);
      this.count('failures', `${source.name}/${kind}`);
      this.log('upstream', { source: source.name, outcome: 'failed', kind, limit: failure.limit || undefined,
        places: codes.length, calls, ms: at - started, until: new Date(until).toISOString(), error: failure.message });
    } else {
      source.gate.succeeded();
      let stored = 0;
      const unfit = [];
      codes.forEach((code, i) => {
        const result = results[i];
        if (typeof result === 'string' || !result) {
          unfit.push(code);
          this.later(source, code, at);
          this.log('upstream', { source: source.name, outcome: 'unfit', code, reason: result || 'no answer' });
          return;
        }
        this.retry.delete(`${source.name}/${code}`);
        if (result.unchanged) {
          // The source has nothing newer: what the store holds is as fresh as it gets.
          this.store.set(code, { ...this.store.get(code), fetchedAt: at });
        } else {
          this.store.set(code, { ...result, source: source.name, fetchedAt: at });
        }
        ++stored;
        this.settle(code, true);
      });
      this.count('requests', `${source.name}/${unfit.length ? 'partial' : 'ok'}`);
      if (unfit.length) this.count('failures', `${source.name}/invalid`);
      this.log('upstream', { source: source.name, outcome: unfit.length ? 'partial' : 'ok', places: codes.length,
        stored, calls, ms: at - started });
      if (stored) this.store.save();
    }
    this.tick();
  }

  // An air-quality round when its places are due and the budget allows;
  // returns when to look again.
  tickAir(now) {
    const air = this.air;
    if (air.busy) return Infinity;
    if (air.blockedUntil > now) return air.blockedUntil - now;
    const due = this.codes.filter((code) => {
      const held = this.store.getAir(code);
      return !held || held.fetchedAt + air.everyMs <= now;
    });
    if (!due.length) {
      let next = Infinity;
      for (const code of this.codes) next = Math.min(next, this.store.getAir(code).fetchedAt + air.everyMs);
      return Math.max(1, next - now);
    }
    const batch = due.slice(0, air.batch);
    const gate = this.sources[0].gate;
    const calls = callWeight(batch.length, 3, 5);
    const wait = gate.waitMs(calls);
    if (wait > 0) return wait;
    this.runAir(batch, calls);
    return Infinity;
  }

  async runAir(codes, calls) {
    const air = this.air;
    const gate = this.sources[0].gate;
    const start = this.today();
    const started = this.now();
    air.busy = true;
    gate.busy = true;
    gate.spend(calls);
    let results = null;
    let failure = null;
    try {
      results = await air.fetch(codes, start);
    } catch (error) {
      failure = error;
    }
    air.busy = false;
    gate.busy = false;
    const at = this.now();
    if (failure) {
      const kind = failure.kind || 'network';
      // A 429 counts against the address for both APIs; other failures only hold the air back.
      let until;
      if (kind === 'limit') {
        until = gate.failed(failure);
      } else {
        air.backoffMs = Math.min(MAX_BACKOFF_MS, air.backoffMs ? air.backoffMs * 2 : MIN_BACKOFF_MS);
        until = at + air.backoffMs;
        air.blockedUntil = until;
      }
      this.count('requests', 'air-quality/failed');
      this.count('failures', `air-quality/${kind}`);
      this.log('upstream', { source: 'air-quality', outcome: 'failed', kind, places: codes.length, calls,
        ms: at - started, until: new Date(until).toISOString(), error: failure.message });
    } else {
      air.backoffMs = 0;
      let stored = 0;
      codes.forEach((code, i) => {
        const result = results[i];
        // An unfit place keeps what it had, and is asked again next round.
        if (typeof result === 'string' || !result) {
          this.store.setAir(code, { ...(this.store.getAir(code) || { start: '', hourly: null }), fetchedAt: at });
          return;
        }
        this.store.setAir(code, { ...result, fetchedAt: at });
        ++stored;
      });
      this.count('requests', `air-quality/${stored === codes.length ? 'ok' : 'partial'}`);
      this.log('upstream', { source: 'air-quality', outcome: stored === codes.length ? 'ok' : 'partial',
        places: codes.length, stored, calls, ms: at - started });
      if (stored) this.store.save();
    }
    this.tick();
  }

  settle(code, stored) {
    const list = this.waiters.get(code);
    if (!list) return;
    this.waiters.delete(code);
    for (const resolve of list) resolve(stored);
  }

  // Resolves true once `code` is stored, false when no source can serve it
  // now or `waitMs` passed.
  whenStored(code, waitMs) {
    const now = this.now();
    if (this.stopped || (!this.inFlight.has(code) && !this.sourceFor(code, now))) return Promise.resolve(false);
    return new Promise((resolve) => {
      const timer = setTimeout(() => {
        const list = this.waiters.get(code) || [];
        const at = list.indexOf(done);
        if (at >= 0) list.splice(at, 1);
        if (!list.length) this.waiters.delete(code);
        resolve(false);
      }, waitMs);
      const done = (stored) => {
        clearTimeout(timer);
        resolve(stored);
      };
      if (!this.waiters.has(code)) this.waiters.set(code, []);
      this.waiters.get(code).push(done);
      this.tick();
    });
  }

  waiting() {
    let count = 0;
    for (const list of this.waiters.values()) count += list.length;
    return count;
  }
}

module.exports = { Refresher, Gate, planSchedule, windowEnd };
