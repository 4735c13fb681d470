'use strict';
// A fake of Open-Meteo's forecast API on loopback, answering the documented
// shape of /v1/forecast (daily and hourly series in Asia/Shanghai time, a
// list for comma-separated coordinates, the units asked for) or, by its
// mode, one of the failures a real API can give. Two fixed weather
// scenarios: NORTH for latitudes of 30 and more (北京), SOUTH below (广州);
// the tests and the Windows end-to-end test know what the service must make
// of them.
//
// Standalone: node service/test/fakeUpstream.js [--port N] [--mode MODE] [--delay MS] [--lifetime SECONDS]
// prints "listening on 127.0.0.1:PORT"; GET /__quit stops it (--allow-quit
// is accepted for the same command line as the service's).

const http = require('http');

// Wind in km/h, converted to what the request asks for.
const SCENARIOS = {
  NORTH: {
    dayCode: [3, 61, 71, 0, 95, 2], dayAmount: [0, 6, 2, 0, 8, 0],
    nightCode: [2, 63, 73, 1, 80, 3], nightAmount: [0, 14, 3.5, 0, 2, 0],
    max: [5.4, 3.2, -1.6, 6.0, 10.2, 8.0], min: [-3.6, -1.2, -7.5, -4.4, 1.0, 0.0],
    wind: [8, 25, 45, 3, 14, 10], direction: [10, 100, 200, 300, 180, 45],
    uv: [3.4, 1.0, 0.5, 3.4, 5.5, 1.0], chance: [10, 80, 90, 0, 60, 20],
  },
  SOUTH: {
    dayCode: [1, 80, 65, 45, 82, 3], dayAmount: [0, 3, 40, 0, 20, 0],
    nightCode: [0, 95, 65, 3, 81, 3], nightAmount: [0, 5, 75, 0, 8, 0],
    max: [27.6, 30.1, 26.0, 24.4, 25.0, 26.0], min: [19.5, 23.8, 22.2, 18.0, 21.0, 20.0],
    wind: [13, 5, 60, 20, 30, 10], direction: [135, 225, 90, 0, 270, 45],
    uv: [7.5, 10.2, 2.0, 4.0, 6.0, 5.0], chance: [0, 70, 100, 10, 90, 20],
  },
};

const MODES = ['ok', 'error400', 'status429', 'status429hour', 'status429day', 'status500', 'garbage',
  'truncated', 'missing', 'nulls', 'wrongtypes', 'fahrenheit', 'wrongday', 'hang', 'drip'];

const REASONS = {
  status429: 'Minutely API request limit exceeded. Please try again in one minute.',
  status429hour: 'Hourly API request limit exceeded. Please try again in the next hour.',
  status429day: 'Daily API request limit exceeded. Please try again tomorrow.',
};

function chinaToday() {
  return new Date(Date.now() + 8 * 3600e3).toISOString().slice(0, 10);
}

function addDays(date, count) {
  const d = new Date(`${date}T00:00:00Z`);
  d.setUTCDate(d.getUTCDate() + count);
  return d.toISOString().slice(0, 10);
}

const round = (value, digits) => Number(value.toFixed(digits));

