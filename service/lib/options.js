'use strict';
// The service's options: each defined once here, with its default, checked
// and turned into the options object the service is built from. Parsing
// never exits the process: a bad option throws OptionsError.

const path = require('path');
const { parseArgs } = require('util');
const { loadCityTable } = require('./cityTable');
const M = require('./mapping');
const OM = require('./openMeteo');
const AQ = require('./airQuality');
const MET = require('./metNorway');

class OptionsError extends Error {}

const USAGE = `usage: node service/server.js [--source synthetic|live] [--port N] [--host ADDRESS]
  synthetic: [--city NAME|CODE] [--location-status CODE] [--location-shape normal|nomarker|noblank|twopieces]
  live:      [--sources open-meteo[,met-norway]] [--contact CONTACT] [--forecast-url BASE] [--met-url BASE]
             [--met-per-second N] [--air-quality-url BASE|off] [--air-every SECONDS]
             [--api-key KEY] [--default-city NAME|CODE] [--coordinates FILE]
             [--store FILE] [--budget-per-minute N] [--budget-per-hour N] [--budget-per-day N]
             [--budget-use FRACTION] [--batch-size N] [--upstream-timeout SECONDS] [--cold-wait SECONDS]
  both:      [--date YYYY-MM-DD] [--lifetime SECONDS] [--allow-quit] [--verbose] [--log off|on]
             [--trust-proxy] [--head-timeout SECONDS] [--idle-timeout SECONDS] [--max-connections N]
             [--max-connections-per-address N] [--max-request-line BYTES] [--max-head BYTES]
             [--max-requests-per-socket N]`;

// name: [type, default]; numbers are given as text on the command line.
const DEFINITIONS = {
  source: ['string', 'synthetic'],
  port: ['string', '0'],
  host: ['string', '127.0.0.1'],
  city: ['string', '昆明'],
  'location-status': ['string', undefined],
  'location-shape': ['string', 'normal'],
  date: ['string', undefined],
  lifetime: ['string', '0'],
  'allow-quit': ['boolean', false],
  verbose: ['boolean', false],
  log: ['string', 'on'],
  'trust-proxy': ['boolean', false],
  sources: ['string', 'open-meteo'],
  contact: ['string', undefined],
  'forecast-url': ['string', OM.FREE_BASE],
  'met-url': ['string', MET.BASE],
  'air-quality-url': ['string', undefined],
  'air-every': ['string', '21600'],
  'met-per-second': ['string', '10'],
  'api-key': ['string', undefined],
  'default-city': ['string', undefined],
  coordinates: ['string', path.join(__dirname, '..', 'data', 'coordinates.json')],
  store: ['string', path.join(__dirname, '..', 'var', 'forecasts.json')],
  'budget-per-minute': ['string', '600'],
  'budget-per-hour': ['string', '5000'],
  'budget-per-day': ['string', '10000'],
  'budget-use': ['string', '0.8'],
  'batch-size': ['string', '200'],
  'upstream-timeout': ['string', '20'],
  'cold-wait': ['string', '15'],
  'head-timeout': ['string', '10'],
  'idle-timeout': ['string', '5'],
  'max-connections': ['string', '1024'],
  'max-connections-per-address': ['string', '32'],
  'max-request-line': ['string', '2048'],
  'max-head': ['string', '8192'],
  'max-requests-per-socket': ['string', '1000'],
  help: ['boolean', false],
};

const PARSE_OPTIONS = Object.fromEntries(Object.entries(DEFINITIONS).map(([name, [type, value]]) =>
  [name, value === undefined ? { type } : { type, default: value }]));

function number(values, name, { min = 0, max = Infinity, integer = false } = {}) {
  const value = Number(values[name]);
  if (!Number.isFinite(value) || value < min || value > max || (integer && !Number.isInteger(value))) {
    throw new OptionsError(`--${name}: not a valid number: ${values[name]}`);
  }
  return value;
}

