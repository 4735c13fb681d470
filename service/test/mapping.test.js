'use strict';
// The rules that turn forecast numbers into report words.

const test = require('node:test');
const assert = require('node:assert');
const M = require('../lib/mapping');

test('forecast codes and amounts give picture numbers and their words', () => {
  const cases = [
    // [code, amount over 12 h, mixed, picture, words]
    [0, 0, false, 0, '晴'],
    [1, 0, false, 0, '晴'],
    [2, 0, false, 1, '多云'],
    [3, 0, false, 2, '阴'],
    [45, 0, false, 18, '雾'],
    [48, 0, false, 18, '雾'],
    [51, 0.3, false, 7, '小雨'],
    [61, 3.9, false, 7, '小雨'],
    [61, 4.0, false, 21, '小到中雨'],
    [63, 5, false, 8, '中雨'],
    [63, 12.5, false, 22, '中到大雨'],
    [65, 15, false, 9, '大雨'],
    [65, 28, false, 23, '大到暴雨'],
    [65, 30, false, 10, '暴雨'],
    [65, 60, false, 24, '大暴雨'],
    [65, 70, false, 11, '大暴雨'],
    [65, 130, false, 25, '特大暴雨'],
    [65, 140, false, 12, '特大暴雨'],
    [80, 4.9, false, 3, '阵雨'],
    [82, 16, false, 9, '大雨'],
    [95, 10, false, 4, '雷阵雨'],
    [96, 0, false, 5, '雷雨冰雹'],
    [99, 30, false, 5, '雷雨冰雹'],
    [56, 1, false, 19, '冻雨'],
    [67, 8, false, 19, '冻雨'],
    [71, 0.5, false, 14, '小雪'],
    [71, 0.9, false, 26, '小到中雪'],
    [73, 2, false, 15, '中雪'],
    [73, 2.5, false, 27, '中到大雪'],
    [75, 4, false, 16, '大雪'],
    [75, 5.5, false, 28, '大到暴雪'],
    [75, 9, false, 17, '暴雪'],
    [77, 0.1, false, 14, '小雪'],
    [85, 0.5, false, 13, '阵雪'],
    [86, 2, false, 15, '中雪'],
    [73, 2, true, 6, '雨夹雪'],
  ];
  for (const [code, amount, mixed, picture, words] of cases) {
    const got = M.pictureOf({ code, amount, mixed });
    assert.strictEqual(got, picture, `code ${code}, ${amount} mm`);
    assert.strictEqual(M.titleOf(got), words);
  }
  // A whole day's amount uses bands twice as wide.
  assert.strictEqual(M.pictureOf({ code: 63, amount: 20, hours: 24 }), 8);
  assert.strictEqual(M.pictureOf({ code: 63, amount: 20, hours: 12 }), 9);
  // Nothing to make a picture from.
  for (const code of [null, undefined, 'rain', 4, 100, -1, NaN]) {
    assert.strictEqual(M.pictureOf({ code, amount: 1 }), null, String(code));
  }
  assert.strictEqual(M.titleOf(53), '霾');
  assert.strictEqual(M.titleOf(null), '');
  assert.strictEqual(M.weatherWords('小雨', '多云'), '小雨转多云');
  assert.strictEqual(M.weatherWords('晴', '晴'), '晴');
  assert.strictEqual(M.weatherWords('', '阴'), '阴');
  // Two words and a blank fit a day column of the program's table.
  for (const number of [...M.TITLES.keys(), 53]) assert.ok(M.titleOf(number).length <= 4, String(number));
});

test('wind degrees fall in eight sectors of 45 degrees', () => {
  const cases = [[0, '北风'], [22.4, '北风'], [22.5, '东北风'], [67.4, '东北风'], [90, '东风'],
    [135, '东南风'], [180, '南风'], [202.4, '南风'], [225, '西南风'], [270, '西风'], [315, '西北风'],
    [337.4, '西北风'], [337.5, '北风'], [360, '北风'], [-45, '西北风'], [null, ''], ['N', '']];
  for (const [degrees, sector] of cases) assert.strictEqual(M.windSector(degrees), sector, String(degrees));
});

