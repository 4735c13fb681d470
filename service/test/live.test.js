'use strict';
// The live source against a fake forecast API on loopback: complete reports
// for every code from batched requests, the mapping of known numbers, the
// store (validation, restarts, midnight), the refresh's reaction to limits
// and failures, health and metrics.

const test = require('node:test');
const assert = require('node:assert');
const fs = require('fs');
const os = require('os');
const path = require('path');
const H = require('./helpers');
const { FakeUpstream } = require('./fakeUpstream');
const { loadCityTable } = require('../lib/cityTable');
const { DAILY, HOURLY } = require('../lib/openMeteo');
const { getUrl, requestThread } = require('../lib/upstream');

const table = loadCityTable();
const CODES = [...new Set(table.entries.map((entry) => entry.code))];
const BEIJING = '101010100';
const GUANGZHOU = '101280101';
const DATE = '2026-12-08';
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

function tempStore() {
  return path.join(fs.mkdtempSync(path.join(os.tmpdir(), 'weather-store-')), 'forecasts.json');
}

// A clock the test moves: starts at `iso` (UTC).
function clock(iso) {
  let now = Date.parse(iso);
  const time = () => now;
  time.advance = (ms) => { now += ms; };
  time.set = (text) => { now = Date.parse(text); };
  return time;
}

async function withLive({ mode = 'ok', args = [], extra = {}, delayMs = 0 }, body) {
  const fake = await new FakeUpstream({ mode }).listen();
  fake.delayMs = delayMs;
  const service = await H.startService(['--source', 'live', '--forecast-url', fake.base, ...args], extra);
  try {
    await body(service, fake);
  } finally {
    await service.close();
    await fake.close();
  }
}

// Waits until the store holds every place (the first round is done).
async function filled(service, ms = 10000, { air = false } = {}) {
  const until = Date.now() + ms;
  const airLeft = () => (air ? service.source.codes.length - service.source.store.air.size : 0);
  while (service.source.uncovered().length || airLeft()) {
    if (Date.now() > until) throw new Error(`${service.source.uncovered().length} places still missing`);
    await sleep(20);
  }
}

// The refresher's next round, now (the test's clock has moved past its interval).
async function refreshNow(service, fake) {
  const before = fake.requests.length;
  service.source.refresher.tick();
  const until = Date.now() + 5000;
  while (service.source.refresher.busy || fake.requests.length === before) {
    if (Date.now() > until) throw new Error('no refresh');
    await sleep(10);
  }
}

function assertWellFormed(info, code) {
  for (const member of [...H.READ_MEMBERS, ...H.EXTRA_MEMBERS]) {
    assert.strictEqual(typeof info[member], 'string', `${code} ${member}`);
  }
  for (let n = 1; n <= 10; ++n) {
    assert.ok(H.PICTURES.has(Number(info[`img${n}`])) && /^\d+$/.test(info[`img${n}`]), `${code} img${n}`);
  }
}

test('a cold start: every code answered from a few batched requests of at most 10 variables', async () => {
  await withLive({ args: ['--date', DATE, '--max-connections-per-address', '500', '--api-key', 'k3y'], delayMs: 300 }, async (service, fake) => {
    // All 447 at once, right after start: they wait for their batch.
    const answers = await Promise.all(CODES.map((code) => H.getReport(service.port, code)));
    for (const [i, answer] of answers.entries()) {
      assert.strictEqual(answer.status, 200, CODES[i]);
      const info = answer.json.weatherinfo;
      assertWellFormed(info, CODES[i]);
      assert.strictEqual(info.city, table.byCode.get(CODES[i]));
      for (const member of H.READ_MEMBERS) assert.notStrictEqual(info[member], '', `${CODES[i]} ${member}`);
    }
    assert.strictEqual(fake.requests.length, Math.ceil(CODES.length / 200));
    assert.strictEqual(fake.places, CODES.length);
    const query = fake.requests[0].searchParams;
    assert.ok(DAILY.length + HOURLY.length <= 10);
    assert.deepStrictEqual(query.get('daily').split(','), DAILY);
    assert.deepStrictEqual(query.get('hourly').split(','), HOURLY);
    for (const [name, value] of [['timezone', 'Asia/Shanghai'], ['start_date', DATE], ['end_date', '2026-12-14'],
      ['temperature_unit', 'celsius'], ['wind_speed_unit', 'ms'], ['precipitation_unit', 'mm'], ['apikey', 'k3y']]) {
      assert.strictEqual(query.get(name), value, name);
    }
    assert.strictEqual(query.get('latitude').split(',').length, 200);
    assert.ok(query.get('latitude').split(',').every((text) => /^-?\d+\.\d{4}$/.test(text)));
  });
});

