'use strict';
// The live source against a fake forecast API on loopback: complete reports
// for every code, the mapping of known numbers, answers of any shape, the
// cache, the queue and its limits, memory under a burst.

const test = require('node:test');
const assert = require('node:assert');
const fs = require('fs');
const path = require('path');
const { spawn } = require('child_process');
const H = require('./helpers');
const { FakeUpstream } = require('./fakeUpstream');
const { loadCityTable } = require('../lib/cityTable');
const { DAILY, HOURLY } = require('../lib/live');

const table = loadCityTable();
const DATE = '2026-12-08';

async function withLive(mode, args, body) {
  const fake = await new FakeUpstream({ mode }).listen();
  const service = await H.startService(['--source', 'live', '--forecast-url', fake.base, '--date', DATE, ...args]);
  try {
    await body(service, fake);
  } finally {
    await service.close();
    await fake.close();
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

test('a complete report for every code, asking the API as documented', async () => {
  await withLive('ok', [], async (service, fake) => {
    for (const { name, code } of table.entries) {
      const answer = await H.getReport(service.port, code);
      assert.strictEqual(answer.status, 200, code);
      const info = answer.json.weatherinfo;
      assertWellFormed(info, code);
      assert.strictEqual(info.city, name);
      for (const member of H.READ_MEMBERS) assert.notStrictEqual(info[member], '', `${code} ${member}`);
    }
    assert.strictEqual(fake.requests.length, 447);
    const query = fake.requests[0].searchParams;
    assert.deepStrictEqual(query.get('daily').split(',').sort(), [...DAILY].sort());
    assert.deepStrictEqual(query.get('hourly').split(','), HOURLY);
    for (const name of ['precipitation_probability_max', 'wind_direction_10m_dominant', 'uv_index_max']) {
      assert.ok(DAILY.includes(name));
    }
    assert.strictEqual(query.get('timezone'), 'Asia/Shanghai');
    assert.strictEqual(query.get('start_date'), '2026-12-08');
    assert.strictEqual(query.get('end_date'), '2026-12-13');
    assert.ok(Math.abs(Number(query.get('latitude')) - 39.9175) < 1e-3);
  });
});

test('known forecast numbers give the expected report', async () => {
  const cases = {
    101010100: {   // 北京: the fake's northern numbers
      city: '北京', date_y: '2026年12月8日', date: '十月三十', week: '星期二',
      temp1: '5℃~-4℃', temp2: '3℃~-1℃', temp3: '-2℃~-7℃', temp4: '6℃~-4℃', temp5: '10℃~1℃',
      img1: '2', img2: '1', img3: '8', img4: '22', img5: '15', img6: '16', img7: '0', img8: '0', img9: '4', img10: '3',
      img_title1: '阴', img_title2: '多云', img_title3: '中雨', img_title4: '中到大雨', img_title5: '中雪',
      img_title6: '大雪', img_title9: '雷阵雨', img_title10: '阵雨',
      weather1: '阴转多云', weather2: '中雨转中到大雨', weather3: '中雪转大雪', weather4: '晴', weather5: '雷阵雨转阵雨',
      wind1: '微风', wind2: '东风4-5级', wind3: '南风6-7级', wind4: '微风', wind5: '南风3-4级',
      fx1: '北风', fx2: '东风', fl1: '小于3级', fl2: '4-5级', fl3: '6-7级', fl4: '小于3级', fl5: '3-4级',
      index: '冷', index48: '冷', index_uv: '弱', index48_uv: '最弱',
      index_cl: '较适宜', index_co: '较不舒适', index_ls: '不太适宜', index_tr: '较适宜',
    },
    101280101: {   // 广州: the southern numbers
      city: '广州', temp1: '28℃~20℃', temp2: '30℃~24℃', temp3: '26℃~22℃', temp4: '24℃~18℃', temp5: '25℃~21℃',
      img1: '0', img2: '0', img3: '3', img4: '4', img5: '10', img6: '11', img7: '18', img8: '2', img9: '9', img10: '8',
      weather1: '晴', weather2: '阵雨转雷阵雨', weather3: '暴雨转大暴雨', weather4: '雾转阴', weather5: '大雨转中雨',
      wind1: '东南风3-4级', wind2: '微风', wind3: '东风7-8级', wind4: '北风4-5级', wind5: '西风5-6级',
      fx1: '东南风', fx2: '西南风', fl2: '小于3级',
      index: '舒适', index48: '热', index_uv: '强', index48_uv: '很强',
      index_cl: '适宜', index_co: '舒适', index_ls: '适宜', index_tr: '适宜',
    },
  };
  await withLive('ok', [], async (service) => {
    for (const [code, expected] of Object.entries(cases)) {
      const info = (await H.getReport(service.port, code)).json.weatherinfo;
      for (const [member, value] of Object.entries(expected)) assert.strictEqual(info[member], value, `${code} ${member}`);
      assert.strictEqual(info.index_d.length > 30, true);
    }
  });
});

test('an unusable answer gives 503 with nothing cached, the last good report when there is one', async () => {
  for (const mode of ['error400', 'status429', 'status500', 'garbage', 'truncated', 'hang']) {
    await withLive('ok', ['--fresh', '0.05', '--upstream-timeout', '0.3'], async (service, fake) => {
      const good = await H.getReport(service.port, '101010100');
      assert.strictEqual(good.status, 200);
      fake.mode = mode;
      const started = Date.now();
      const fresh = await H.getReport(service.port, '101280101');
      assert.strictEqual(fresh.status, 503, mode);
      assert.match(fresh.headers['content-type'], /^text\/html/);
      assert.ok(Date.now() - started < 2000, `${mode} answered quickly`);
      await new Promise((resolve) => setTimeout(resolve, 60));
      const stale = await H.getReport(service.port, '101010100');
      assert.strictEqual(stale.status, 200, mode);
      assert.deepStrictEqual(stale.body, good.body);
      assert.strictEqual(stale.headers['cache-control'], 'public, max-age=0, s-maxage=0');
    });
  }
});

test('answers with missing, null or mistyped data still make well-formed reports', async () => {
  for (const mode of ['missing', 'nulls', 'wrongtypes']) {
    await withLive(mode, [], async (service) => {
      for (const code of ['101010100', '101280101', '101340201']) {
        const answer = await H.getReport(service.port, code);
        assert.strictEqual(answer.status, 200, `${mode} ${code}`);
        const info = answer.json.weatherinfo;
        assertWellFormed(info, code);
        // Nothing to make them from: the empty text, and the harmless picture 1.
        assert.strictEqual(info.temp1, '', mode);
        assert.strictEqual(info.img1, '1', mode);
        assert.strictEqual(info.img_title1, '', mode);
        if (mode !== 'wrongtypes') assert.strictEqual(info.fl1, '', mode);  // its winds are whole
        assert.strictEqual(info.date_y, '2026年12月8日');
      }
    });
  }
});

test('the cache: fresh period, validators, 304, stale limit', async () => {
  await withLive('ok', ['--fresh', '0.4', '--stale', '0.8'], async (service, fake) => {
    const first = await H.getReport(service.port, '101010100');
    assert.match(first.headers['cache-control'], /^public, max-age=0, s-maxage=0$/);
    const second = await H.getReport(service.port, '101010100');
    assert.strictEqual(fake.requests.length, 1, 'fresh: served from the cache');
    assert.deepStrictEqual(second.body, first.body);
    const { etag } = first.headers;
    assert.match(etag, /^"[\w-]+"$/);
    assert.strictEqual(new Date(first.headers['last-modified']).toUTCString(), first.headers['last-modified']);
    for (const headers of [{ 'If-None-Match': etag }, { 'If-None-Match': `"other", W/${etag}` },
      { 'If-Modified-Since': first.headers['last-modified'] }]) {
      const answer = await H.get(service.port, '/data/101010100.html', headers);
      assert.strictEqual(answer.status, 304, JSON.stringify(headers));
      assert.strictEqual(answer.body.length, 0);
      assert.strictEqual(answer.headers.etag, etag);
    }
    assert.strictEqual((await H.get(service.port, '/data/101010100.html', { 'If-None-Match': '"other"' })).status, 200);
    await new Promise((resolve) => setTimeout(resolve, 450));
    await H.getReport(service.port, '101010100');
    assert.strictEqual(fake.requests.length, 2, 'after the fresh period: asked again');
    fake.mode = 'status500';
    await new Promise((resolve) => setTimeout(resolve, 450));
    assert.strictEqual((await H.getReport(service.port, '101010100')).status, 200, 'stale within its limit');
    await new Promise((resolve) => setTimeout(resolve, 450));
    assert.strictEqual((await H.getReport(service.port, '101010100')).status, 503, 'past the stale limit');
  });
  await withLive('ok', ['--fresh', '60'], async (service) => {
    const answer = await H.getReport(service.port, '101010100');
    const left = Number(/s-maxage=(\d+)$/.exec(answer.headers['cache-control'])[1]);
    assert.ok(left > 55 && left <= 60, String(left));
  });
});

test('the queue: one request per code at a time, the rate limits, the time limit', async () => {
  await withLive('ok', [], async (service, fake) => {
    fake.delayMs = 100;
    const answers = await Promise.all([1, 2, 3, 4, 5].map(() => H.getReport(service.port, '101010100')));
    assert.ok(answers.every((answer) => answer.status === 200));
    assert.strictEqual(fake.requests.length, 1, 'simultaneous asks share one request');
  });
  await withLive('ok', ['--upstream-per-minute', '2', '--upstream-call-weight', '1', '--upstream-timeout', '0.4'],
    async (service, fake) => {
      const codes = ['101010100', '101280101', '101290101'];
      const answers = await Promise.all(codes.map((code) => H.getReport(service.port, code)));
      assert.deepStrictEqual(answers.map((answer) => answer.status).sort(), [200, 200, 503]);
      assert.strictEqual(fake.requests.length, 2, 'no more calls than the minute allows');
    });
  await withLive('hang', ['--upstream-timeout', '0.5'], async (service) => {
    const started = Date.now();
    assert.strictEqual((await H.getReport(service.port, '101010100')).status, 503);
    const took = Date.now() - started;
    assert.ok(took >= 450 && took < 1500, `gave up after ${took} ms`);
  });
});

test('memory stays bounded under a burst for all 447 codes', async (t) => {
  const fake = await new FakeUpstream().listen();
  fake.delayMs = 5;
  const child = spawn(process.execPath, [path.join(__dirname, '..', 'server.js'), '--source', 'live',
    '--forecast-url', fake.base, '--date', DATE, '--port', '0', '--max-connections-per-address', '400']);
  try {
    const port = await new Promise((resolve) => child.stdout.once('data',
      (line) => resolve(Number(/:(\d+)$/.exec(line.toString().trim())[1]))));
    const memory = (field) => Number(new RegExp(`${field}:\\s+(\\d+) kB`)
      .exec(fs.readFileSync(`/proc/${child.pid}/status`, 'utf8'))[1]) / 1024;
    await H.getReport(port, '101010100');
    const before = memory('VmRSS');
    for (let round = 0; round < 3; ++round) {
      const codes = table.entries.map((entry) => entry.code);
      const statuses = [];
      // 60 clients at once, each asking one code after another.
      await Promise.all(Array.from({ length: 60 }, async () => {
        while (codes.length) statuses.push((await H.getReport(port, codes.pop())).status);
      }));
      assert.strictEqual(statuses.filter((status) => status === 200).length, 447, `round ${round}: ${statuses.filter((status) => status !== 200)}`);
    }
    const peak = memory('VmHWM');
    t.diagnostic(`resident ${before.toFixed(1)} MB before three bursts of 447, peak ${peak.toFixed(1)} MB`);
    assert.ok(peak - before < 80, `peak ${peak.toFixed(1)} MB, ${before.toFixed(1)} MB before the bursts`);
    assert.strictEqual(fake.requests.length, 447, 'each code asked once within its fresh period');
  } finally {
    child.kill();
    await fake.close();
  }
});