// The documented answer for one place of a query.
function forecast(query, latitude, longitude) {
  const s = latitude >= 30 ? SCENARIOS.NORTH : SCENARIOS.SOUTH;
  const start = query.get('start_date') || chinaToday();
  const end = query.get('end_date');
  const days = end ? Math.round((Date.parse(end) - Date.parse(start)) / 86400e3) + 1 :
    Number(query.get('forecast_days') || 7);
  const fahrenheit = query.get('temperature_unit') === 'fahrenheit';
  const temperature = (c) => (fahrenheit ? round(c * 1.8 + 32, 1) : c);
  const speedUnit = query.get('wind_speed_unit') || 'kmh';
  const speed = (kmh) => ({ ms: round(kmh / 3.6, 1), mph: round(kmh / 1.609344, 1), kn: round(kmh / 1.852, 1) }[speedUnit] ?? kmh);
  const at = (list, i) => list[Math.min(Math.max(i, 0), list.length - 1)];
  const dailyNames = (query.get('daily') || '').split(',').filter(Boolean);
  const hourlyNames = (query.get('hourly') || '').split(',').filter(Boolean);
  const allDaily = { time: [], weather_code: [], temperature_2m_max: [], temperature_2m_min: [],
    precipitation_sum: [], rain_sum: [], snowfall_sum: [], precipitation_probability_max: [],
    wind_speed_10m_max: [], wind_direction_10m_dominant: [], uv_index_max: [] };
  const allHourly = { time: [], weather_code: [], precipitation: [], temperature_2m: [] };
  for (let d = 0; d < days; ++d) {
    const date = addDays(start, d);
    const amount = at(s.dayAmount, d) + at(s.nightAmount, d);
    allDaily.time.push(date);
    allDaily.weather_code.push(Math.max(at(s.dayCode, d), at(s.nightCode, d)));
    allDaily.temperature_2m_max.push(temperature(at(s.max, d)));
    allDaily.temperature_2m_min.push(temperature(at(s.min, d)));
    allDaily.precipitation_sum.push(amount);
    allDaily.rain_sum.push(amount);
    allDaily.snowfall_sum.push(0);
    allDaily.precipitation_probability_max.push(at(s.chance, d));
    allDaily.wind_speed_10m_max.push(speed(at(s.wind, d)));
    allDaily.wind_direction_10m_dominant.push(at(s.direction, d));
    allDaily.uv_index_max.push(at(s.uv, d));
    for (let h = 0; h < 24; ++h) {
      // An entry at h holds the hour before it: 09:00-20:00 are the day's
      // half, 21:00-08:00 its night, 01:00-08:00 the previous night's.
      const dayHalf = h >= 9 && h <= 20;
      const night = h <= 8 ? d - 1 : d;
      hourly(allHourly, date, h, {
        code: dayHalf ? at(s.dayCode, d) : at(s.nightCode, night),
        amount: round((dayHalf ? at(s.dayAmount, d) : at(s.nightAmount, night)) / 12, 3),
        // Instants: 08:00-20:00 the day's, else the night's.
        temperature: temperature(h >= 8 && h <= 20 ? at(s.max, d) - 1 : at(s.min, h < 8 ? d - 1 : d) + 1),
      });
    }
  }
  const pick = (all, names) => Object.fromEntries(['time', ...names].map((name) => [name, all[name]]));
  const unit = { temperature_2m_max: fahrenheit ? '°F' : '°C', temperature_2m_min: fahrenheit ? '°F' : '°C',
    temperature_2m: fahrenheit ? '°F' : '°C', precipitation: 'mm', precipitation_sum: 'mm',
    precipitation_probability_max: '%', wind_direction_10m_dominant: '°', uv_index_max: '',
    wind_speed_10m_max: { ms: 'm/s', mph: 'mp/h', kn: 'kn' }[speedUnit] || 'km/h', weather_code: 'wmo code' };
  const units = (names) => Object.fromEntries(['time', ...names].map((name) => [name, name === 'time' ? 'iso8601' : unit[name] ?? '']));
  return {
    latitude, longitude, generationtime_ms: 0.5, utc_offset_seconds: 28800,
    timezone: 'Asia/Shanghai', timezone_abbreviation: 'GMT+8', elevation: 44,
    hourly_units: units(hourlyNames), hourly: pick(allHourly, hourlyNames),
    daily_units: units(dailyNames), daily: pick(allDaily, dailyNames),
  };
}

function hourly(series, date, h, { code, amount, temperature }) {
  series.time.push(`${date}T${String(h).padStart(2, '0')}:00`);
  series.weather_code.push(code);
  series.precipitation.push(amount);
  series.temperature_2m.push(temperature);
}

// The answer for a query: one object, or a list for several places.
function answerFor(query) {
  const latitudes = (query.get('latitude') || '').split(',').map(Number);
  const longitudes = (query.get('longitude') || '').split(',').map(Number);
  const list = latitudes.map((latitude, i) => forecast(query, latitude, longitudes[i]));
  return list.length === 1 ? list[0] : list;
}

