'use strict';
// Open-Meteo's Air Quality API: hourly fine particles and dust for the
// places, batched like the forecast and counted in the same budget. Its
// data only adds haze and dust to a half's picture: a failure here never
// blocks a report.

const M = require('./mapping');
const { placesUrl } = require('./openMeteo');

const BASE = 'https://air-quality-api.open-meteo.com';
const HOURLY = ['pm2_5', 'pm10', 'dust'];
const DAYS = 5;   // the air-quality forecast's reach

function batchUrl(base, places, start, apiKey = null) {
  return placesUrl(base, '/v1/air-quality', places, start, DAYS, { hourly: HOURLY.join(',') }, apiKey);
}

// The stored form of one place's answer, or a text saying why it is unfit.
// Hours without a value stay null: the half then keeps its forecast picture.
function checkAir(data, start) {
  if (!data || typeof data !== 'object' || !data.hourly || typeof data.hourly !== 'object') return 'no hourly block';
  if (data.utc_offset_seconds !== 8 * 3600) return `utc offset ${data.utc_offset_seconds}`;
  const units = data.hourly_units || {};
  const times = data.hourly.time;
  if (!Array.isArray(times) || times.length !== DAYS * 24 || times[0] !== `${M.dayText(start)}T00:00`) {
    return 'hourly times are not the hours asked';
  }
  const hourly = {};
  for (const name of HOURLY) {
    if (!/^[μµ]g\/m³$/.test(units[name])) return `${name} in ${units[name]}, not μg/m³`;
    const list = data.hourly[name];
    if (!Array.isArray(list) || list.length !== DAYS * 24) return `${name} is not ${DAYS * 24} long`;
    hourly[name] = list.map((value) => (M.isNumber(value) && value >= 0 ? value : null));
  }
  return { start: M.dayText(start), hourly };
}

module.exports = { BASE, HOURLY, DAYS, batchUrl, checkAir };
