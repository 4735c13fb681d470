'use strict';
// The live location page: the caller's address through ip2region to a place
// of the table, cut as the program cuts it.

const test = require('node:test');
const assert = require('node:assert');
const H = require('./helpers');
const { loadCityTable } = require('../lib/cityTable');

const table = loadCityTable();

async function locatedName(port, headers = {}) {
  const answer = await H.get(port, '/', headers);
  assert.strictEqual(answer.status, 200);
  assert.strictEqual(answer.headers['content-type'], 'text/html; charset=gbk');
  return H.locatedCityName(H.cutLocationText(answer.body));
}

test('known addresses select their city (behind a trusted proxy)', async () => {
  // Each answer checked against the database of the ip2region package.
  const cases = [['202.106.0.20', '北京'], ['202.96.209.133', '上海'], ['61.128.128.68', '重庆'],
    ['61.139.2.69', '成都'], ['202.96.128.86', '广州'], ['120.24.78.68', '深圳'], ['218.30.19.40', '西安'],
    ['222.172.200.68', '昆明'], ['211.137.32.178', '沈阳'], ['202.100.64.68', '兰州'], ['59.51.78.210', '衡阳'],
    ['10.0.0.1, 202.96.128.86', '广州']];
  const service = await H.startService(['--source', 'live', '--trust-proxy']);
  try {
    for (const [address, name] of cases) {
      const answer = await H.get(service.port, '/', { 'X-Forwarded-For': address });
      const text = H.cutLocationText(answer.body);
      assert.strictEqual(H.locatedCityName(text), name, address);
      assert.ok(table.byName.has(name));
      assert.match(text, new RegExp(` ${name}市`));
    }
    // Outside China, and the loopback caller itself: nothing of the table.
    for (const headers of [{ 'X-Forwarded-For': '8.8.8.8' }, {}]) {
      assert.ok(!table.byName.has(await locatedName(service.port, headers)), JSON.stringify(headers));
    }
  } finally {
    await service.close();
  }
});

test('a private caller gets the default city, or a page that selects nothing', async () => {
  const cases = [[[], false], [['--default-city', '北京'], '北京'], [['--default-city', '101280101'], '广州']];
  for (const [options, expected] of cases) {
    const service = await H.startService(['--source', 'live', ...options]);
    try {
      // Without the trusted-proxy option the forwarded address is not believed.
      const name = await locatedName(service.port, { 'X-Forwarded-For': '61.139.2.69' });
      if (expected) assert.strictEqual(name, expected);
      else assert.ok(!table.byName.has(name), name);
    } finally {
      await service.close();
    }
  }
});