test('known forecast numbers give the expected report', async () => {
  const cases = {
    [BEIJING]: {   // the fake's northern numbers
      city: '北京', date_y: '2026年12月8日', date: '十月三十', week: '星期二',
      temp1: '5℃~-4℃', temp2: '3℃~-1℃', temp3: '-2℃~-8℃', temp4: '6℃~-4℃', temp5: '10℃~1℃',
      tempF1: '41.7℉~25.5℉', tempF3: '29.1℉~18.5℉',
      img1: '2', img2: '1', img3: '8', img4: '22', img5: '15', img6: '16', img7: '0', img8: '0', img9: '4', img10: '3',
      img_title1: '阴', img_title2: '多云', img_title3: '中雨', img_title4: '中到大雨', img_title5: '中雪',
      img_title6: '大雪', img_title9: '雷阵雨', img_title10: '阵雨',
      weather1: '阴转多云', weather2: '中雨转中到大雨', weather3: '中雪转大雪', weather4: '晴', weather5: '雷阵雨转阵雨',
      wind1: '微风', wind2: '东风4-5级', wind3: '南风6-7级', wind4: '微风', wind5: '南风3-4级',
      fx1: '北风', fx2: '东风', fl1: '小于3级', fl2: '4-5级', fl3: '6-7级', fl4: '小于3级', fl5: '3-4级',
      index: '冷', index48: '冷', index_uv: '弱', index48_uv: '最弱',
      index_cl: '较适宜', index_co: '较不舒适', index_ls: '不太适宜', index_tr: '较适宜',
      st1: '4', st2: '-3', st5: '-3', st6: '-7',
    },
    [GUANGZHOU]: {   // the southern numbers
      city: '广州', temp1: '28℃~20℃', temp2: '30℃~24℃', temp3: '26℃~22℃', temp4: '24℃~18℃', temp5: '25℃~21℃',
      img1: '0', img2: '0', img3: '3', img4: '4', img5: '10', img6: '11', img7: '18', img8: '2', img9: '9', img10: '8',
      weather1: '晴', weather2: '阵雨转雷阵雨', weather3: '暴雨转大暴雨', weather4: '雾转阴', weather5: '大雨转中雨',
      wind1: '东南风3-4级', wind2: '微风', wind3: '东风7-8级', wind4: '北风4-5级', wind5: '西风5-6级',
      fx1: '东南风', fx2: '西南风', fl2: '小于3级',
      index: '舒适', index48: '热', index_uv: '强', index48_uv: '很强',
      index_cl: '适宜', index_co: '舒适', index_ls: '适宜', index_tr: '适宜',
    },
  };
  await withLive({ args: ['--date', DATE] }, async (service) => {
    for (const [code, expected] of Object.entries(cases)) {
      const info = (await H.getReport(service.port, code)).json.weatherinfo;
      for (const [member, value] of Object.entries(expected)) assert.strictEqual(info[member], value, `${code} ${member}`);
      assert.ok(info.index_d.length > 30);
    }
  });
});

test('an unfit answer never replaces a good forecast; a place unfit alone keeps its own', async () => {
  // 01:00 in China: ten rounds later it is still the same day.
  const now = clock('2026-12-07T17:00:00Z');
  await withLive({ extra: { now } }, async (service, fake) => {
    await filled(service);
    const good = await H.getReport(service.port, BEIJING);
    const metrics = async () => (await H.get(service.port, '/metrics')).body.toString('utf8');
    for (const mode of ['nulls', 'wrongtypes', 'missing', 'fahrenheit', 'wrongday', 'truncated', 'garbage',
      'error400', 'status500']) {
      fake.mode = mode;
      now.advance(service.source.plan.intervalMs);
      service.source.refresher.sources[0].gate.blockedUntil = 0;   // no back-off wait between the cases
      await refreshNow(service, fake);
      const after = await H.getReport(service.port, BEIJING);
      assert.strictEqual(after.status, 200, mode);
      assert.deepStrictEqual(after.body, good.body, mode);
    }
    assert.match(await metrics(), /weather_upstream_failures_total\{source="open-meteo",kind="invalid"\} [1-9]/);
    assert.match(await metrics(), /weather_upstream_failures_total\{source="open-meteo",kind="garbage"\} 2/);
    // One place's data spoiled in an otherwise good batch: only it keeps its old forecast.
    fake.mode = 'ok';
    fake.unfit.add(service.source.coordinates[BEIJING][0].toFixed(4));
    now.advance(service.source.plan.intervalMs);
    service.source.refresher.sources[0].gate.blockedUntil = 0;
    await refreshNow(service, fake);
    while (service.source.refresher.busy || service.source.refresher.due(now()).length > 1) await sleep(10);
    assert.strictEqual(service.source.store.get(BEIJING).fetchedAt < now(), true);
    assert.strictEqual(service.source.store.get(GUANGZHOU).fetchedAt, now());
    assert.deepStrictEqual((await H.getReport(service.port, BEIJING)).body, good.body);
  });
});