test('m/s give the national standard\'s wind force, at and around every bound', () => {
  const bounds = [
    // [force, last printed speed of force - 1, a speed between, first printed speed, next]
    [1, 0.2, 0.25, 0.3, 0.4], [2, 1.5, 1.55, 1.6, 1.7], [3, 3.3, 3.35, 3.4, 3.5],
    [4, 5.4, 5.45, 5.5, 5.6], [5, 7.9, 7.95, 8.0, 8.1], [6, 10.7, 10.75, 10.8, 10.9],
    [7, 13.8, 13.85, 13.9, 14.0], [8, 17.1, 17.15, 17.2, 17.3], [9, 20.7, 20.75, 20.8, 20.9],
    [10, 24.4, 24.45, 24.5, 24.6], [11, 28.4, 28.45, 28.5, 28.6], [12, 32.6, 32.65, 32.7, 32.8],
    [13, 36.9, 36.95, 37.0, 37.1], [14, 41.4, 41.45, 41.5, 41.6], [15, 46.1, 46.15, 46.2, 46.3],
    [16, 50.9, 50.95, 51.0, 51.1], [17, 56.0, 56.05, 56.1, 56.2],
  ];
  for (const [force, last, between, first, next] of bounds) {
    assert.strictEqual(M.beaufortForce(last), force - 1, `${last} m/s`);
    assert.strictEqual(M.beaufortForce(between), force - 1, `${between} m/s`);
    assert.strictEqual(M.beaufortForce(first), force, `${first} m/s`);
    assert.strictEqual(M.beaufortForce(next), force, `${next} m/s`);
  }
  for (const [ms, force] of [[0, 0], [0.1, 0], [61.2, 17], [75, 17]]) {
    assert.strictEqual(M.beaufortForce(ms), force, `${ms} m/s`);
  }
  for (const ms of [-0.1, NaN, Infinity, null, undefined, '5']) {
    assert.strictEqual(M.beaufortForce(ms), null, String(ms));
  }
});

test('a force gives the report\'s texts, which stop at 12级', () => {
  const cases = [[0, '小于3级', '微风'], [2, '小于3级', '微风'], [3, '3-4级', '北风3-4级'],
    [7, '7-8级', '北风7-8级'], [11, '11-12级', '北风11-12级'], [12, '12级', '北风12级'],
    [13, '12级', '北风12级'], [17, '12级', '北风12级'], [null, '', '北风']];
  for (const [force, text, wind] of cases) {
    assert.strictEqual(M.forceText(force), text, String(force));
    assert.strictEqual(M.windText('北风', force), wind, String(force));
  }
});

test('temperatures round half away from zero', () => {
  const cases = [[2.5, 3], [-2.5, -3], [2.4, 2], [-2.4, -2], [2.6, 3], [-2.6, -3], [0.5, 1],
    [-0.5, -1], [-0.4, 0], [0, 0], [-0, 0], [36.5, 37], [-12.5, -13], [1.4999, 1],
    [2.49999999, 2], [2.4999999999999996, 3], [-2.4999999999999996, -3],
    [0.7 - 0.2, 1], [0.6 - 4.1, -4], [7, 7], [null, null], [NaN, null], ['3', null]];
  for (const [value, whole] of cases) {
    // Object.is tells 0 from -0, which String() would print as "0" too.
    assert.ok(Object.is(M.roundHalfAway(value), whole), `${value} -> ${M.roundHalfAway(value)}`);
  }
});

