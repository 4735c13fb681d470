'use strict';
// What the tests share: a service in this process on a free loopback port,
// raw HTTP exchanges, and the program's own cutting of the location page.

const fs = require('fs');
const net = require('net');
const os = require('os');
const path = require('path');
const iconv = require('iconv-lite');
const { parseOptions } = require('../lib/options');
const { WeatherService } = require('../lib/app');

// `extra` sets what has no command-line option (an injected clock `now`).
// The log stays quiet unless asked for; a live source's store goes to a
// fresh temporary file unless --store is given.
async function startService(args = [], extra = {}) {
  const words = ['--port', '0', '--log', 'off', ...args];
  if (words.includes('live') && !words.includes('--store')) {
    words.push('--store', path.join(fs.mkdtempSync(path.join(os.tmpdir(), 'weather-store-')), 'forecasts.json'));
  }
  const options = { ...parseOptions(words), ...extra };
  const service = new WeatherService(options);
  const { port } = await service.listen(0, '127.0.0.1');
  service.port = port;
  return service;
}

// Sends raw bytes and collects the answer until the server closes, or until
// one whole answer (by Content-Length) has arrived when `untilComplete`.
function exchange(port, request, { untilComplete = true, timeoutMs = 5000 } = {}) {
  return new Promise((resolve, reject) => {
    const socket = net.connect(port, '127.0.0.1');
    const chunks = [];
    let settled = false;
    const done = () => {
      if (settled) return;
      settled = true;
      clearTimeout(timer);
      socket.destroy();
      resolve(parseAnswer(Buffer.concat(chunks)));
    };
    const timer = setTimeout(() => {
      settled = true;
      socket.destroy();
      reject(new Error(`no complete answer within ${timeoutMs} ms`));
    }, timeoutMs);
    socket.on('connect', () => socket.write(request));
    socket.on('data', (chunk) => {
      chunks.push(chunk);
      if (untilComplete && parseAnswer(Buffer.concat(chunks)).complete) done();
    });
    socket.on('end', done);
    socket.on('error', (error) => (chunks.length ? done() : (settled = true, clearTimeout(timer), reject(error))));
  });
}

function parseAnswer(bytes) {
  const end = bytes.indexOf('\r\n\r\n');
  if (end < 0) return { complete: false, raw: bytes };
  const lines = bytes.subarray(0, end).toString('latin1').split('\r\n');
  const status = Number(lines[0].split(' ')[1]);
  const headers = {};
  for (const line of lines.slice(1)) {
    const colon = line.indexOf(':');
    headers[line.slice(0, colon).toLowerCase()] = line.slice(colon + 1).trim();
  }
  const body = bytes.subarray(end + 4);
  const length = headers['content-length'] === undefined ? null : Number(headers['content-length']);
  return { complete: length === null ? false : body.length >= length, status, statusLine: lines[0], headers, body, raw: bytes };
}

function get(port, path, headers = {}) {
  const lines = [`GET ${path} HTTP/1.1`, 'Host: 127.0.0.1',
    ...Object.entries(headers).map(([k, v]) => `${k}: ${v}`), 'Connection: close', '', ''];
  return exchange(port, lines.join('\r\n'));
}

async function getReport(port, code, headers = {}) {
  const answer = await get(port, `/data/${code}.html`, headers);
  return { ...answer, json: answer.status === 200 ? JSON.parse(answer.body.toString('utf8')) : null };
}

// The program's cut of a location page (bytes) to its location text, then
// to the located city name (both as text).
function cutLocationText(page) {
  const marker = iconv.encode('查询结果', 'gbk');
  const end = Buffer.from('</span>');
  const at = page.indexOf(marker);
  let window = at >= 0 ? page.subarray(at, at + 254) : page.subarray(0, 254);
  let gathered = Buffer.alloc(0);
  while (window.indexOf(marker) >= 0) {
    const e = window.indexOf(end);
    const m = window.indexOf(marker);
    if (e < 0) break;
    gathered = Buffer.concat([gathered, e > m ? window.subarray(m, e) : Buffer.alloc(0), Buffer.from('\r\n')]);
    window = window.subarray(e + 1);
  }
  let text = iconv.decode(gathered, 'gbk').split('&nbsp;').join('');
  const dash = text.indexOf('-');
  if (dash >= 0) text = text.slice(dash + 1);
  return text.replace(/^[\x00-\x20]+|[\x00-\x20]+$/g, '');
}

function locatedCityName(text) {
  const blank = text.indexOf(' ');
  const after = blank >= 0 ? text.slice(blank + 1) : text;
  return after.split('市')[0];
}

// Every member the program reads, with the other members the reports carry.
const READ_MEMBERS = ['city', 'date_y', 'date', 'week', 'fx1', 'fx2', 'index', 'index_d', 'index48',
  'index48_d', 'index_uv', 'index48_uv', 'index_cl', 'index_co', 'index_ls', 'index_tr',
  ...[1, 2, 3, 4, 5].flatMap((n) => [`temp${n}`, `weather${n}`, `wind${n}`, `fl${n}`]),
  ...[1, 2, 3, 4, 5, 6, 7, 8, 9, 10].flatMap((n) => [`img${n}`, `img_title${n}`])];
const EXTRA_MEMBERS = ['city_en', 'cityid', 'fchh', 'img_single', 'img_title_single', 'index_xc',
  'index_ag', 'sd', ...[1, 2, 3, 4, 5].map((n) => `tempF${n}`), ...[1, 2, 3, 4, 5, 6].map((n) => `st${n}`)];
const PICTURES = new Set([...Array(32).keys(), 53]);

module.exports = {
  startService, exchange, get, getReport, cutLocationText, locatedCityName, READ_MEMBERS,
  EXTRA_MEMBERS, PICTURES,
};
