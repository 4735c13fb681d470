#!/usr/bin/env node
'use strict';
// The weather viewer's web service: the location page (GET /) and the
// weather reports (GET /data/<code>.html), from made-up data (--source
// synthetic, for tests and offline runs) or from real forecasts (--source
// live). service/README.md describes every option.

const path = require('path');
const { parseArgs } = require('util');
const { loadCityTable } = require('./lib/cityTable');
const { WeatherService } = require('./lib/app');
const M = require('./lib/mapping');

const USAGE = `usage: node service/server.js [--source synthetic|live] [--port N] [--host ADDRESS]
  synthetic: [--city NAME|CODE] [--location-status CODE] [--location-shape normal|nomarker|noblank|twopieces]
  live:      [--forecast-url BASE] [--default-city NAME|CODE] [--trust-proxy] [--coordinates FILE]
             [--fresh SECONDS] [--stale SECONDS] [--upstream-timeout SECONDS] [--upstream-concurrency N]
             [--upstream-per-minute N] [--upstream-per-hour N] [--upstream-per-day N] [--upstream-call-weight W]
  both:      [--date YYYY-MM-DD] [--lifetime SECONDS] [--allow-quit] [--verbose]
             [--head-timeout SECONDS] [--idle-timeout SECONDS] [--max-connections N]
             [--max-connections-per-address N] [--max-request-line BYTES] [--max-head BYTES]`;

const OPTIONS = {
  source: { type: 'string', default: 'synthetic' },
  port: { type: 'string', default: '0' },
  host: { type: 'string', default: '127.0.0.1' },
  city: { type: 'string', default: '昆明' },
  'location-status': { type: 'string' },
  'location-shape': { type: 'string', default: 'normal' },
  date: { type: 'string' },
  lifetime: { type: 'string', default: '0' },
  'allow-quit': { type: 'boolean', default: false },
  verbose: { type: 'boolean', default: false },
  'forecast-url': { type: 'string', default: 'https://api.open-meteo.com' },
  'default-city': { type: 'string' },
  'trust-proxy': { type: 'boolean', default: false },
  coordinates: { type: 'string', default: path.join(__dirname, 'data', 'coordinates.json') },
  fresh: { type: 'string', default: '1800' },
  stale: { type: 'string', default: '86400' },
  'upstream-timeout': { type: 'string', default: '10' },
  'upstream-concurrency': { type: 'string', default: '4' },
  'upstream-per-minute': { type: 'string', default: '600' },
  'upstream-per-hour': { type: 'string', default: '5000' },
  'upstream-per-day': { type: 'string', default: '10000' },
  'upstream-call-weight': { type: 'string', default: '1.2' },
  'head-timeout': { type: 'string', default: '10' },
  'idle-timeout': { type: 'string', default: '5' },
  'max-connections': { type: 'string', default: '1024' },
  'max-connections-per-address': { type: 'string', default: '32' },
  'max-request-line': { type: 'string', default: '2048' },
  'max-head': { type: 'string', default: '8192' },
  help: { type: 'boolean', default: false },
};

function fail(message) {
  process.stderr.write(`${message}\n${USAGE}\n`);
  process.exit(2);
}

function number(values, name, { min = 0, integer = false } = {}) {
  const value = Number(values[name]);
  if (!Number.isFinite(value) || value < min || (integer && !Number.isInteger(value))) {
    fail(`--${name}: not a valid number: ${values[name]}`);
  }
  return value;
}

function parseOptions(argv) {
  let values;
  try {
    ({ values } = parseArgs({ args: argv, options: OPTIONS, strict: true }));
  } catch (error) {
    fail(error.message);
  }
  if (values.help) {
    process.stdout.write(`${USAGE}\n`);
    process.exit(0);
  }
  if (!['synthetic', 'live'].includes(values.source)) fail(`--source: synthetic or live, not ${values.source}`);
  if (!['normal', 'nomarker', 'noblank', 'twopieces'].includes(values['location-shape'])) {
    fail(`--location-shape: unknown shape ${values['location-shape']}`);
  }
  const table = loadCityTable();
  const city = table.find(values.city);
  if (!city) fail(`unknown city: ${values.city}`);
  let defaultCity = null;
  if (values['default-city'] !== undefined) {
    defaultCity = table.find(values['default-city']);
    if (!defaultCity) fail(`unknown city: ${values['default-city']}`);
  }
  let date = null;
  if (values.date !== undefined) {
    date = M.parseDay(values.date);
    if (!date) fail(`--date: not a date YYYY-MM-DD: ${values.date}`);
  }
  const seconds = (name) => number(values, name) * 1000;
  const options = {
    source: values.source,
    port: number(values, 'port', { integer: true }),
    host: values.host,
    table,
    city,
    defaultCity,
    locationStatus: values['location-status'] === undefined ? 0 :
      number(values, 'location-status', { min: 100, integer: true }),
    locationShape: values['location-shape'],
    date,
    lifetimeMs: seconds('lifetime'),
    allowQuit: values['allow-quit'],
    verbose: values.verbose,
    forecastUrl: values['forecast-url'],
    trustProxy: values['trust-proxy'],
    freshMs: seconds('fresh'),
    staleMs: seconds('stale'),
    upstreamTimeoutMs: seconds('upstream-timeout'),
    queue: {
      concurrency: number(values, 'upstream-concurrency', { min: 1, integer: true }),
      perMinute: number(values, 'upstream-per-minute', { min: 1 }),
      perHour: number(values, 'upstream-per-hour', { min: 1 }),
      perDay: number(values, 'upstream-per-day', { min: 1 }),
      weight: number(values, 'upstream-call-weight', { min: 0.01 }),
    },
    limits: {
      headTimeoutMs: seconds('head-timeout'),
      idleTimeoutMs: seconds('idle-timeout'),
      maxConnections: number(values, 'max-connections', { min: 1, integer: true }),
      maxConnectionsPerAddress: number(values, 'max-connections-per-address', { min: 1, integer: true }),
      maxRequestLine: number(values, 'max-request-line', { min: 64, integer: true }),
      maxHeadBytes: number(values, 'max-head', { min: 256, integer: true }),
    },
  };
  if (options.source === 'live') {
    try {
      options.coordinates = require(path.resolve(values.coordinates)).places;
    } catch (error) {
      fail(`--coordinates: cannot read ${values.coordinates}: ${error.message}`);
    }
  }
  return options;
}

async function main() {
  const options = parseOptions(process.argv.slice(2));
  let service;
  const stop = () => {
    service.close().then(() => process.exit(0));
    setTimeout(() => process.exit(0), 1000).unref();
  };
  options.onQuit = stop;
  service = new WeatherService(options);
  let address;
  try {
    address = await service.listen(options.port, options.host);
  } catch (error) {
    process.stderr.write(`cannot listen on ${options.host}:${options.port}: ${error.message}\n`);
    process.exit(1);
  }
  process.stdout.write(`listening on ${address.address}:${address.port}\n`);
  // Test programs under Wine cannot signal a Unix process: they ask it to
  // quit (--allow-quit), and a lifetime bounds a service whose test died.
  if (options.lifetimeMs > 0) setTimeout(stop, options.lifetimeMs).unref();
  process.on('SIGINT', stop);
  process.on('SIGTERM', stop);
}

if (require.main === module) main();

module.exports = { parseOptions };