// The air-quality answer for a query: one object, or a list for several places.
function airFor(query, air) {
  const latitudes = (query.get('latitude') || '').split(',').map(Number);
  const longitudes = (query.get('longitude') || '').split(',').map(Number);
  const start = query.get('start_date');
  const days = Math.round((Date.parse(query.get('end_date')) - Date.parse(start)) / 86400e3) + 1;
  const list = latitudes.map((latitude, i) => {
    const hourly = { time: [], pm2_5: [], pm10: [], dust: [] };
    for (let d = 0; d < days; ++d) {
      for (let h = 0; h < 24; ++h) {
        hourly.time.push(`${addDays(start, d)}T${String(h).padStart(2, '0')}:00`);
        const values = air(latitude, d, h);
        for (const name of ['pm2_5', 'pm10', 'dust']) hourly[name].push(values[name] ?? null);
      }
    }
    return { latitude, longitude: longitudes[i], utc_offset_seconds: 28800, timezone: 'Asia/Shanghai',
      hourly_units: { time: 'iso8601', pm2_5: 'μg/m³', pm10: 'μg/m³', dust: 'μg/m³' }, hourly };
  });
  return list.length === 1 ? list[0] : list;
}

// MET Norway symbols for the scenarios' codes.
const SYMBOLS = { 0: 'clearsky_day', 1: 'fair_day', 2: 'partlycloudy_day', 3: 'cloudy', 45: 'fog',
  61: 'lightrain', 63: 'rain', 65: 'heavyrain', 71: 'lightsnow', 73: 'snow', 80: 'lightrainshowers_day',
  81: 'rainshowers_night', 82: 'heavyrainshowers_day', 95: 'rainandthunder' };

// The compact GeoJSON for a place at `now`: hourly steps from the current
// UTC hour for 60 hours, then 6-hourly steps to nine days, from the same
// scenario as the forecast (its China-time hours).
function metForecast(latitude, longitude, now) {
  const from = Math.floor(now / 3600e3) * 3600e3;
  const chinaStart = Math.floor((now + 8 * 3600e3) / 86400e3) * 86400e3 - 8 * 3600e3;
  const series = forecast(new URLSearchParams({
    start_date: new Date(chinaStart + 8 * 3600e3).toISOString().slice(0, 10),
    end_date: new Date(chinaStart + 8 * 3600e3 + 10 * 86400e3).toISOString().slice(0, 10),
    daily: 'wind_speed_10m_max,wind_direction_10m_dominant', hourly: 'weather_code,precipitation,temperature_2m',
    wind_speed_unit: 'ms',
  }), latitude, longitude);
  const timeseries = [];
  for (let at = from; at < from + 9 * 86400e3; at += at < from + 60 * 3600e3 ? 3600e3 : 6 * 3600e3) {
    const k = Math.round((at - chinaStart) / 3600e3);
    const d = Math.floor(k / 24);
    const step = { time: new Date(at).toISOString().replace('.000Z', 'Z'), data: { instant: { details: {
      air_temperature: series.hourly.temperature_2m[k], wind_speed: series.daily.wind_speed_10m_max[d],
      wind_from_direction: series.daily.wind_direction_10m_dominant[d], relative_humidity: 60,
    } } } };
    const length = at < from + 60 * 3600e3 ? 1 : 6;
    if (at + length * 3600e3 <= from + 9 * 86400e3) {
      const hours = series.hourly.weather_code.slice(k + 1, k + 1 + length);
      const amount = series.hourly.precipitation.slice(k + 1, k + 1 + length).reduce((sum, mm) => sum + mm, 0);
      step.data[`next_${length}_hours`] = { summary: { symbol_code: SYMBOLS[Math.max(...hours)] || 'cloudy' },
        details: { precipitation_amount: Number(amount.toFixed(1)) } };
    }
    timeseries.push(step);
  }
  return { type: 'Feature', geometry: { type: 'Point', coordinates: [longitude, latitude, 44] },
    properties: { meta: { updated_at: new Date(now).toISOString(), units: { air_pressure_at_sea_level: 'hPa',
      air_temperature: 'celsius', cloud_area_fraction: '%', precipitation_amount: 'mm', relative_humidity: '%',
      wind_from_direction: 'degrees', wind_speed: 'm/s' } }, timeseries } };
}

