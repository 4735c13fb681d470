'use strict';
// Keeps every place's stored forecast fresh within the forecast API's
// budget: batched requests, one at a time, paced by sliding windows of the
// calls spent per minute, hour and day; a round of all places every
// `intervalMs`, which follows from the budget. A 429 waits until the window
// it names resets; other failures back off exponentially.

const { callWeight, checkPlace } = require('./openMeteo');
const M = require('./mapping');

const WINDOWS = [['minute', 60e3], ['hour', 3600e3], ['day', 86400e3]];
const MIN_BACKOFF_MS = 30e3;
const MAX_BACKOFF_MS = 30 * 60e3;

// The schedule that a budget allows: how often a round of `places` may run
// and how many places one request may hold. A window of span S with room
// for n whole rounds sees ceil(S / interval) rounds, so the interval is at
// least S / n; with room for less than one round, the round is spread out.
function planSchedule(places, { perMinute, perHour, perDay, use }, batchSize) {
  const weight = callWeight(1);
  const roundCalls = places * weight;
  let intervalMs = 60e3;
  for (const [span, limit] of [[60e3, perMinute * use], [3600e3, perHour * use], [86400e3, perDay * use]]) {
    const rounds = Math.floor(limit / roundCalls);
    intervalMs = Math.max(intervalMs, rounds >= 1 ? span / rounds : (span * roundCalls) / limit);
  }
  intervalMs = Math.ceil(intervalMs / 60e3) * 60e3;
  const batch = Math.max(1, Math.min(batchSize, Math.floor((perMinute * use) / weight)));
  return { intervalMs, batch, weight, callsPerDay: roundCalls * (86400e3 / intervalMs) };
}

// When the API's window named by a 429 starts again (its windows are the
// clock's minutes, hours and UTC days).
function windowEnd(limit, now) {
  const span = { minute: 60e3, hour: 3600e3, day: 86400e3 }[limit];
  return span ? Math.floor(now / span) * span + span + 1000 : null;
}

class Refresher {
  constructor({ codes, coordinates, store, fetchBatch, budget, batchSize = 200, today, now = Date.now,
    log = () => {}, random = Math.random }) {
    this.codes = codes;
    this.coordinates = coordinates;
    this.store = store;
    this.fetchBatch = fetchBatch;   // (places, start) -> Promise of the answer's list
    this.today = today;
    this.now = now;
    this.log = log;
    this.random = random;
    this.plan = planSchedule(codes.length, budget, batchSize);
    this.windows = WINDOWS.map(([name, span]) => ({
      name, span, limit: budget[`per${name[0].toUpperCase()}${name.slice(1)}`] * budget.use, used: [],
    }));
    this.blockedUntil = 0;
    this.backoffMs = 0;
    this.placeRetry = new Map();   // code -> {at, delayMs} after an answer unfit for that place
    this.waiters = new Map();      // code -> [resolve(boolean)]
    this.busy = false;
    this.stopped = false;
    this.timer = null;
    this.stats = { requests: new Map(), failures: new Map() };
  }

  start() {
    this.tick();
  }

  stop() {
    this.stopped = true;
    clearTimeout(this.timer);
    for (const code of [...this.waiters.keys()]) this.settle(code, false);
  }

  // Calls spent in each window now.
  spent() {
    const now = this.now();
    return Object.fromEntries(this.windows.map((w) => {
      while (w.used.length && w.used[0].at <= now - w.span) w.used.shift();
      return [w.name, w.used.reduce((sum, use) => sum + use.calls, 0)];
    }));
  }

  // How long until `calls` more fit every window (0: now).
  delayFor(calls) {
    const now = this.now();
    const spent = this.spent();
    let delay = 0;
    for (const w of this.windows) {
      let total = spent[w.name];
      for (const use of w.used) {
        if (total + calls <= w.limit) break;
        total -= use.calls;
        delay = Math.max(delay, use.at + w.span - now + 1);
      }
    }
    return delay;
  }

  // Places to ask now, the missing first, then the oldest.
  due(now) {
    const list = [];
    for (const code of this.codes) {
      const retry = this.placeRetry.get(code);
      if (retry && retry.at > now) continue;
      const forecast = this.store.get(code);
      const age = forecast ? forecast.fetchedAt : -Infinity;
      if (!forecast || age + this.plan.intervalMs <= now) list.push([age, code]);
    }
    list.sort((a, b) => a[0] - b[0]);
    return list.map(([, code]) => code);
  }