test('the store survives a restart; with the API down every place is still served', async () => {
  const store = tempStore();
  let bodies;
  await withLive({ args: ['--date', DATE, '--store', store] }, async (service) => {
    await filled(service);
    await service.source.store.save();
    bodies = await Promise.all([BEIJING, GUANGZHOU].map(async (code) => (await H.getReport(service.port, code)).body));
  });
  assert.ok(JSON.parse(fs.readFileSync(store, 'utf8')).places[BEIJING]);
  assert.deepStrictEqual(fs.readdirSync(path.dirname(store)), ['forecasts.json'], 'no temporary file left');
  // Another run with the same API address: the fake listens on a new port,
  // so the store is told the old origin.
  const origin = JSON.parse(fs.readFileSync(store, 'utf8')).origin;
  const fake = await new FakeUpstream({ mode: 'status500' }).listen();
  const text = fs.readFileSync(store, 'utf8').replace(JSON.stringify(origin), JSON.stringify(fake.base));
  fs.writeFileSync(store, text);
  const service = await H.startService(['--source', 'live', '--forecast-url', fake.base, '--date', DATE, '--store', store]);
  try {
    for (const code of CODES) assert.strictEqual((await H.getReport(service.port, code)).status, 200, code);
    assert.deepStrictEqual((await H.getReport(service.port, BEIJING)).body, bodies[0]);
    assert.deepStrictEqual((await H.getReport(service.port, GUANGZHOU)).body, bodies[1]);
    assert.strictEqual((await H.get(service.port, '/healthz')).status, 200);
  } finally {
    await service.close();
    await fake.close();
  }
});

test('a 429 waits until the window it names resets; other failures back off', async () => {
  // The refresh fails at 05:20:30 UTC.
  const cases = [
    ['status429', '2026-12-08T05:21:01.000Z'],
    ['status429hour', '2026-12-08T06:00:01.000Z'],
    ['status429day', '2026-12-09T00:00:01.000Z'],
  ];
  for (const [mode, until] of cases) {
    const now = clock('2026-12-08T02:00:30Z');
    await withLive({ extra: { now } }, async (service, fake) => {
      await filled(service);
      fake.mode = mode;
      now.set('2026-12-08T05:20:30Z');
      await refreshNow(service, fake);
      assert.strictEqual(new Date(service.source.refresher.sources[0].gate.blockedUntil).toISOString(), until, mode);
      // Thirty requests for stale places meanwhile: answered from the store, no call.
      const asked = fake.requests.length;
      for (let i = 0; i < 30; ++i) assert.strictEqual((await H.getReport(service.port, CODES[i])).status, 200);
      service.source.refresher.tick();
      await sleep(30);
      assert.strictEqual(fake.requests.length, asked, mode);
    });
  }
  // Other failures: 30 s, then twice as long each time (±10 %).
  const now = clock('2026-12-08T02:00:30Z');
  await withLive({ extra: { now } }, async (service, fake) => {
    await filled(service);
    fake.mode = 'status500';
    const waits = [];
    for (let i = 0; i < 3; ++i) {
      now.advance(i === 0 ? service.source.plan.intervalMs : waits[i - 1]);
      await refreshNow(service, fake);
      waits.push(service.source.refresher.sources[0].gate.blockedUntil - now());
    }
    waits.forEach((wait, i) => assert.ok(Math.abs(wait - 30e3 * 2 ** i) <= 3e3 * 2 ** i, `${i}: ${wait} ms`));
  });
});

test('while the API hangs or drips, a stored place answers at once', async () => {
  for (const mode of ['hang', 'drip']) {
    const now = clock('2026-12-08T02:00:00Z');
    await withLive({ extra: { now }, args: ['--upstream-timeout', '30'] }, async (service, fake) => {
      await filled(service);
      fake.mode = mode;
      now.advance(service.source.plan.intervalMs);
      service.source.refresher.tick();
      while (!fake.hanging.size) await sleep(5);
      const started = Date.now();
      for (const code of [BEIJING, GUANGZHOU]) assert.strictEqual((await H.getReport(service.port, code)).status, 200);
      assert.ok(service.source.refresher.busy, `${mode}: the refresh is still waiting`);
      assert.ok(Date.now() - started < 1000, `${mode}: ${Date.now() - started} ms`);
      // Waiting on the API costs nothing meanwhile: no timer spins.
      const refresher = service.source.refresher;
      let ticks = 0;
      const tick = refresher.tick.bind(refresher);
      refresher.tick = () => { ++ticks; tick(); };
      await sleep(300);
      assert.ok(ticks <= 2, `${mode}: ${ticks} ticks in 300 ms`);
    });
  }
});

