'use strict';
// The second source and the air: with Open-Meteo failing in every way, MET
// Norway makes every place's report (304 included); haze and each dust grade
// from made-up air-quality answers; an air failure never blocks a report.

const test = require('node:test');
const assert = require('node:assert');
const fs = require('fs');
const os = require('os');
const path = require('path');
const H = require('./helpers');
const { FakeUpstream } = require('./fakeUpstream');
const { loadCityTable } = require('../lib/cityTable');

const table = loadCityTable();
const ALL = require('../data/coordinates.json').places;
const BEIJING = '101010100';
const SHANGHAI = '101020100';
const GUANGZHOU = '101280101';
const SOME = [BEIJING, SHANGHAI, GUANGZHOU, '101290101', '101130101', '101270101'];
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// A coordinates file of a few places: the service serves only those.
function coordinatesOf(codes) {
  const file = path.join(fs.mkdtempSync(path.join(os.tmpdir(), 'weather-places-')), 'coordinates.json');
  fs.writeFileSync(file, JSON.stringify({ places: Object.fromEntries(codes.map((code) => [code, ALL[code]])) }));
  return file;
}

async function withSources({ codes = SOME, mode = 'ok', args = [], extra = {} }, body) {
  const fake = await new FakeUpstream({ mode }).listen();
  const service = await H.startService(['--source', 'live', '--forecast-url', fake.base, '--met-url', fake.base,
    '--coordinates', coordinatesOf(codes), '--upstream-timeout', '0.5', ...args], extra);
  try {
    await body(service, fake);
  } finally {
    await service.close();
    await fake.close();
  }
}

async function until(what, check, ms = 40000) {
  const end = Date.now() + ms;
  while (!(await check())) {
    if (Date.now() > end) throw new Error(`${what}: not within ${ms} ms`);
    await sleep(20);
  }
}

const METNO = ['--sources', 'open-meteo,met-norway', '--contact', 'weather@example.org', '--met-per-second', '20'];

function assertComplete(info, code, source) {
  assert.strictEqual(info.cityid, code);
  assert.strictEqual(info.source, source, code);
  for (const member of H.READ_MEMBERS.filter((name) => !/^index(48)?_uv$/.test(name))) {
    assert.notStrictEqual(info[member], '', `${code} ${member}`);
  }
}

test('with Open-Meteo failing in any way, MET Norway makes every report', async () => {
  for (const mode of ['error400', 'status429', 'status500', 'garbage', 'truncated', 'hang', 'nulls', 'fahrenheit',
    'wrongday']) {
    await withSources({ mode, args: METNO }, async (service, fake) => {
      await until(mode, () => !service.source.uncovered().length);
      for (const code of SOME) {
        const answer = await H.getReport(service.port, code);
        assert.strictEqual(answer.status, 200, `${mode} ${code}`);
        assertComplete(answer.json.weatherinfo, code, 'met-norway');
      }
      const { url, headers } = fake.metRequests[0];
      assert.match(headers['user-agent'], /^weather-service\/\S+ weather@example\.org$/);
      assert.match(url.searchParams.get('lat'), /^\d+\.\d{4}$/);
      assert.ok(fake.requests.length >= 1, `${mode}: Open-Meteo was asked first`);
    });
  }
});

test('every one of the 447 places, from MET Norway alone while Open-Meteo is down', async () => {
  const codes = [...new Set(table.entries.map((entry) => entry.code))];
  await withSources({ codes, mode: 'status500', args: METNO }, async (service, fake) => {
    await until('every place', () => !service.source.uncovered().length);
    for (const code of codes) assertComplete((await H.getReport(service.port, code)).json.weatherinfo, code, 'met-norway');
    assert.strictEqual(fake.metRequests.length, codes.length, 'one request a place');
    // At most 20 a second.
    const times = fake.metRequests.map(({ at }) => at);
    assert.ok(times.length < 2 || (times[times.length - 1] - times[0]) / (times.length - 1) >= 45);
  });
});

