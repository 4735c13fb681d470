'use strict';
// A fake of Open-Meteo's forecast API on loopback, answering the documented
// shape of /v1/forecast (daily and hourly series in Asia/Shanghai time) or,
// by its mode, one of the failures a real API can give. Two fixed weather
// scenarios: NORTH for latitudes of 30 and more (北京), SOUTH below (广州);
// the tests and the Windows end-to-end test know what the service must make
// of them.
//
// Standalone: node service/test/fakeUpstream.js [--port N] [--mode MODE] [--lifetime SECONDS]
// prints "listening on 127.0.0.1:PORT"; GET /__quit stops it (--allow-quit
// is accepted for the same command line as the service's).

const http = require('http');

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
    wind: [12, 5, 60, 20, 30, 10], direction: [135, 225, 90, 0, 270, 45],
    uv: [7.5, 10.2, 2.0, 4.0, 6.0, 5.0], chance: [0, 70, 100, 10, 90, 20],
  },
};

const MODES = ['ok', 'error400', 'status429', 'status500', 'garbage', 'truncated', 'missing', 'nulls',
  'wrongtypes', 'hang'];

function chinaToday() {
  return new Date(Date.now() + 8 * 3600e3).toISOString().slice(0, 10);
}

function addDays(date, count) {
  const d = new Date(`${date}T00:00:00Z`);
  d.setUTCDate(d.getUTCDate() + count);
  return d.toISOString().slice(0, 10);
}

// The documented answer for a query.
function forecast(query) {
  const latitude = Number(query.get('latitude'));
  const longitude = Number(query.get('longitude'));
  const s = latitude >= 30 ? SCENARIOS.NORTH : SCENARIOS.SOUTH;
  const start = query.get('start_date') || chinaToday();
  const days = query.get('start_date') ? 6 : Number(query.get('forecast_days') || 7);
  const at = (list, i) => list[Math.min(i, list.length - 1)];
  const daily = { time: [], weather_code: [], temperature_2m_max: [], temperature_2m_min: [],
    precipitation_sum: [], rain_sum: [], snowfall_sum: [], precipitation_probability_max: [],
    wind_speed_10m_max: [], wind_direction_10m_dominant: [], uv_index_max: [] };
  const hourly = { time: [], weather_code: [], precipitation: [], temperature_2m: [] };
  for (let d = 0; d < days; ++d) {
    const date = addDays(start, d);
    const dayCode = at(s.dayCode, d);
    const nightCode = at(s.nightCode, d);
    const snow = [71, 73, 75, 77, 85, 86];
    const amount = at(s.dayAmount, d) + at(s.nightAmount, d);
    daily.time.push(date);
    daily.weather_code.push(Math.max(dayCode, nightCode));
    daily.temperature_2m_max.push(at(s.max, d));
    daily.temperature_2m_min.push(at(s.min, d));
    daily.precipitation_sum.push(amount);
    daily.rain_sum.push(snow.includes(dayCode) ? 0 : amount);
    daily.snowfall_sum.push(snow.includes(dayCode) ? Number((amount * 0.7).toFixed(2)) : 0);
    daily.precipitation_probability_max.push(at(s.chance, d));
    daily.wind_speed_10m_max.push(at(s.wind, d));
    daily.wind_direction_10m_dominant.push(at(s.direction, d));
    daily.uv_index_max.push(at(s.uv, d));
    for (let h = 0; h < 24; ++h) {
      // 00-07 belong to the previous day's night, 08-19 to the day, 20-23 to its night.
      const dayHalf = h >= 8 && h < 20;
      const night = h < 8 ? Math.max(0, d - 1) : d;
      hourly.time.push(`${date}T${String(h).padStart(2, '0')}:00`);
      hourly.weather_code.push(dayHalf ? dayCode : at(s.nightCode, night));
      hourly.precipitation.push(Number(((dayHalf ? at(s.dayAmount, d) : at(s.nightAmount, night)) / 12).toFixed(3)));
      hourly.temperature_2m.push(dayHalf ? at(s.max, d) - 1 : at(s.min, night) + 1);
    }
  }
  return {
    latitude, longitude, generationtime_ms: 0.5, utc_offset_seconds: 28800,
    timezone: 'Asia/Shanghai', timezone_abbreviation: 'GMT+8', elevation: 44,
    hourly_units: { time: 'iso8601', weather_code: 'wmo code', precipitation: 'mm', temperature_2m: '°C' },
    hourly,
    daily_units: { time: 'iso8601', weather_code: 'wmo code', temperature_2m_max: '°C' },
    daily,
  };
}

class FakeUpstream {
  constructor({ mode = 'ok' } = {}) {
    this.mode = mode;
    this.requests = [];        // URL objects of every forecast request
    this.delayMs = 0;
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
    if (url.pathname !== '/v1/forecast') {
      this.send(response, 404, { error: true, reason: 'Not Found' });
      return;
    }
    this.requests.push(url);
    const go = () => this.answerForecast(url.searchParams, response);
    if (this.delayMs) setTimeout(go, this.delayMs);
    else go();
  }

  send(response, status, body, type = 'application/json; charset=utf-8') {
    const bytes = Buffer.from(typeof body === 'string' ? body : JSON.stringify(body));
    response.writeHead(status, { 'Content-Type': type, 'Content-Length': bytes.length });
    response.end(bytes);
  }

  answerForecast(query, response) {
    const good = forecast(query);
    switch (this.mode) {
      case 'error400':
        return this.send(response, 400, { error: true, reason: 'Cannot initialize WeatherVariable from invalid String value' });
      case 'status429':
        return this.send(response, 429, { error: true, reason: 'Minutely API request limit exceeded. Please try again in one minute.' });
      case 'status500':
        return this.send(response, 500, '<html><body>Internal Server Error</body></html>', 'text/html');
      case 'garbage':
        return this.send(response, 200, '\u0000\u00ffnot json at all{{');
      case 'truncated':
        return this.send(response, 200, JSON.stringify(good).slice(0, 900));
      case 'missing':
        return this.send(response, 200, { latitude: good.latitude, longitude: good.longitude,
          daily: { time: good.daily.time }, hourly: {} });
      case 'nulls': {
        const nulls = (series) => Object.fromEntries(Object.entries(series)
          .map(([key, list]) => [key, key === 'time' ? list : list.map(() => null)]));
        return this.send(response, 200, { ...good, daily: nulls(good.daily), hourly: nulls(good.hourly) });
      }
      case 'wrongtypes':
        return this.send(response, 200, { ...good, daily: { ...good.daily, weather_code: 'x',
          temperature_2m_max: [{}, [], 'hot', true], wind_direction_10m_dominant: null },
        hourly: { time: 5, weather_code: [999, -1, 'rain'] } });
      case 'hang':
        this.hanging.add(response);
        return undefined;
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
    port: { type: 'string', default: '0' }, mode: { type: 'string', default: 'ok' },
    lifetime: { type: 'string', default: '0' }, 'allow-quit': { type: 'boolean', default: true },
  } });
  if (!MODES.includes(values.mode)) {
    process.stderr.write(`--mode: one of ${MODES.join(', ')}\n`);
    process.exit(2);
  }
  const fake = new FakeUpstream({ mode: values.mode });
  fake.listen(Number(values.port)).then(() => {
    process.stdout.write(`listening on 127.0.0.1:${fake.port}\n`);
    fake.server.on('close', () => process.exit(0));
    if (Number(values.lifetime) > 0) setTimeout(() => process.exit(0), Number(values.lifetime) * 1000).unref();
  });
}

module.exports = { FakeUpstream, forecast, SCENARIOS, MODES };
