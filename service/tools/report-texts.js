#!/usr/bin/env node
'use strict';
// Writes, one report a line, reports that between them hold every text each
// source can write into a member the program's windows show, from the
// service's own tables and rules: every wind, force, direction, picture
// words pair, clothing advice, index word, date and lunar date. The first
// report of each source holds the longest text of every member. Non-ASCII
// characters are written as \u escapes, so the lines are ASCII (and GBK).
// The program's Windows test tests/windows/TextFitTest.cpp displays each
// report and measures the texts against the windows' frames.

const M = require('../lib/mapping');
const { FORCES } = require('../lib/synthetic');
const { loadCityTable } = require('../lib/cityTable');

const distinct = (list) => [...new Set(list)];
const range = (from, to) => Array.from({ length: to - from + 1 }, (_, i) => from + i);
// The longest first, so that report 0 holds them.
const longestFirst = (list) => distinct(list).sort((a, b) => b.length - a.length);
// Of texts of full-width characters and digits, those of the most characters
// are the widest: the long lists keep only those.
const longestOnly = (list) => {
  const most = Math.max(...list.map((text) => text.length));
  return distinct(list.filter((text) => text.length === most));
};

const PICTURES = [...M.TITLES.keys(), 53];
const LIVE_FORCES = [null, ...range(0, 17)];

// Every distinct outcome of an index rule over the days the rules tell apart.
function outcomes(rule) {
  const found = [];
  for (const mean of [null, -30, -3, 0, 5, 10, 15, 18, 20, 25, 26, 28, 30, 33, 40]) {
    for (const force of [null, 0, 2, 3, 4, 5, 6, 8, 12, 17]) {
      for (const picture of [null, ...PICTURES]) {
        for (const wet of [false, true]) {
          for (const chance of [null, 0, 80]) found.push(rule({ mean, force, picture, wet, chance }));
        }
      }
    }
  }
  return distinct(found);
}

function dates(fromYear, toYear, text) {
  const found = [];
  for (let day = { year: fromYear, month: 1, day: 1 }; day.year <= toYear; day = M.addDays(day, 1)) {
    found.push(text(day));
  }
  return found;
}

// The texts of each member a window shows, for one source.
function candidates(source) {
  const live = source === 'live';
  const forces = live ? LIVE_FORCES : FORCES;
  const directions = live ? [...M.DIRECTIONS, ''] : M.DIRECTIONS;
  const words = live ? [...PICTURES.map(M.titleOf), ''] : PICTURES.map(M.titleOf);
  const temperatures = [-50, -45, -18, -9, 0, 9, 18, 38, 45, 50];
  const pairs = (list, join) => list.flatMap((a) => list.map((b) => join(a, b)));
  return {
    city: longestOnly(loadCityTable().entries.map((entry) => entry.name)),
    date_y: longestOnly(dates(2026, 2027, M.dateY)),
    date: longestOnly(dates(2020, 2040, M.lunarDate)),
    week: M.WEEKDAYS,
    temp: pairs(temperatures, (high, low) => (high < low ? null : `${high}℃~${low}℃`)).filter(Boolean),
    weather: pairs(words, M.weatherWords),
    titles: pairs(words, (day, night) => [day, night]),
    wind: directions.flatMap((direction) => forces.map((force) => M.windText(direction, force))),
    fx: live ? directions : [...directions, '无持续风向'],
    fl: forces.map(M.forceText),
    clothing: [...M.CLOTHING, { word: '', advice: '' }],
    uv: distinct([...range(0, 15).map(M.uvLevel), '最弱', '弱', '中等', '强']),
    index_cl: outcomes(M.exerciseIndex),
    index_co: outcomes(M.comfortIndex),
    index_ls: outcomes(M.dryingIndex),
    index_tr: outcomes(M.travelIndex),
  };
}

function reports(source) {
  const found = candidates(source);
  const lists = {};
  for (const [member, list] of Object.entries(found)) {
    lists[member] = member === 'titles' ?
      distinct(list.map((pair) => pair.join('\u0000'))).map((pair) => pair.split('\u0000'))
        .sort((a, b) => b.join(' ').length - a.join(' ').length) :
      member === 'clothing' ? [...list].sort((a, b) => b.advice.length - a.advice.length) :
        longestFirst(list);
  }
  // A per-day member takes five texts a report, the others one.
  const perDay = new Set(['temp', 'weather', 'titles', 'wind', 'fl']);
  const count = Math.max(...Object.entries(lists).map(([member, list]) =>
    Math.ceil(list.length / (perDay.has(member) ? 5 : 1))));
  const out = [];
  for (let i = 0; i < count; ++i) {
    const take = (member, k = 0) => lists[member][(i * (perDay.has(member) ? 5 : 1) + k) % lists[member].length];
    const info = { city: take('city'), date_y: take('date_y'), date: take('date'), week: take('week') };
    for (let n = 1; n <= 5; ++n) {
      info[`temp${n}`] = take('temp', n - 1);
      info[`weather${n}`] = take('weather', n - 1);
      [info[`img_title${2 * n - 1}`], info[`img_title${2 * n}`]] = take('titles', n - 1);
      info[`img${2 * n - 1}`] = '0';
      info[`img${2 * n}`] = '1';
      info[`wind${n}`] = take('wind', n - 1);
      info[`fl${n}`] = take('fl', n - 1);
    }
    info.fx1 = take('fx');
    info.fx2 = lists.fx[(i + 1) % lists.fx.length];
    const [first, second] = [take('clothing'), lists.clothing[(i + 1) % lists.clothing.length]];
    Object.assign(info, { index: first.word, index_d: first.advice, index48: second.word, index48_d: second.advice });
    info.index_uv = take('uv');
    info.index48_uv = lists.uv[(i + 1) % lists.uv.length];
    for (const member of ['index_cl', 'index_co', 'index_ls', 'index_tr']) info[member] = take(member);
    out.push({ source, weatherinfo: info });
  }
  return out;
}

const ascii = (text) => text.replace(/[\u0080-\uffff]/g, (c) => `\\u${c.charCodeAt(0).toString(16).padStart(4, '0')}`);
// To the file named on the command line, or to stdout.
const lines = ['synthetic', 'live'].flatMap((source) => reports(source))
  .map((report) => `${ascii(JSON.stringify(report))}\n`).join('');
if (process.argv[2]) require('fs').writeFileSync(process.argv[2], lines);
else process.stdout.write(lines);