class FakeUpstream {
  constructor({ mode = 'ok' } = {}) {
    this.mode = mode;
    this.requests = [];        // URL objects of every forecast request
    this.places = 0;           // places asked in all
    this.delayMs = 0;
    this.unfit = new Set();    // latitudes (4 decimals) whose place comes back with nulls
    // Air quality: (latitude, China day index, hour) -> {pm2_5, pm10, dust}; clean air by default.
    this.air = () => ({ pm2_5: 20, pm10: 40, dust: 5 });
    this.airMode = 'ok';
    this.airRequests = [];
    // MET Norway: its clock (the forecast starts at the current UTC hour), and the requests' headers.
    this.metNow = null;
    this.metModified = Date.parse('2026-12-01T00:00:00Z');
    this.metExpiresMs = 30 * 60e3;
    this.metRequests = [];
    this.hanging = new Set();
    this.server = http.createServer((request, response) => this.answer(request, response));
  }

  answer(request, response) {
    const url = new URL(request.url, 'http://fake');
    if (url.pathname === '/__quit') {
      response.end('bye');
      this.close();
      return;
    }
    if (url.pathname === '/v1/air-quality') {
      this.airRequests.push(url);
      if (this.airMode === 'status500') return this.send(response, 500, 'Internal Server Error', 'text/plain');
      return this.send(response, 200, airFor(url.searchParams, this.air));
    }
    if (url.pathname === '/weatherapi/locationforecast/2.0/compact') return this.answerMet(request, url, response);
    if (url.pathname !== '/v1/forecast') {
      this.send(response, 404, { error: true, reason: 'Not Found' });
      return;
    }
    this.requests.push(url);
    this.places += (url.searchParams.get('latitude') || '').split(',').length;
    const go = () => this.answerForecast(url.searchParams, response);
    if (this.delayMs) setTimeout(go, this.delayMs);
    else go();
  }

  // MET Norway's compact answer for lat/lon, or 304 when not modified since.
  answerMet(request, url, response) {
    const query = url.searchParams;
    this.metRequests.push({ url, headers: request.headers, at: Date.now() });
    const lat = query.get('lat') || '';
    const lon = query.get('lon') || '';
    if (!/^-?\d+(\.\d{1,4})?$/.test(lat) || !/^-?\d+(\.\d{1,4})?$/.test(lon)) {
      return this.send(response, 403, 'Forbidden: too many decimals', 'text/plain');
    }
    if (!/\S+@\S+|https?:\/\//.test(request.headers['user-agent'] || '')) {
      return this.send(response, 403, 'Forbidden: identify yourself', 'text/plain');
    }
    const now = this.metNow === null ? Date.now() : this.metNow;
    const headers = { 'Last-Modified': new Date(this.metModified).toUTCString(),
      Expires: new Date(now + this.metExpiresMs).toUTCString() };
    const since = Date.parse(request.headers['if-modified-since'] || '');
    if (Number.isFinite(since) && since >= this.metModified) {
      response.writeHead(304, headers);
      return response.end();
    }
    const bytes = Buffer.from(JSON.stringify(metForecast(Number(lat), Number(lon), now)));
    response.writeHead(200, { 'Content-Type': 'application/json', 'Content-Length': bytes.length, ...headers });
    return response.end(bytes);
  }

  send(response, status, body, type = 'application/json; charset=utf-8') {
    const bytes = Buffer.from(typeof body === 'string' ? body : JSON.stringify(body));
    response.writeHead(status, { 'Content-Type': type, 'Content-Length': bytes.length });
    response.end(bytes);
  }

