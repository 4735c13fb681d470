'use strict';
// The synthetic source: made-up but stable reports for every code of the
// table (they follow from the code and the date of each forecast day only),
// and the test hook codes 000000001 ... 000000012 that the program's tests
// use to meet broken reports.

const crypto = require('crypto');
const M = require('./mapping');
const { groupOf } = require('./cityTable');
const { assembleReport } = require('./report');
const { syntheticPage } = require('./location');

// A small deterministic generator (sfc32) seeded from SHA-256 of its parts.
function randomFor(...parts) {
  const digest = crypto.createHash('sha256').update(parts.join('/')).digest();
  let a = digest.readUInt32LE(0); let b = digest.readUInt32LE(4);
  let c = digest.readUInt32LE(8); let d = digest.readUInt32LE(12);
  const next = () => {
    const t = (((a + b) >>> 0) + d) >>> 0;
    d = (d + 1) >>> 0;
    a = b ^ (b >>> 9);
    b = (c + (c << 3)) >>> 0;
    c = ((c << 21) | (c >>> 11)) >>> 0;
    c = (c + t) >>> 0;
    return t / 4294967296;
  };
  const rng = {
    random: next,
    uniform: (low, high) => low + (high - low) * next(),
    choice: (list) => list[Math.floor(next() * list.length)],
    integer: (low, high) => low + Math.floor(next() * (high - low + 1)),
    pick(weighted) {
      const total = weighted.reduce((sum, [, weight]) => sum + weight, 0);
      let x = next() * total;
      for (const [value, weight] of weighted) {
        x -= weight;
        if (x < 0) return value;
      }
      return weighted[weighted.length - 1][0];
    },
  };
  return rng;
}

// Rough climate per group: yearly mean (°C), half the seasonal swing, how often it rains or snows.
const CLIMATE = {
  '01': [12, 15, 0.30], '02': [17, 11, 0.55], '03': [13, 15, 0.30], '04': [18, 10, 0.55],
  '05': [3, 21, 0.35], '06': [5, 19, 0.35], '07': [8, 17, 0.35], '08': [5, 18, 0.20],
  '09': [12, 15, 0.30], '10': [10, 14, 0.30], '11': [13, 13, 0.35], '12': [14, 13, 0.35],
  '13': [8, 18, 0.15], '14': [7, 10, 0.20], '15': [4, 11, 0.25], '16': [8, 13, 0.20],
  '17': [9, 14, 0.20], '18': [15, 13, 0.40], '19': [16, 12, 0.50], '20': [17, 12, 0.55],
  '21': [17, 11, 0.55], '22': [16, 12, 0.50], '23': [20, 8, 0.55], '24': [18, 11, 0.55],
  '25': [18, 11, 0.55], '26': [15, 9, 0.60], '27': [16, 9, 0.55], '28': [22, 7, 0.55],
  '29': [16, 5, 0.45], '30': [21, 7, 0.55], '31': [25, 4, 0.55], '34': [23, 5, 0.55],
};
const DRY_GROUPS = new Set(['08', '13', '14', '15', '16', '17', '10', '01', '03', '09']);
const FORCES = [2, 3, 4, 5];

function dayOfYear(day) {
  return (Date.UTC(day.year, day.month - 1, day.day) - Date.UTC(day.year, 0, 0)) / 86400000;
}

// One forecast day of a city: temperatures, pictures, wind.
function dayWeather(code, day) {
  const group = groupOf(code);
  let [mean, swing, wet] = CLIMATE[group] || [15, 10, 0.4];
  mean += randomFor(code).uniform(-2.5, 2.5);
  const rng = randomFor(code, M.dayText(day));
  const season = -Math.cos((2 * Math.PI * (dayOfYear(day) - 20)) / 365.25);  // -1 mid-January
  const dayMean = mean + swing * season + rng.uniform(-3, 3);
  const spread = rng.uniform(3, 7);
  const high = Math.round(dayMean + spread);
  let low = Math.round(dayMean - spread);
  if (low >= high) low = high - 1;

  const wetChance = wet * (0.5 + 0.5 * Math.max(0, season)) + 0.1;
  const dusty = DRY_GROUPS.has(group) && season < 0.3;
  let picture;
  if (rng.random() < wetChance) {
    if (dayMean < -1) {
      picture = rng.pick([[13, 2], [14, 4], [15, 3], [16, 2], [17, 1], [26, 1], [27, 1], [28, 1]]);
    } else if (dayMean < 3) {
      picture = rng.pick([[6, 4], [13, 2], [14, 3], [19, 1], [7, 2]]);
    } else if (dayMean < 18) {
      picture = rng.pick([[3, 3], [7, 5], [8, 2], [9, 1], [21, 2], [22, 1], [4, 1]]);
    } else {
      picture = rng.pick([[3, 4], [4, 4], [5, 1], [7, 3], [8, 2], [9, 2], [10, 1], [11, 1],
        [12, 0.5], [21, 1], [22, 1], [23, 1], [24, 0.5], [25, 0.3]]);
    }
  } else {
    const others = [[0, 6], [1, 7], [2, 3], [18, 0.6], [53, 0.6]];
    if (dusty) others.push([29, 0.6], [30, 0.6], [20, 0.3], [31, 0.15]);
    picture = rng.pick(others);
  }
  let night;
  if (rng.random() < 0.55) night = picture;
  else if ([0, 1, 2].includes(picture)) night = rng.pick([[0, 3], [1, 3], [2, 2]]);
  else if ([3, 4, 5].includes(picture)) night = rng.pick([[1, 3], [2, 2], [3, 2], [7, 2]]);
  else night = rng.pick([[1, 2], [2, 3], [picture, 3]]);

  let direction = rng.choice(M.DIRECTIONS);
  const force = rng.pick([[FORCES[0], 5], [FORCES[1], 4], [FORCES[2], 2], [FORCES[3], 1]]);
  // The day's strongest wind, as the live source writes it: 微风 up to force 2.
  const wind = M.windText(direction, force);
  if (force <= 2 && rng.random() < 0.4) direction = '无持续风向';
  return {
    high, low, picture, night, wind, direction, force, mean: dayMean,
    // The old service wrote 99 for a night like its day; the program shows picture 1 then.
    nightAs99: night === picture && rng.random() < 0.5,
  };
}

