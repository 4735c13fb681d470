'use strict';
// The synthetic source: what the program's tests and offline runs rely on.

const test = require('node:test');
const assert = require('node:assert');
const path = require('path');
const { spawn } = require('child_process');
const iconv = require('iconv-lite');
const H = require('./helpers');
const { loadCityTable } = require('../lib/cityTable');

const table = loadCityTable();

test('every code has a complete, stable report that depends on code and date only', async () => {
  const service = await H.startService(['--date', '2026-12-08']);
  const again = await H.startService(['--date', '2026-12-08']);
  const nextDay = await H.startService(['--date', '2026-12-09']);
  try {
    let changed = 0;
    for (const { name, code } of table.entries) {
      const answer = await H.getReport(service.port, code);
      assert.strictEqual(answer.status, 200, code);
      assert.strictEqual(answer.headers['content-type'], 'application/json; charset=utf-8');
      const info = answer.json.weatherinfo;
      for (const member of [...H.READ_MEMBERS, ...H.EXTRA_MEMBERS]) {
        assert.strictEqual(typeof info[member], 'string', `${code} ${member}`);
      }
      assert.strictEqual(info.city, name);
      assert.strictEqual(info.date_y, '2026年12月8日');
      assert.strictEqual(info.week, '星期二');
      assert.strictEqual(info.date, '十月三十');
      for (let n = 1; n <= 10; ++n) {
        const number = Number(info[`img${n}`]);
        assert.ok(H.PICTURES.has(number) || (n % 2 === 0 && number === 99), `${code} img${n} ${number}`);
      }
      assert.match(info.temp1, /^-?\d+℃~-?\d+℃$/);
      // The day's strongest wind, never two forces.
      for (let n = 1; n <= 5; ++n) assert.match(info[`wind${n}`], /^(微风|[东南西北]{1,2}风\d+-\d+级)$/, `${code} wind${n}`);
      assert.ok(info.index_d.length >= 30);
      assert.deepStrictEqual(answer.body, (await H.get(again.port, `/data/${code}.html`)).body);
      if (!answer.body.equals((await H.get(nextDay.port, `/data/${code}.html`)).body)) ++changed;
    }
    assert.strictEqual(changed, table.entries.length, 'another date gives other reports');
  } finally {
    await Promise.all([service.close(), again.close(), nextDay.close()]);
  }
});

test('the test hook codes answer their broken reports', async () => {
  const service = await H.startService(['--date', '2026-12-08']);
  try {
    const body = async (code) => (await H.get(service.port, `/data/${code}.html`)).body.toString('utf8');
    const kunming = JSON.parse(await body('101290101')).weatherinfo;
    const edited = async (code) => JSON.parse(await body(code)).weatherinfo;
    assert.strictEqual(await body('000000001'), '{}');
    assert.strictEqual(await body('000000002'), '{"weatherinfo": 5}');
    assert.strictEqual(await body('000000003'), '[1,2]');
    const cases = [
      ['000000004', { date_y: 20 }], ['000000005', { img3: '-5' }], ['000000006', { date: null }],
      ['000000007', { img1: 7.5, img2: 6.5, img3: true }], ['000000008', { img1: 'abc' }],
      ['000000011', { temp1: null, weather1: [1, 2], wind1: {}, index_uv: 3, temp2: 1.5, wind2: true }],
      ['000000012', { img1: '99', img2: '99' }],
    ];
    for (const [code, edits] of cases) assert.deepStrictEqual(await edited(code), { ...kunming, ...edits }, code);
    assert.deepStrictEqual(await edited('000000009'), { city: '昆明' });
    const cut = (await H.get(service.port, '/data/000000010.html')).body;
    assert.strictEqual(cut.length, 200);
    assert.throws(() => JSON.parse(cut.toString('utf8')));
    for (const path of ['/data/000000000.html', '/data/.html', '/nothing', '/data/101290101.htm', '/data/abc.html']) {
      const answer = await H.get(service.port, path);
      assert.strictEqual(answer.status, 404, path);
      assert.match(answer.headers['content-type'], /^text\/html/);
      assert.match(answer.body.toString(), /404/);
    }
  } finally {
    await service.close();
  }
});

test('the location page in each shape, asked as the program asks', async () => {
  const programRequest = 'GET / HTTP/1.1\r\nContent-Type: text/html\r\nHost: 127.0.0.1\r\n' +
    'Accept: text/html, */*\r\nUser-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n\r\n';
  const cases = [
    // [options, location text, located name]
    [[], '云南省 昆明市 电信', '昆明'],
    [['--city', '101280101'], /^广东省 广州市 /, '广州'],
    [['--city', '朝阳'], /^北京市 朝阳市 /, '朝阳'],
    [['--location-shape', 'nomarker'], '', ''],
    [['--location-shape', 'noblank'], '云南省昆明市电信', '云南省昆明'],
    [['--location-shape', 'twopieces'], /^云南省 昆明市 电信\r\n查询结果2：参考数据云南省$/, null],
  ];
  for (const [options, text, name] of cases) {
    const service = await H.startService(options);
    try {
      const answer = await H.exchange(service.port, programRequest);
      assert.strictEqual(answer.status, 200);
      assert.strictEqual(answer.headers['content-type'], 'text/html; charset=gbk');
      const located = H.cutLocationText(answer.body);
      if (text instanceof RegExp) assert.match(located, text, options.join(' '));
      else assert.strictEqual(located, text, options.join(' '));
      if (name !== null) assert.strictEqual(H.locatedCityName(located), name);
      assert.ok(iconv.decode(answer.body, 'gbk').includes('[127.0.0.1]'));
    } finally {
      await service.close();
    }
  }
  const failing = await H.startService(['--location-status', '302']);
  try {
    const answer = await H.exchange(failing.port, programRequest);
    assert.strictEqual(answer.statusLine, 'HTTP/1.1 302 Found');
    assert.strictEqual(answer.headers.location, 'http://127.0.0.1/moved');
  } finally {
    await failing.close();
  }
});

test('server.js prints the port it got, stops on /__quit and after its lifetime', async () => {
  const start = (args) => new Promise((resolve, reject) => {
    const child = spawn(process.execPath, [path.join(__dirname, '..', 'server.js'), '--port', '0', ...args]);
    child.stdout.once('data', (line) => {
      const match = /^listening on 127\.0\.0\.1:(\d+)\n$/.exec(line.toString());
      if (match) resolve({ child, port: Number(match[1]) });
      else reject(new Error(`printed ${line}`));
    });
    child.once('error', reject);
  });
  const exited = (child) => new Promise((resolve) => child.once('exit', (code) => resolve(code)));

  const quitting = await start(['--allow-quit']);
  const quit = await H.get(quitting.port, '/__quit');
  assert.strictEqual(quit.body.toString(), 'bye');
  assert.strictEqual(await exited(quitting.child), 0);

  const plain = await start([]);
  assert.strictEqual((await H.get(plain.port, '/__quit')).status, 404);
  plain.child.kill();
  await exited(plain.child);

  const brief = await start(['--lifetime', '0.3']);
  assert.strictEqual(await exited(brief.child), 0);

  const wrong = spawn(process.execPath, [path.join(__dirname, '..', 'server.js'), '--city', '巴黎']);
  assert.strictEqual(await exited(wrong), 2);
});