test('the living indexes follow their rules', () => {
  const clothing = [[35, '炎热'], [28, '炎热'], [27.9, '热'], [22, '舒适'], [17, '较舒适'], [12, '凉'],
    [6, '较冷'], [-5, '冷'], [-5.1, '寒冷']];
  for (const [mean, word] of clothing) {
    const level = M.clothing(mean);
    assert.strictEqual(level.word, word, `${mean} °C`);
    // One line of the program's index block.
    assert.ok(level.advice.length >= 20 && level.advice.length <= 36 && level.advice.endsWith('。'), level.advice);
  }
  assert.deepStrictEqual(M.clothing(null), { word: '', advice: '' });
  assert.strictEqual(new Set(M.CLOTHING.map((level) => level.advice)).size, 8);

  const uv = [[0, '最弱'], [2.9, '最弱'], [3, '弱'], [5, '中等'], [7, '强'], [10, '很强'], [null, '']];
  for (const [index, word] of uv) assert.strictEqual(M.uvLevel(index), word, String(index));

  const day = (more) => ({ mean: 20, force: 2, picture: 0, wet: false, chance: 0, ...more });
  const cases = [
    // [day, exercise, comfort, drying, travel]
    [day({}), '适宜', '舒适', '适宜', '适宜'],
    [day({ picture: 1 }), '较适宜', '舒适', '基本适宜', '适宜'],
    [day({ picture: 2, mean: 8 }), '较适宜', '较不舒适', '不太适宜', '较适宜'],
    [day({ picture: 7, wet: true }), '不宜', '舒适', '不宜', '一般'],
    [day({ picture: 10, wet: true }), '不宜', '舒适', '不宜', '较不宜'],
    [day({ picture: 18 }), '不宜', '舒适', '不太适宜', '适宜'],
    [day({ mean: -3 }), '较不宜', '很不舒适', '适宜', '较适宜'],
    [day({ force: 4 }), '较不宜', '舒适', '适宜', '适宜'],
    [day({ force: 6, mean: 27 }), '不宜', '较不舒适', '适宜', '较不宜'],
    [day({ chance: 80 }), '适宜', '舒适', '不宜', '适宜'],
    [day({ mean: 33 }), '适宜', '很不舒适', '适宜', '较适宜'],
  ];
  for (const [d, exercise, comfort, drying, travel] of cases) {
    const what = JSON.stringify(d);
    assert.strictEqual(M.exerciseIndex(d), exercise, `exercise ${what}`);
    assert.strictEqual(M.comfortIndex(d), comfort, `comfort ${what}`);
    assert.strictEqual(M.dryingIndex(d), drying, `drying ${what}`);
    assert.strictEqual(M.travelIndex(d), travel, `travel ${what}`);
  }
});

test('dates: the header texts and the lunar date', () => {
  const cases = [['2024-02-10', '正月初一', '2024年2月10日', '星期六'],
    ['2025-01-29', '正月初一', '2025年1月29日', '星期三'],
    ['2026-02-17', '正月初一', '2026年2月17日', '星期二'],
    ['2023-04-01', '闰二月十一', '2023年4月1日', '星期六'],
    ['2026-12-08', '十月三十', '2026年12月8日', '星期二'],
    ['2025-12-20', '冬月初一', '2025年12月20日', '星期六']];
  for (const [text, lunar, dateY, week] of cases) {
    const day = M.parseDay(text);
    assert.strictEqual(M.lunarDate(day), lunar, text);
    assert.strictEqual(M.dateY(day), dateY);
    assert.strictEqual(M.weekday(day), week);
  }
  assert.strictEqual(M.parseDay('2026-02-30'), null);
  assert.deepStrictEqual(M.addDays(M.parseDay('2026-12-31'), 1), { year: 2027, month: 1, day: 1 });
  // 16:30 UTC is already the next day in China.
  assert.deepStrictEqual(M.chinaToday(Date.UTC(2026, 11, 7, 16, 30)), { year: 2026, month: 12, day: 8 });
});

test('haze and dust grades from the air, by the bounds of their rules', () => {
  // Dust bounds in µg/m³ (visibility 10 km, 1 km, 0.5 km): 189.2, 933, 1535.
  const cases = [
    // [picture, air, force, expected]
    [0, { pm25: 76 }, 2, 53], [0, { pm25: 75 }, 2, 0], [2, { pm25: 300 }, 5, 53],
    [18, { pm25: 300 }, 2, 18], [7, { pm25: 300, dust: 3000 }, 2, 7], [19, { dust: 3000 }, 2, 19],
    [1, { dust: 189 }, 2, 1], [1, { dust: 190 }, 3, 29], [1, { dust: 190 }, 4, 30], [2, { dust: 932 }, 6, 30],
    [2, { dust: 934 }, 2, 20], [18, { dust: 1534 }, 2, 20], [18, { dust: 1536 }, 2, 31], [null, { dust: 9000 }, null, 31],
    [1, {}, 2, 1], [null, { pm25: null, dust: null }, 2, null],
  ];
  for (const [picture, air, force, expected] of cases) {
    assert.strictEqual(M.pictureWithAir(picture, air, force), expected, `${picture} ${JSON.stringify(air)} ${force}`);
  }
  assert.ok(Math.abs(M.visibilityKm(933) - 1) < 0.01 && Math.abs(M.visibilityKm(189.2) - 10) < 0.05);
  // Rain and snow together, as the second source's sleet: 雨夹雪.
  for (const code of [68, 69, 83, 84]) assert.strictEqual(M.pictureOf({ code, amount: 2 }), 6, String(code));
});