// The options object from command-line words. Returns {help: true} for --help.
function parseOptions(argv) {
  let values;
  try {
    ({ values } = parseArgs({ args: argv, options: PARSE_OPTIONS, strict: true }));
  } catch (error) {
    throw new OptionsError(error.message);
  }
  if (values.help) return { help: true };
  const oneOf = (name, allowed) => {
    if (!allowed.includes(values[name])) throw new OptionsError(`--${name}: one of ${allowed.join(', ')}, not ${values[name]}`);
    return values[name];
  };
  const table = loadCityTable();
  const place = (name) => {
    const found = table.find(values[name]);
    if (!found) throw new OptionsError(`--${name}: unknown city: ${values[name]}`);
    return found;
  };
  let date = null;
  if (values.date !== undefined) {
    date = M.parseDay(values.date);
    if (!date) throw new OptionsError(`--date: not a date YYYY-MM-DD: ${values.date}`);
  }
  const ms = (name) => number(values, name) * 1000;
  const options = {
    source: oneOf('source', ['synthetic', 'live']),
    port: number(values, 'port', { integer: true, max: 65535 }),
    host: values.host,
    table,
    city: place('city'),
    defaultCity: values['default-city'] === undefined ? null : place('default-city'),
    locationStatus: values['location-status'] === undefined ? 0 :
      number(values, 'location-status', { min: 100, max: 599, integer: true }),
    locationShape: oneOf('location-shape', ['normal', 'nomarker', 'noblank', 'twopieces']),
    date,
    lifetimeMs: ms('lifetime'),
    allowQuit: values['allow-quit'],
    verbose: values.verbose,
    log: oneOf('log', ['on', 'off']) === 'on',
    trustProxy: values['trust-proxy'],
    sources: values.sources.split(','),
    contact: values.contact || null,
    forecastUrl: values['forecast-url'],
    metUrl: values['met-url'],
    // By default beside a forecast API given elsewhere (a mirror, or a test's fake).
    airQualityUrl: values['air-quality-url'] === 'off' ? null : values['air-quality-url'] ||
      (values['forecast-url'] === DEFINITIONS['forecast-url'][1] ? AQ.BASE :
        values['forecast-url']),
    airEveryMs: number(values, 'air-every', { min: 60 }) * 1000,
    // MET Norway's terms allow 20 requests a second in all.
    metPerSecond: number(values, 'met-per-second', { min: 0.1, max: 20 }),
    apiKey: values['api-key'] || null,
    storePath: path.resolve(values.store),
    budget: {
      perMinute: number(values, 'budget-per-minute', { min: 1 }),
      perHour: number(values, 'budget-per-hour', { min: 1 }),
      perDay: number(values, 'budget-per-day', { min: 1 }),
      use: number(values, 'budget-use', { min: 0.01, max: 1 }),
    },
    batchSize: number(values, 'batch-size', { min: 1, max: 1000, integer: true }),
    upstreamTimeoutMs: ms('upstream-timeout'),
    coldWaitMs: ms('cold-wait'),
    limits: {
      headTimeoutMs: ms('head-timeout'),
      idleTimeoutMs: ms('idle-timeout'),
      maxConnections: number(values, 'max-connections', { min: 1, integer: true }),
      maxConnectionsPerAddress: number(values, 'max-connections-per-address', { min: 1, integer: true }),
      maxRequestLine: number(values, 'max-request-line', { min: 64, integer: true }),
      maxHeadBytes: number(values, 'max-head', { min: 256, integer: true }),
      maxRequestsPerSocket: number(values, 'max-requests-per-socket', { min: 1, integer: true }),
    },
  };
  const known = ['open-meteo', 'met-norway'];
  if (!options.sources.length || options.sources.some((name) => !known.includes(name)) ||
    new Set(options.sources).size !== options.sources.length) {
    throw new OptionsError(`--sources: a list of ${known.join(', ')}, not ${values.sources}`);
  }
  // MET Norway's terms ask every client to say who it is and how to reach them.
  if (options.sources.includes('met-norway') && !/\S+@\S+|https?:\/\/\S+/.test(options.contact || '')) {
    throw new OptionsError('--contact: an e-mail address or a web address, required with --sources met-norway');
  }
  if (options.source === 'live') {
    try {
      options.coordinates = JSON.parse(require('fs').readFileSync(path.resolve(values.coordinates), 'utf8')).places;
    } catch (error) {
      throw new OptionsError(`--coordinates: cannot read ${values.coordinates}: ${error.message}`);
    }
  }
  return options;
}

module.exports = { parseOptions, OptionsError, USAGE, DEFINITIONS };