  answerForecast(query, response) {
    let good = answerFor(query);
    if (this.unfit.size) {
      const spoil = (place) => (this.unfit.has(place.latitude.toFixed(4)) ?
        { ...place, daily: { ...place.daily, temperature_2m_max: place.daily.temperature_2m_max.map(() => null) } } : place);
      good = Array.isArray(good) ? good.map(spoil) : spoil(good);
    }
    const each = (edit) => (Array.isArray(good) ? good.map(edit) : edit(good));
    switch (this.mode) {
      case 'error400':
        return this.send(response, 400, { error: true, reason: 'Cannot initialize WeatherVariable from invalid String value' });
      case 'status429':
      case 'status429hour':
      case 'status429day':
        return this.send(response, 429, { error: true, reason: REASONS[this.mode] });
      case 'status500':
        return this.send(response, 500, '<html><body>Internal Server Error</body></html>', 'text/html');
      case 'garbage':
        return this.send(response, 200, '\u0000\u00ffnot json at all{{');
      case 'truncated':
        return this.send(response, 200, JSON.stringify(good).slice(0, 900));
      case 'missing':
        return this.send(response, 200, each((place) => ({ latitude: place.latitude, longitude: place.longitude,
          daily: { time: place.daily.time }, hourly: {} })));
      case 'nulls': {
        const nulls = (series) => Object.fromEntries(Object.entries(series)
          .map(([key, list]) => [key, key === 'time' ? list : list.map(() => null)]));
        return this.send(response, 200, each((place) => ({ ...place, daily: nulls(place.daily), hourly: nulls(place.hourly) })));
      }
      case 'wrongtypes':
        return this.send(response, 200, each((place) => ({ ...place, daily: { ...place.daily, weather_code: 'x',
          temperature_2m_max: [{}, [], 'hot', true], wind_direction_10m_dominant: null },
        hourly: { time: 5, weather_code: [999, -1, 'rain'] } })));
      case 'fahrenheit': {
        const query2 = new URLSearchParams(query);
        query2.set('temperature_unit', 'fahrenheit');
        query2.set('wind_speed_unit', 'mph');
        return this.send(response, 200, answerFor(query2));
      }
      case 'wrongday': {
        const query2 = new URLSearchParams(query);
        query2.set('start_date', addDays(query.get('start_date') || chinaToday(), -1));
        query2.set('end_date', addDays(query.get('end_date') || chinaToday(), -1));
        return this.send(response, 200, answerFor(query2));
      }
      case 'hang':
        this.hanging.add(response);
        return undefined;
      case 'drip': {
        // The head, then a byte every 200 ms: never a whole answer in time.
        const bytes = Buffer.from(JSON.stringify(good));
        response.writeHead(200, { 'Content-Type': 'application/json', 'Content-Length': bytes.length });
        let at = 0;
        const timer = setInterval(() => {
          if (response.destroyed || at >= bytes.length) return clearInterval(timer);
          return response.write(bytes.subarray(at, ++at));
        }, 200);
        this.hanging.add(response);
        return undefined;
      }
      default:
        return this.send(response, 200, good);
    }
  }

  listen(port = 0) {
    return new Promise((resolve) => {
      this.server.listen(port, '127.0.0.1', () => {
        this.port = this.server.address().port;
        this.base = `http://127.0.0.1:${this.port}`;
        resolve(this);
      });
    });
  }

  close() {
    for (const response of this.hanging) response.destroy();
    this.hanging.clear();
    this.server.closeAllConnections?.();
    return new Promise((resolve) => this.server.close(() => resolve()));
  }
}

if (require.main === module) {
  const { parseArgs } = require('util');
  const { values } = parseArgs({ options: {
    port: { type: 'string', default: '0' }, mode: { type: 'string', default: 'ok' }, delay: { type: 'string', default: '0' },
    lifetime: { type: 'string', default: '0' }, 'allow-quit': { type: 'boolean', default: true },
  } });
  if (!MODES.includes(values.mode)) {
    process.stderr.write(`--mode: one of ${MODES.join(', ')}\n`);
    process.exit(2);
  }
  const fake = new FakeUpstream({ mode: values.mode });
  fake.delayMs = Number(values.delay);
  fake.listen(Number(values.port)).then(() => {
    process.stdout.write(`listening on 127.0.0.1:${fake.port}\n`);
    fake.server.on('close', () => process.exit(0));
    if (Number(values.lifetime) > 0) setTimeout(() => process.exit(0), Number(values.lifetime) * 1000).unref();
  });
}

module.exports = { FakeUpstream, forecast, answerFor, airFor, metForecast, SCENARIOS, MODES, REASONS };