function uvWord(picture, mean, rng) {
  if (picture === 0) return mean > 20 ? '强' : '中等';
  if (picture === 1) return mean > 20 ? '中等' : '弱';
  if ([2, 18, 53, 29, 30, 20, 31].includes(picture)) return '弱';
  return rng.choice(['最弱', '弱']);
}

// The report of one city on `today` ({year, month, day}), as an object.
function makeReport(name, code, today) {
  const days = [0, 1, 2, 3, 4, 5].map((i) => dayWeather(code, M.addDays(today, i)));
  for (const d of days) {
    d.wet = M.isWetPicture(d.picture) || M.isWetPicture(d.night);
    if (d.nightAs99) d.nightImage = '99';
  }
  const rng = randomFor(code, M.dayText(today), 'index');
  const [d1, d2] = days;
  // Drawn in this order: the reports stay what they were.
  const uv = [uvWord(d1.picture, d1.mean, rng), uvWord(d2.picture, d2.mean, rng)];
  const washing = d1.wet || M.isWetPicture(d2.picture) ? '不宜' : rng.choice(['适宜', '较适宜']);
  const allergy = rng.choice(['极不易发', '不易发', '较易发']);
  const feels = days.slice(0, 3).flatMap((d) => [String(d.high - rng.integer(0, 2)), String(d.low + rng.integer(0, 2))]);
  return assembleReport({ name, code, today, fchh: '11', days, uv, washing, allergy, feels });
}

const KUNMING = '101290101';
// The test hook codes, 000000001 ... 000000012.
const HOOKS = new Set(Array.from({ length: 12 }, (_, i) => String(i + 1).padStart(9, '0')));

// The test hooks: body bytes for a hook code, or null.
function hookReport(code, table, today) {
  const kunming = table.byCode.get(KUNMING) || '昆明';
  const base = () => makeReport(kunming, KUNMING, today);
  const encoded = (object) => Buffer.from(JSON.stringify(object), 'utf8');
  switch (code) {
    case '000000001': return Buffer.from('{}');
    case '000000002': return Buffer.from('{"weatherinfo": 5}');
    case '000000003': return Buffer.from('[1,2]');
    case '000000009': return encoded({ weatherinfo: { city: kunming } });
    case '000000010': return encoded(base()).subarray(0, 200);  // cut off: no JSON
    default: break;
  }
  const edits = {
    '000000004': { date_y: 20 },
    '000000005': { img3: '-5' },
    '000000006': { date: null },
    '000000007': { img1: 7.5, img2: 6.5, img3: true },
    '000000008': { img1: 'abc' },
    '000000011': { temp1: null, weather1: [1, 2], wind1: {}, index_uv: 3, temp2: 1.5, wind2: true },
    '000000012': { img1: '99', img2: '99' },
  };
  if (!edits[code]) return null;
  const report = base();
  Object.assign(report.weatherinfo, edits[code]);
  return encoded(report);
}

// The synthetic source: reports and location pages made up from the table,
// the same all day, so each is made once a day and kept. Both kinds are
// bounded: reports by the codes that have one, pages by the callers'
// addresses (a few on a test machine; at most 1,000 kept).
class SyntheticSource {
  // `options` as parseOptions makes them: the table, the city the location
  // page names, its shape, and a fixed date if any.
  constructor(options) {
    this.table = options.table;
    this.city = options.city;
    this.locationShape = options.locationShape;
    this.date = options.date;
    this.kept = { day: '', reports: new Map(), pages: new Map() };
  }

  start() {}

  stop() {
    return Promise.resolve();
  }

  // The machine's own day, as the program's clock has it for days 2 to 5.
  today() {
    return this.date || M.localToday();
  }

  has(code) {
    return this.table.byCode.has(code) || HOOKS.has(code);
  }

  // undefined: not a place served.
  report(code, today) {
    if (!this.has(code)) return undefined;
    return this.keep('reports', code, today, () => {
      const body = hookReport(code, this.table, today) ||
        (this.table.byCode.has(code) ? Buffer.from(JSON.stringify(makeReport(this.table.byCode.get(code), code, today)), 'utf8') : null);
      return body && { body };
    });
  }

  locationPage(address) {
    return this.keep('pages', address, this.today(), () =>
      syntheticPage(this.city.name, this.city.code, address, this.locationShape));
  }

  health() {
    return { ok: true, text: 'ok: made-up reports' };
  }

  keep(kind, key, today, make) {
    const day = M.dayText(today);
    if (day !== this.kept.day) this.kept = { day, reports: new Map(), pages: new Map() };
    const kept = this.kept[kind];
    if (kept.has(key)) return kept.get(key);
    const made = make();
    if (made !== null && (kind === 'reports' || kept.size < 1000)) kept.set(key, made);
    return made;
  }
}

module.exports = { makeReport, hookReport, randomFor, SyntheticSource, KUNMING, FORCES };
