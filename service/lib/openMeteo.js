'use strict';
// Open-Meteo's forecast API: the batched request for many places, and the
// checks an answer must pass before it may replace a stored forecast.
//
// Nine variables a place: a request of at most 10 variables and at most 14
// days weighs one call a place, and a request for N places weighs N calls.

const M = require('./mapping');
const { UpstreamError } = require('./upstream');

const DAILY = ['temperature_2m_max', 'temperature_2m_min', 'precipitation_probability_max',
  'wind_speed_10m_max', 'wind_direction_10m_dominant', 'uv_index_max'];
const HOURLY = ['weather_code', 'precipitation', 'temperature_2m'];
// Today and six days on: day 5's night ends at 08:00 of day 6, and after
// midnight yesterday's forecast still makes a whole report.
const DAYS = 7;

// The units asked for, as the answer must name them.
const UNITS = {
  daily: { temperature_2m_max: '°C', temperature_2m_min: '°C', precipitation_probability_max: '%',
    wind_speed_10m_max: 'm/s', wind_direction_10m_dominant: '°' },
  hourly: { precipitation: 'mm', temperature_2m: '°C' },
};

// Calls one request weighs: per place max(1, variables / 10 × days / 14).
function callWeight(places, variables = DAILY.length + HOURLY.length, days = DAYS) {
  return places * Math.max(1, (variables / 10) * (days / 14));
}

const FREE_BASE = 'https://api.open-meteo.com';
const PAID_BASE = 'https://customer-api.open-meteo.com';

// The URL of a request to Open-Meteo's `path` for `places` ([[latitude,
// longitude], ...]) over `days` days from `start` ({year, month, day}).
function placesUrl(base, path, places, start, days, fields, apiKey = null) {
  const fixed = (index) => places.map((place) => place[index].toFixed(4)).join(',');
  const query = new URLSearchParams({
    latitude: fixed(0),
    longitude: fixed(1),
    ...fields,
    timezone: 'Asia/Shanghai',
    start_date: M.dayText(start),
    end_date: M.dayText(M.addDays(start, days - 1)),
  });
  if (apiKey) query.set('apikey', apiKey);
  return `${base.replace(/\/+$/, '')}${path}?${query}`;
}

function batchUrl(base, places, start, apiKey = null) {
  return placesUrl(base, '/v1/forecast', places, start, DAYS, {
    daily: DAILY.join(','),
    hourly: HOURLY.join(','),
    temperature_unit: 'celsius',
    wind_speed_unit: 'ms',
    precipitation_unit: 'mm',
  }, apiKey);
}

// Which limit a 429's reason names ("Minutely API request limit exceeded…").
function limitOf(reason) {
  const m = /^\s*(Minutely|Hourly|Daily)\b/i.exec(String(reason || ''));
  return m ? { minutely: 'minute', hourly: 'hour', daily: 'day' }[m[1].toLowerCase()] : null;
}

// The answer's JSON, one object per place asked, in order; throws
// UpstreamError for an answer that is no forecast at all.
function parseBatch(status, body, count, headers = {}) {
  let data;
  try {
    data = JSON.parse(body.toString('utf8'));
  } catch (error) {
    data = undefined;
  }
  const reason = data && typeof data === 'object' && data.error === true ? String(data.reason).slice(0, 200) : null;
  if (status === 429) {
    const seconds = Number(headers['retry-after']);
    throw new UpstreamError('limit', `forecast API limit: ${reason || status}`, {
      limit: limitOf(reason), retryAfterMs: Number.isFinite(seconds) && seconds >= 0 ? seconds * 1000 : null,
    });
  }
  if (reason !== null) throw new UpstreamError('refused', `forecast API refused (${status}): ${reason}`);
  if (status !== 200) throw new UpstreamError('status', `forecast API answered ${status}`);
  if (data === undefined) throw new UpstreamError('garbage', 'forecast answer is no JSON');
  const list = Array.isArray(data) ? data : [data];
  if (list.length !== count) throw new UpstreamError('invalid', `forecast answer has ${list.length} places, not ${count}`);
  return list;
}

// The stored form of one place's answer, or a text saying why it is not
// fit to replace a good forecast: units as asked, every series of the
// expected length from the expected day, a number in every slot.
function checkPlace(data, start) {
  if (!data || typeof data !== 'object' || Array.isArray(data)) return 'no object';
  if (data.utc_offset_seconds !== 8 * 3600) return `utc offset ${data.utc_offset_seconds}`;
  for (const block of ['daily', 'hourly']) {
    const units = data[`${block}_units`] || {};
    for (const [name, unit] of Object.entries(UNITS[block])) {
      if (units[name] !== unit) return `${block} ${name} in ${units[name]}, not ${unit}`;
    }
  }
  const daily = data.daily;
  const hourly = data.hourly;
  if (!daily || typeof daily !== 'object' || !hourly || typeof hourly !== 'object') return 'no daily or hourly block';
  const first = M.dayText(start);
  const dayTimes = daily.time;
  if (!Array.isArray(dayTimes) || dayTimes.length !== DAYS || dayTimes[0] !== first ||
    dayTimes[DAYS - 1] !== M.dayText(M.addDays(start, DAYS - 1))) return 'daily times are not the days asked';
  const hourTimes = hourly.time;
  if (!Array.isArray(hourTimes) || hourTimes.length !== DAYS * 24 || hourTimes[0] !== `${first}T00:00` ||
    hourTimes[DAYS * 24 - 1] !== `${M.dayText(M.addDays(start, DAYS - 1))}T23:00`) return 'hourly times are not the hours asked';
  const stored = { start: first, daily: {}, hourly: {} };
  for (const [block, names, length] of [['daily', DAILY, DAYS], ['hourly', HOURLY, DAYS * 24]]) {
    for (const name of names) {
      const series = data[block][name];
      if (!Array.isArray(series) || series.length !== length) return `${block} ${name} is not ${length} long`;
      if (!series.every(M.isNumber)) return `${block} ${name} has a missing value`;
      stored[block][name] = series;
    }
  }
  return stored;
}

module.exports = {
  DAILY, HOURLY, DAYS, UNITS, FREE_BASE, PAID_BASE, callWeight, placesUrl, batchUrl, parseBatch, checkPlace,
  limitOf,
};
