'use strict';
// MET Norway's Locationforecast 2.0 (compact), the second source: one
// request a place, asked only for places the first source could not
// refresh. Its terms: a User-Agent naming the service and a contact,
// coordinates of at most 4 decimals, at most 20 requests a second, and
// no new request before the answer's Expires (If-Modified-Since then
// brings 304 for unchanged data).
//
// Its hourly series (then 6-hourly, in UTC, from the current hour) become
// the store's series (in China time from 00:00 of the day asked), so that
// both sources make reports by the same rules.

const M = require('./mapping');
const { DAYS } = require('./openMeteo');
const { UpstreamError } = require('./upstream');

const BASE = 'https://api.met.no';
const UNITS = { air_temperature: 'celsius', precipitation_amount: 'mm', wind_speed: 'm/s',
  wind_from_direction: 'degrees' };

// Symbol codes (without _day, _night, _polartwilight) to WMO 4677 codes as
// the first source gives them, so that the pictures follow the same rules.
const SYMBOLS = {
  clearsky: 0, fair: 1, partlycloudy: 2, cloudy: 3, fog: 45,
  lightrain: 61, rain: 63, heavyrain: 65,
  lightrainshowers: 80, rainshowers: 81, heavyrainshowers: 82,
  lightsleet: 68, sleet: 69, heavysleet: 69,
  lightsleetshowers: 83, sleetshowers: 84, heavysleetshowers: 84,
  lightsnow: 71, snow: 73, heavysnow: 75,
  lightsnowshowers: 85, snowshowers: 85, heavysnowshowers: 86,
};

// A code for a symbol, or null: thunder of any kind is a thunderstorm.
function codeOf(symbol) {
  if (typeof symbol !== 'string') return null;
  const base = symbol.replace(/_(day|night|polartwilight)$/, '');
  if (base.endsWith('thunder')) return 95;
  return Object.prototype.hasOwnProperty.call(SYMBOLS, base) ? SYMBOLS[base] : null;
}

function placeUrl(base, [latitude, longitude]) {
  return `${base.replace(/\/+$/, '')}/weatherapi/locationforecast/2.0/compact?` +
    `lat=${latitude.toFixed(4)}&lon=${longitude.toFixed(4)}`;
}

// The answer of one request: {unchanged} for 304, else the parsed
// document with the answer's Expires and Last-Modified.
function parseAnswer(status, headers, body) {
  const expires = Date.parse(headers.expires || '');
  const lastModified = headers['last-modified'] || null;
  const meta = { expires: Number.isFinite(expires) ? expires : null, lastModified };
  if (status === 304) return { unchanged: true, ...meta };
  if (status === 429) throw new UpstreamError('limit', 'MET Norway: too many requests');
  if (status === 403) throw new UpstreamError('refused', 'MET Norway refused the request (403)');
  if (status !== 200 && status !== 203) throw new UpstreamError('status', `MET Norway answered ${status}`);
  let document;
  try {
    document = JSON.parse(body.toString('utf8'));
  } catch (error) {
    throw new UpstreamError('garbage', 'MET Norway answer is no JSON');
  }
  return { document, ...meta };
}