  // When the next place falls due, as a delay from now.
  nextDueIn(now) {
    let next = Infinity;
    for (const code of this.codes) {
      const forecast = this.store.get(code);
      const retry = this.placeRetry.get(code);
      let at = forecast ? forecast.fetchedAt + this.plan.intervalMs : now;
      if (retry) at = Math.max(at, retry.at);
      next = Math.min(next, at);
    }
    return Math.max(0, next - now);
  }

  arm(delayMs) {
    clearTimeout(this.timer);
    if (this.stopped || !Number.isFinite(delayMs)) return;
    this.timer = setTimeout(() => this.tick(), Math.max(1, Math.min(delayMs, 2 ** 31 - 1)));
    this.timer.unref();
  }

  tick() {
    if (this.stopped || this.busy) return;
    const now = this.now();
    if (this.blockedUntil > now) return this.arm(this.blockedUntil - now);
    const due = this.due(now);
    if (!due.length) return this.arm(this.nextDueIn(now));
    const batch = due.slice(0, this.plan.batch);
    const calls = callWeight(batch.length);
    const delay = this.delayFor(calls);
    if (delay > 0) return this.arm(delay);
    for (const w of this.windows) w.used.push({ at: now, calls });
    this.busy = true;
    this.run(batch, calls).finally(() => {
      this.busy = false;
      this.tick();
    });
    return undefined;
  }

  count(map, key) {
    map.set(key, (map.get(key) || 0) + 1);
  }

  async run(codes, calls) {
    const start = this.today();
    const started = this.now();
    let list;
    try {
      list = await this.fetchBatch(codes.map((code) => this.coordinates[code]), start);
    } catch (error) {
      this.failed(codes, error, calls, started);
      return;
    }
    this.backoffMs = 0;
    const fetchedAt = this.now();
    let stored = 0;
    const unfit = [];
    codes.forEach((code, i) => {
      const checked = checkPlace(list[i], start);
      if (typeof checked === 'string') {
        unfit.push(code);
        const last = this.placeRetry.get(code);
        const delayMs = Math.min(MAX_BACKOFF_MS, last ? last.delayMs * 2 : MIN_BACKOFF_MS);
        this.placeRetry.set(code, { at: fetchedAt + delayMs, delayMs });
        this.log('upstream', { outcome: 'unfit', code, reason: checked });
        this.settle(code, false);
        return;
      }
      this.placeRetry.delete(code);
      this.store.set(code, { source: 'open-meteo', fetchedAt, ...checked });
      ++stored;
      this.settle(code, true);
    });
    this.count(this.stats.requests, unfit.length ? 'partial' : 'ok');
    if (unfit.length) this.count(this.stats.failures, 'invalid');
    this.log('upstream', { outcome: unfit.length ? 'partial' : 'ok', places: codes.length, stored, calls,
      ms: fetchedAt - started });
    if (stored) this.store.save();
  }

  failed(codes, error, calls, started) {
    const now = this.now();
    const kind = error.kind || 'network';
    this.count(this.stats.requests, 'failed');
    this.count(this.stats.failures, kind);
    let until;
    if (kind === 'limit') {
      // The API names the window it counts; without a name, back off.
      const end = windowEnd(error.limit, now);
      const after = error.retryAfterMs === null ? null : now + error.retryAfterMs;
      until = end !== null || after !== null ? Math.max(end || 0, after || 0) : null;
    }
    if (!until) {
      this.backoffMs = Math.min(MAX_BACKOFF_MS, this.backoffMs ? this.backoffMs * 2 : MIN_BACKOFF_MS);
      // A little spread, so that instances sharing an address do not retry in step.
      until = now + this.backoffMs * (0.9 + 0.2 * this.random());
    }
    this.blockedUntil = until;
    this.log('upstream', { outcome: 'failed', kind, limit: error.limit || undefined, places: codes.length, calls,
      ms: now - started, until: new Date(until).toISOString(), error: error.message });
    for (const code of codes) this.settle(code, false);
  }

  settle(code, stored) {
    const list = this.waiters.get(code);
    if (!list) return;
    this.waiters.delete(code);
    for (const resolve of list) resolve(stored);
  }

  // Resolves true once `code` is stored, false when its request failed, the
  // API is blocked for longer than the wait, or `waitMs` passed.
  whenStored(code, waitMs) {
    const now = this.now();
    const retry = this.placeRetry.get(code);
    if (this.stopped || this.blockedUntil > now + waitMs || (retry && retry.at > now + waitMs)) {
      return Promise.resolve(false);
    }
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

module.exports = { Refresher, planSchedule, windowEnd, chinaDay: M.chinaToday };
