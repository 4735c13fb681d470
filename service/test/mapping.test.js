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
    [65, 60, false, 24, '暴雨到大暴雨'],
    [65, 70, false, 11, '大暴雨'],
    [65, 130, false, 25, '大暴雨到特大暴雨'],
    [65, 140, false, 12, '特大暴雨'],
    [80, 4.9, false, 3, '阵雨'],
    [82, 16, false, 9, '大雨'],
    [95, 10, false, 4, '雷阵雨'],
    [96, 0, false, 5, '雷阵雨伴有冰雹'],
    [99, 30, false, 5, '雷阵雨伴有冰雹'],
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
});

test('wind degrees fall in eight sectors of 45 degrees', () => {
  const cases = [[0, '北风'], [22.4, '北风'], [22.5, '东北风'], [67.4, '东北风'], [90, '东风'],
    [135, '东南风'], [180, '南风'], [202.4, '南风'], [225, '西南风'], [270, '西风'], [315, '西北风'],
    [337.4, '西北风'], [337.5, '北风'], [360, '北风'], [-45, '西北风'], [null, ''], ['N', '']];
  for (const [degrees, sector] of cases) assert.strictEqual(M.windSector(degrees), sector, String(degrees));
});

test('km/h give the Beaufort force and its text', () => {
  const cases = [[0, 0, '小于3级', '微风'], [5.9, 1, '小于3级', '微风'], [11.9, 2, '小于3级', '微风'],
    [12, 3, '3-4级', '北风3-4级'], [19.9, 3, '3-4级', '北风3-4级'], [20, 4, '4-5级', '北风4-5级'],
    [38.9, 5, '5-6级', '北风5-6级'], [61.9, 7, '7-8级', '北风7-8级'], [102.9, 10, '10-11级', '北风10-11级'],
    [130, 12, '12级', '北风12级']];
  for (const [kmh, force, text, wind] of cases) {
    assert.strictEqual(M.beaufortForce(kmh), force, `${kmh} km/h`);
    assert.strictEqual(M.forceText(force), text);
    assert.strictEqual(M.windText('北风', force), wind);
  }
  assert.strictEqual(M.beaufortForce(null), null);
  assert.strictEqual(M.forceText(null), '');
  assert.strictEqual(M.windText('东风', null), '东风');
});

test('the living indexes follow their rules', () => {
  const clothing = [[35, '炎热'], [28, '炎热'], [27.9, '热'], [22, '舒适'], [17, '较舒适'], [12, '凉'],
    [6, '较冷'], [-5, '冷'], [-5.1, '寒冷']];
  for (const [mean, word] of clothing) {
    const level = M.clothing(mean);
    assert.strictEqual(level.word, word, `${mean} °C`);
    assert.ok(level.advice.length >= 30 && level.advice.endsWith('。'));
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