test('a request thread that stops fails its requests at once, and the next request starts another', async () => {
  const fake = await new FakeUpstream({ mode: 'hang' }).listen();
  try {
    const hung = getUrl(`${fake.base}/v1/forecast`, { timeoutMs: 30000 });
    while (!fake.hanging.size) await sleep(5);
    await requestThread().terminate();
    await assert.rejects(hung, (error) => error.kind === 'network' && /thread stopped/.test(error.message));
    fake.mode = 'ok';
    const { status, body } = await getUrl(`${fake.base}/v1/forecast?latitude=39.9&longitude=116.4&daily=temperature_2m_max`);
    assert.strictEqual(status, 200);
    assert.ok(Buffer.isBuffer(body) && JSON.parse(body).daily, 'a whole answer as a Buffer');
  } finally {
    await fake.close();
  }
});

test('midnight in China: day 1 moves on without the API; a forecast past its days gives 503', async () => {
  const now = clock('2026-12-08T15:50:00Z');   // 23:50 in China
  await withLive({ extra: { now } }, async (service, fake) => {
    await filled(service);
    fake.mode = 'status500';
    const evening = await H.getReport(service.port, BEIJING);
    assert.strictEqual(evening.json.weatherinfo.date_y, '2026年12月8日');
    assert.ok(Number(/s-maxage=(\d+)/.exec(evening.headers['cache-control'])[1]) <= 600, 'kept until midnight at most');
    now.set('2026-12-08T16:05:00Z');   // 00:05
    const morning = await H.getReport(service.port, BEIJING);
    assert.strictEqual(morning.json.weatherinfo.date_y, '2026年12月9日');
    assert.strictEqual(morning.json.weatherinfo.week, '星期三');
    assert.strictEqual(morning.json.weatherinfo.temp1, evening.json.weatherinfo.temp2);
    assert.strictEqual(morning.json.weatherinfo.img1, evening.json.weatherinfo.img3);
    assert.notStrictEqual(morning.headers.etag, evening.headers.etag);
    assert.ok(Date.parse(morning.headers['last-modified']) > Date.parse(evening.headers['last-modified']));
    // Seven days stored: the seventh morning has none left.
    now.set('2026-12-15T00:05:00Z');
    assert.strictEqual((await H.getReport(service.port, BEIJING)).status, 503);
    const health = await H.get(service.port, '/healthz');
    assert.strictEqual(health.status, 503);
    assert.match(health.body.toString(), /^447 of 447 places have no forecast for today/);
  });
});

test('health, metrics and the log', async () => {
  const lines = [];
  const logger = (event, fields) => lines.push({ event, ...fields });
  // A minute's budget that takes the air round at once after the forecast's.
  await withLive({ args: ['--date', DATE, '--budget-per-minute', '2000'], extra: { logger } }, async (service) => {
    const cold = await H.get(service.port, '/healthz');
    await filled(service, 10000, { air: true });
    assert.strictEqual(cold.status, 503);
    assert.strictEqual((await H.get(service.port, '/healthz')).status, 200);
    await H.getReport(service.port, BEIJING);
    await H.get(service.port, '/nothing');
    const text = (await H.get(service.port, '/metrics')).body.toString('utf8');
    for (const pattern of [/weather_http_requests_total\{route="report",status="200"\} 1/,
      /weather_http_requests_total\{route="other",status="404"\} 1/,
      /weather_upstream_requests_total\{source="open-meteo",outcome="ok"\} 3/,
      /weather_upstream_calls_spent\{window="day"\} 894/,   // the forecast and the air, 447 calls each
      /weather_store_oldest_forecast_age_seconds \d/]) assert.match(text, pattern);
    assert.ok(lines.some((line) => line.event === 'request' && line.route === 'report' && line.status === 200 &&
      line.client === '127.0.0.1' && typeof line.ms === 'number'));
    assert.strictEqual(lines.filter((line) => line.event === 'upstream' && line.source === 'open-meteo' &&
      line.outcome === 'ok').length, 3);
  });
});