test('MET Norway is not asked again before Expires; then If-Modified-Since brings 304', async () => {
  let now = Date.parse('2026-12-08T02:00:00Z');
  const clock = () => now;
  await withSources({ mode: 'status500', args: METNO, extra: { now: clock } }, async (service, fake) => {
    fake.metNow = now;
    fake.metExpiresMs = 10 * 3600e3;
    await until('stored', () => !service.source.uncovered().length);
    const before = await H.getReport(service.port, BEIJING);
    const asked = fake.metRequests.length;
    // Past the fresh period, but not past Expires.
    now += service.source.plan.intervalMs;
    service.source.refresher.sources[0].gate.blockedUntil = now + 3600e3;   // Open-Meteo still down
    service.source.refresher.tick();
    await sleep(300);
    assert.strictEqual(fake.metRequests.length, asked, 'Expires not reached: no request');
    now += 10 * 3600e3;
    fake.metNow = now;
    service.source.refresher.sources[0].gate.blockedUntil = now + 3600e3;
    service.source.refresher.tick();
    await until('asked again', () => service.source.store.get(BEIJING).fetchedAt === now, 10000);
    const again = fake.metRequests.filter(({ url }) => url.searchParams.get('lat') === ALL[BEIJING][0].toFixed(4));
    assert.strictEqual(again.length, 2);
    assert.strictEqual(again[1].headers['if-modified-since'], new Date(fake.metModified).toUTCString());
    const after = await H.getReport(service.port, BEIJING);
    assert.strictEqual(after.json.weatherinfo.source, 'met-norway');
    assert.strictEqual(after.json.weatherinfo.temp2, before.json.weatherinfo.temp2);
  });
});

test('the order of preference: MET Norway first asks Open-Meteo nothing', async () => {
  await withSources({ args: ['--sources', 'met-norway,open-meteo', '--contact', 'https://weather.example.org',
    '--met-per-second', '20'] }, async (service, fake) => {
    await until('stored', () => !service.source.uncovered().length);
    for (const code of SOME) assert.strictEqual((await H.getReport(service.port, code)).json.weatherinfo.source, 'met-norway');
    assert.strictEqual(fake.requests.length, 0);
  });
  const { parseOptions } = require('../lib/options');
  for (const words of [['--sources', 'open-meteo,met-norway'], ['--sources', 'met-norway', '--contact', 'me'],
    ['--sources', 'open-meteo,open-meteo'], ['--sources', 'yr']]) {
    assert.throws(() => parseOptions(['--source', 'live', ...words]), /--(contact|sources)/, words.join(' '));
  }
});

test('haze and each dust grade from the air; rain keeps its picture; a failing air API blocks nothing', async () => {
  // By latitude: 北京 (39.9), 上海 (31.2), 广州 (23.1); by China day 0-4.
  const AIR = {
    north: [{ pm2_5: 120 }, {}, {}, { dust: 300 }, {}],
    middle: [{ dust: 1200 }, {}, {}, { dust: 2000 }, {}],
    south: [{ dust: 300 }, {}, { dust: 2000 }, { dust: 300 }, {}],
  };
  const expected = {
    [BEIJING]: { img1: '53', img2: '53', img3: '8', img7: '29', img8: '29', weather1: '霾' },
    [SHANGHAI]: { img1: '20', img2: '20', img7: '31', img8: '31', weather4: '强沙尘暴' },
    [GUANGZHOU]: { img1: '29', img2: '29', img5: '10', img6: '11', img7: '30', img8: '30', weather1: '浮尘',
      weather4: '扬沙' },
  };
  await withSources({ args: ['--date', '2026-12-08', '--budget-per-minute', '5000'] }, async (service, fake) => {
    // An entry holds the hour before it: 01:00-08:00 belong to the previous day's night.
    fake.air = (latitude, day, hour) => ({ pm2_5: 20, pm10: 40, dust: 5,
      ...(AIR[latitude > 35 ? 'north' : latitude > 28 ? 'middle' : 'south'][hour <= 8 ? day - 1 : day] || {}) });
    await until('air', () => service.source.store.air.size === SOME.length, 10000);
    for (const [code, members] of Object.entries(expected)) {
      const info = (await H.getReport(service.port, code)).json.weatherinfo;
      for (const [member, value] of Object.entries(members)) assert.strictEqual(info[member], value, `${code} ${member}`);
    }
  });
  await withSources({ args: ['--date', '2026-12-08', '--budget-per-minute', '5000'] }, async (service, fake) => {
    fake.airMode = 'status500';
    await until('stored', () => !service.source.uncovered().length && fake.airRequests.length > 0, 10000);
    const info = (await H.getReport(service.port, BEIJING)).json.weatherinfo;
    assert.strictEqual(info.img1, '2');
    assert.strictEqual(info.img2, '1');
  });
});
