'use strict';
// The refresh schedule against the forecast API's published free limits
// (600 calls a minute, 5,000 an hour, 10,000 a day), over a simulated day.

const test = require('node:test');
const assert = require('node:assert');
const { Refresher, Gate, planSchedule } = require('../lib/refresher');
const { ForecastStore } = require('../lib/store');
const { batchUrl, checkPlace } = require('../lib/openMeteo');
const AQ = require('../lib/airQuality');
const { answerFor, airFor } = require('./fakeUpstream');
const { loadCityTable } = require('../lib/cityTable');
const M = require('../lib/mapping');

const FREE = { perMinute: 600, perHour: 5000, perDay: 10000, use: 0.8 };

test('the schedule follows from the budget', () => {
  const cases = [
    // [budget, batch size asked, minutes between rounds, places a request]
    [FREE, 200, 85, 200],                                // 17 rounds of 447 in 8,000 calls: 1,440 / 17 min
    [{ ...FREE, perDay: 5000 }, 200, 180, 200],          // two instances sharing one address: 8 rounds
    [{ ...FREE, perMinute: 100 }, 200, 85, 80],          // the minute's budget caps a request
    [{ perMinute: 1000, perHour: 50000, perDay: 1e6, use: 0.8 }, 1000, 1, 800],
    [{ ...FREE, perHour: 300 }, 200, 112, 200],          // less than a round an hour: 447 × 60 / 240 min
    // With the air every 6 hours (4 rounds of 447 a day): 8,000 - 1,788 calls leave 13 forecast rounds.
    [FREE, 200, 111, 200, 6 * 3600e3],
  ];
  for (const [budget, batchSize, minutes, batch, airEveryMs = 0] of cases) {
    const plan = planSchedule(447, budget, batchSize, { airEveryMs });
    assert.strictEqual(plan.intervalMs, minutes * 60e3, JSON.stringify(budget));
    assert.strictEqual(plan.batch, batch, JSON.stringify(budget));
  }
});

test('a simulated day of forecasts and air keeps within 80 % of every limit and every place fresh', async () => {
  const table = loadCityTable();
  const coordinates = require('../data/coordinates.json').places;
  const codes = [...new Set(table.entries.map((entry) => entry.code))];
  let now = Date.parse('2026-12-08T00:00:00Z');
  const calls = [];   // [time, places]
  const store = new ForecastStore();
  const plan = planSchedule(codes.length, FREE, 200, { airEveryMs: 6 * 3600e3 });
  const ask = (answer, check) => async (list, start) => {
    calls.push([now, list.length]);
    const url = answer(list.map((code) => coordinates[code]), start);
    return url.map((data) => check(data, start));
  };
  const refresher = new Refresher({
    codes, store, intervalMs: plan.intervalMs, now: () => now, today: () => M.chinaToday(now),
    sources: [{ name: 'open-meteo', gate: new Gate({ budget: FREE, now: () => now }), batch: plan.batch, weight: 1,
      usable: () => true,
      fetch: ask((places, start) => [answerFor(new URL(batchUrl('http://fake', places, start)).searchParams)].flat(),
        checkPlace) }],
    air: { batch: plan.batch, everyMs: 6 * 3600e3, busy: false, blockedUntil: 0, backoffMs: 0,
      fetch: ask((places, start) => [airFor(new URL(AQ.batchUrl('http://fake', places, start)).searchParams,
        () => ({ pm2_5: 10, pm10: 10, dust: 1 }))].flat(), AQ.checkAir) },
  });
  let oldest = 0;
  let oldestAir = 0;
  for (let minute = 0; minute < 24 * 60; ++minute, now += 60e3) {
    refresher.tick();
    while (refresher.busy) await new Promise(setImmediate);
    if (minute >= 5) {
      for (const code of codes) {
        oldest = Math.max(oldest, now - store.get(code).fetchedAt);
        oldestAir = Math.max(oldestAir, now - store.getAir(code).fetchedAt);
      }
    }
  }
  refresher.stop();
  const most = (span) => Math.max(...calls.map(([at]) => calls
    .filter(([other]) => other >= at && other < at + span).reduce((sum, [, places]) => sum + places, 0)));
  const day = calls.reduce((sum, [, places]) => sum + places, 0);
  assert.ok(day <= 8000 && day >= 7000, `${day} calls in the day`);
  assert.ok(most(60e3) <= 480, `${most(60e3)} calls in a minute`);
  assert.ok(most(3600e3) <= 4000, `${most(3600e3)} calls in an hour`);
  assert.ok(oldest <= plan.intervalMs + 5 * 60e3, `oldest forecast ${oldest / 60e3} min`);
  assert.ok(oldestAir <= 6 * 3600e3 + 5 * 60e3, `oldest air ${oldestAir / 60e3} min`);
});