// The stored form of an answer from day `start` on, or a text saying why
// it is unfit: units as asked, every hour of the first six days and the
// seventh morning known.
function toForecast(document, start) {
  const properties = document && typeof document === 'object' ? document.properties : null;
  const units = properties && properties.meta && properties.meta.units;
  if (!units || typeof units !== 'object') return 'no units';
  for (const [name, unit] of Object.entries(UNITS)) {
    if (units[name] !== unit) return `${name} in ${units[name]}, not ${unit}`;
  }
  const series = properties.timeseries;
  if (!Array.isArray(series) || !series.length) return 'no time series';
  const hours = DAYS * 24;
  const origin = Date.UTC(start.year, start.month - 1, start.day) - 8 * 3600e3;
  const code = new Array(hours).fill(null);
  const amount = new Array(hours).fill(null);
  const temperature = new Array(hours).fill(null);
  const speed = new Array(hours).fill(null);
  const direction = new Array(hours).fill(null);
  const uv = new Array(hours).fill(null);
  let first = null;
  for (const step of series) {
    const at = Date.parse(step && step.time);
    const data = step && step.data;
    if (!Number.isFinite(at) || !data || !data.instant || !data.instant.details) return 'a step without time or values';
    const k = Math.round((at - origin) / 3600e3);
    if (k >= hours) break;
    const instant = data.instant.details;
    if (k >= 0) {
      if (!M.isNumber(instant.air_temperature) || !M.isNumber(instant.wind_speed) ||
        !M.isNumber(instant.wind_from_direction)) return `values missing at ${step.time}`;
      temperature[k] = instant.air_temperature;
      speed[k] = instant.wind_speed;
      direction[k] = instant.wind_from_direction;
      if (M.isNumber(instant.ultraviolet_index_clear_sky)) uv[k] = instant.ultraviolet_index_clear_sky;
      if (first === null) first = k;
    }
    // A period's symbol and amount belong to the hours ending inside it.
    const period = data.next_1_hours ? [1, data.next_1_hours] : data.next_6_hours ? [6, data.next_6_hours] : null;
    if (!period) continue;
    const [length, { summary, details }] = period;
    const c = codeOf(summary && summary.symbol_code);
    const mm = details && details.precipitation_amount;
    if (c === null || !M.isNumber(mm)) return `symbol or amount missing at ${step.time}`;
    for (let h = k + 1; h <= k + length && h < hours; ++h) {
      if (h < 0) continue;
      code[h] = c;
      amount[h] = mm / length;
    }
  }
  if (first === null) return 'no step on the days asked';
  // Hours before the first step (earlier today) take the first known values;
  // instants between 6-hourly steps are interpolated.
  for (const list of [code, amount, temperature, speed, direction]) {
    const known = list.findIndex((value) => value !== null);
    for (let h = 0; h < known; ++h) list[h] = list[known];
  }
  for (const list of [temperature, speed]) {
    let last = null;
    for (let h = 0; h < hours; ++h) {
      if (list[h] === null) continue;
      if (last !== null && h - last > 1) {
        for (let g = last + 1; g < h; ++g) list[g] = list[last] + ((list[h] - list[last]) * (g - last)) / (h - last);
      }
      last = h;
    }
  }
  const needed = 6 * 24 + 9;   // day 5's night ends at 08:00 of day 6
  for (const [name, list] of [['code', code], ['amount', amount], ['temperature', temperature]]) {
    if (list.slice(0, needed).some((value) => value === null)) return `${name} does not cover the days asked`;
  }
  const daily = { temperature_2m_max: [], temperature_2m_min: [], precipitation_probability_max: [],
    wind_speed_10m_max: [], wind_direction_10m_dominant: [], uv_index_max: [] };
  for (let d = 0; d < DAYS; ++d) {
    const day = (list) => list.slice(d * 24, d * 24 + 24).filter((value) => value !== null);
    const temps = day(temperature);
    daily.temperature_2m_max.push(temps.length ? Math.max(...temps) : null);
    daily.temperature_2m_min.push(temps.length ? Math.min(...temps) : null);
    daily.precipitation_probability_max.push(null);
    // The day's strongest wind, and where it comes from.
    let strongest = null;
    for (let h = d * 24; h < d * 24 + 24; ++h) {
      if (speed[h] !== null && direction[h] !== null && (strongest === null || speed[h] > speed[strongest])) strongest = h;
    }
    daily.wind_speed_10m_max.push(strongest === null ? null : Math.round(speed[strongest] * 10) / 10);
    daily.wind_direction_10m_dominant.push(strongest === null ? null : direction[strongest]);
    const uvs = day(uv);
    daily.uv_index_max.push(uvs.length ? Math.max(...uvs) : null);
  }
  return {
    start: M.dayText(start),
    daily,
    hourly: { weather_code: code, precipitation: amount, temperature_2m: temperature },
  };
}

module.exports = { BASE, SYMBOLS, codeOf, placeUrl, parseAnswer, toForecast };
