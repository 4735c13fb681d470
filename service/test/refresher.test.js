'use strict';
// The refresh schedule against the forecast API's published free limits
// (600 calls a minute, 5,000 an hour, 10,000 a day), over a simulated day.

const test = require('node:test');
const assert = require('node:assert');
const { Refresher, planSchedule } = require('../lib/refresher');
const { ForecastStore } = require('../lib/store');
const { batchUrl } = require('../lib/openMeteo');
const { answerFor } = require('./fakeUpstream');
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
  ];
  for (const [budget, batchSize, minutes, batch] of cases) {
    const plan = planSchedule(447, budget, batchSize);
    assert.strictEqual(plan.intervalMs, minutes * 60e3, JSON.stringify(budget));
    assert.strictEqual(plan.batch, batch, JSON.stringify(budget));
  }
});

test('a simulated day keeps within 80 % of every limit and every place fresh', async () => {
  const table = loadCityTable();
  const coordinates = require('../data/coordinates.json').places;
  const codes = [...new Set(table.entries.map((entry) => entry.code))];
  let now = Date.parse('2026-12-08T00:00:00Z');
  const calls = [];   // [time, places]
  const store = new ForecastStore();
  const refresher = new Refresher({
    codes, coordinates, store, budget: FREE, batchSize: 200, now: () => now,
    today: () => M.chinaToday(now),
    fetchBatch: async (places, start) => {
      calls.push([now, places.length]);
      const answer = answerFor(new URL(batchUrl('http://fake', places, start)).searchParams);
      return Array.isArray(answer) ? answer : [answer];
    },
  });
  let oldest = 0;
  for (let minute = 0; minute < 24 * 60; ++minute, now += 60e3) {
    refresher.tick();
    while (refresher.busy) await new Promise(setImmediate);
    if (minute >= 5) {
      for (const code of codes) oldest = Math.max(oldest, now - store.get(code).fetchedAt);
    }
  }
  refresher.stop();
  const most = (span) => Math.max(...calls.map(([at]) => calls
    .filter(([other]) => other >= at && other < at + span).reduce((sum, [, places]) => sum + places, 0)));
  const day = calls.reduce((sum, [, places]) => sum + places, 0);
  assert.ok(day <= 8000 && day >= 7000, `${day} calls in the day`);
  assert.ok(most(60e3) <= 480, `${most(60e3)} calls in a minute`);
  assert.ok(most(3600e3) <= 4000, `${most(3600e3)} calls in an hour`);
  assert.ok(oldest <= refresher.plan.intervalMs + 60e3, `oldest forecast ${oldest / 60e3} min`);
});
