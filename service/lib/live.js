'use strict';
// The live source: a city's report made from Open-Meteo's forecast for the
// place's coordinates, kept in a small cache (one entry per table code).

const crypto = require('crypto');
const M = require('./mapping');
const { getUrl, RateQueue, UpstreamError } = require('./upstream');

const DAILY = ['weather_code', 'temperature_2m_max', 'temperature_2m_min', 'precipitation_sum',
  'rain_sum', 'snowfall_sum', 'precipitation_probability_max', 'wind_speed_10m_max',
  'wind_direction_10m_dominant', 'uv_index_max'];
const HOURLY = ['weather_code', 'precipitation', 'temperature_2m'];
const DAYS = 6;   // day 5's night ends at 08:00 of day 6

function forecastUrl(base, [latitude, longitude], today) {
  const query = new URLSearchParams({
    latitude: latitude.toFixed(4),
    longitude: longitude.toFixed(4),
    daily: DAILY.join(','),
    hourly: HOURLY.join(','),
    timezone: 'Asia/Shanghai',
  });
  if (today) {
    query.set('start_date', M.dayText(today));
    query.set('end_date', M.dayText(M.addDays(today, DAYS - 1)));
  } else {
    query.set('forecast_days', String(DAYS));
  }
  return `${base.replace(/\/+$/, '')}/v1/forecast?${query}`;
}

// --- reading an answer of any shape --------------------------------------

function objectOr(value) {
  return value && typeof value === 'object' && !Array.isArray(value) ? value : {};
}
function listOr(value) {
  return Array.isArray(value) ? value : [];
}
function numberAt(list, index) {
  return index >= 0 && M.isNumber(list[index]) ? list[index] : null;
}

// Parses the API's answer; throws UpstreamError for an answer that is no
// forecast at all (its error object, no JSON, no data).
function parseForecast(status, body) {
  let data;
  try {
    data = JSON.parse(body.toString('utf8'));
  } catch (error) {
    throw new UpstreamError(`forecast answer ${status} is no JSON`);
  }
  if (data && typeof data === 'object' && data.error === true) {
    throw new UpstreamError(`forecast API refused (${status}): ${String(data.reason).slice(0, 200)}`);
  }
  if (status !== 200) throw new UpstreamError(`forecast API answered ${status}`);
  if (!data || typeof data !== 'object' || Array.isArray(data)) {
    throw new UpstreamError('forecast answer is no object');
  }
  if (!data.daily && !data.hourly) throw new UpstreamError('forecast answer has no data');
  return data;
}

// One 12-hour half from the hourly series: the most severe code, the
// amount, whether rain and snow codes both occur, the hourly temperatures.
function halfOf(hourly, start) {
  const codes = listOr(hourly.weather_code);
  const amounts = listOr(hourly.precipitation);
  const temperatures = listOr(hourly.temperature_2m);
  let code = null;
  let amount = null;
  let known = 0;
  let rain = false;
  let snow = false;
  const temps = [];
  for (let i = start; i < start + 12 && start >= 0; ++i) {
    const c = numberAt(codes, i);
    if (c !== null) {
      ++known;
      if (code === null || c > code) code = c;
      rain = rain || M.isRainCode(c);
      snow = snow || M.isSnowCode(c);
    }
    const a = numberAt(amounts, i);
    if (a !== null) amount = (amount || 0) + a;
    const t = numberAt(temperatures, i);
    if (t !== null) temps.push(t);
  }
  // Fewer than half of the hours known: this half is not made from them.
  if (known < 6) code = null;
  return { code, amount, mixed: rain && snow, temps };
}

function roundedText(value) {
  return value === null ? '' : String(Math.round(value) || 0);
}

// The report object of one city from a parsed forecast. `today` is the
// report's first day; `madeAt` the time it is made (for "fchh").
function buildReport(name, code, forecast, today, madeAt = Date.now()) {
  const daily = objectOr(forecast.daily);
  const hourly = objectOr(forecast.hourly);
  const dailyTimes = listOr(daily.time);
  const hourlyTimes = listOr(hourly.time);
  const series = Object.fromEntries(DAILY.map((key) => [key, listOr(daily[key])]));

  const days = [];
  for (let i = 0; i < DAYS; ++i) {
    const date = M.dayText(M.addDays(today, i));
    const at = dailyTimes.length ? dailyTimes.indexOf(date) : i;
    const get = (key) => numberAt(series[key], at);
    const hourAt = (day, hour) => {
      if (!hourlyTimes.length) return (i + day) * 24 + hour;
      return hourlyTimes.indexOf(`${M.dayText(M.addDays(today, i + day))}T${String(hour).padStart(2, '0')}:00`);
    };
    const high = get('temperature_2m_max');
    const low = get('temperature_2m_min');
    const rainSum = get('rain_sum');
    const snowSum = get('snowfall_sum');
    const wholeDay = {
      code: get('weather_code'), amount: get('precipitation_sum'), hours: 24,
      mixed: rainSum !== null && snowSum !== null && rainSum > 0 && snowSum > 0,
    };
    const dayHalf = halfOf(hourly, hourAt(0, 8));
    const nightHalf = halfOf(hourly, hourAt(0, 20));
    const picture = (half) => M.pictureOf(half) ?? M.pictureOf(wholeDay);
    days.push({
      high, low,
      mean: high !== null && low !== null ? (high + low) / 2 : null,
      picture: picture(dayHalf),
      night: picture(nightHalf),
      amount: wholeDay.amount,
      chance: get('precipitation_probability_max'),
      force: M.beaufortForce(get('wind_speed_10m_max')),
      direction: M.windSector(get('wind_direction_10m_dominant')),
      uv: get('uv_index_max'),
      dayHigh: dayHalf.temps.length ? Math.max(...dayHalf.temps) : null,
      nightLow: nightHalf.temps.length ? Math.min(...nightHalf.temps) : null,
    });
  }

  const five = days.slice(0, 5);
  const hour = new Date(madeAt + 8 * 3600e3).getUTCHours();
  const info = {
    city: name,
    city_en: '',
    cityid: code,
    date_y: M.dateY(today),
    date: M.lunarDate(today),
    week: M.weekday(today),
    fchh: String(hour).padStart(2, '0'),
  };
  const temperature = (d, unit, f) => (d.high === null || d.low === null ? '' :
    `${f(d.high)}${unit}~${f(d.low)}${unit}`);
  five.forEach((d, i) => { info[`temp${i + 1}`] = temperature(d, '℃', (t) => roundedText(t)); });
  five.forEach((d, i) => {
    info[`tempF${i + 1}`] = temperature(d, '℉', (t) => (Math.round(t) * 1.8 + 32).toFixed(1));
  });
  five.forEach((d, i) => { info[`weather${i + 1}`] = M.weatherWords(M.titleOf(d.picture), M.titleOf(d.night)); });
  five.forEach((d, i) => {
    info[`img${2 * i + 1}`] = String(d.picture ?? M.DEFAULT_PICTURE);
    info[`img${2 * i + 2}`] = String(d.night ?? M.DEFAULT_PICTURE);
  });
  info.img_single = info.img1;
  five.forEach((d, i) => {
    info[`img_title${2 * i + 1}`] = M.titleOf(d.picture);
    info[`img_title${2 * i + 2}`] = M.titleOf(d.night);
  });
  info.img_title_single = info.img_title1;
  five.forEach((d, i) => { info[`wind${i + 1}`] = M.windText(d.direction, d.force); });
  info.fx1 = days[0].direction;
  info.fx2 = days[1].direction;
  five.forEach((d, i) => { info[`fl${i + 1}`] = M.forceText(d.force); });

  const wet = (d) => M.isWetPicture(d.picture) || M.isWetPicture(d.night) || (d.amount !== null && d.amount >= 1);
  const [d1, d2, d3] = days;
  const first = M.clothing(d1.mean);
  const second = M.clothing(d2.mean);
  info.index = first.word;
  info.index_d = first.advice;
  info.index48 = second.word;
  info.index48_d = second.advice;
  info.index_uv = M.uvLevel(d1.uv);
  info.index48_uv = M.uvLevel(d2.uv);
  info.index_xc = wet(d1) || wet(d2) ? '不宜' : wet(d3) ? '较适宜' : '适宜';
  const today1 = { mean: d1.mean, force: d1.force, picture: d1.picture, wet: wet(d1), chance: d1.chance };
  info.index_tr = M.travelIndex(today1);
  info.index_co = M.comfortIndex(today1);
  info.index_cl = M.exerciseIndex(today1);
  info.index_ls = M.dryingIndex(today1);
  info.index_ag = '';
  days.slice(0, 3).forEach((d, i) => {
    info[`st${2 * i + 1}`] = roundedText(d.dayHigh);
    info[`st${2 * i + 2}`] = roundedText(d.nightLow);
  });
  info.sd = '';
  return { weatherinfo: info };
}

// --- the source with its cache ----------------------------------------------

class LiveSource {
  constructor({ table, coordinates, forecastBase = 'https://api.open-meteo.com', freshMs = 30 * 60e3,
    staleMs = 24 * 3600e3, upstreamTimeoutMs = 10000, queue = {}, date = null, log = () => {},
    now = () => Date.now() }) {
    this.table = table;
    this.coordinates = coordinates;
    this.forecastBase = forecastBase;
    this.freshMs = freshMs;
    this.staleMs = staleMs;
    this.upstreamTimeoutMs = upstreamTimeoutMs;
    this.queue = new RateQueue({ waitMs: upstreamTimeoutMs, ...queue, now });
    this.date = date;
    this.log = log;
    this.now = now;
    this.cache = new Map();      // code -> {body, etag, madeAt, lastModified}; one per table code
    this.inFlight = new Map();   // code -> promise of a cache entry
  }

  today() {
    return this.date || M.chinaToday(this.now());
  }

  // A new cache entry for a code, from the API; rejects on any failure.
  refresh(code) {
    if (this.inFlight.has(code)) return this.inFlight.get(code);
    const today = this.today();
    const url = forecastUrl(this.forecastBase, this.coordinates[code], this.date);
    const promise = this.queue.run(() => getUrl(url, { timeoutMs: this.upstreamTimeoutMs }))
      .then(({ status, body }) => {
        const forecast = parseForecast(status, body);
        const madeAt = this.now();
        const report = buildReport(this.table.byCode.get(code), code, forecast, today, madeAt);
        const bytes = Buffer.from(JSON.stringify(report), 'utf8');
        const entry = {
          body: bytes,
          etag: `"${crypto.createHash('sha256').update(bytes).digest('base64url').slice(0, 22)}"`,
          madeAt,
          lastModified: Math.floor(madeAt / 1000) * 1000,  // HTTP dates have whole seconds
        };
        this.cache.set(code, entry);
        return entry;
      })
      .finally(() => this.inFlight.delete(code));
    this.inFlight.set(code, promise);
    return promise;
  }

  // {entry, fresh} for a table code, or {entry: null} when nothing can be served.
  async report(code) {
    const cached = this.cache.get(code);
    const age = (entry) => this.now() - entry.madeAt;
    if (cached && age(cached) < this.freshMs) return { entry: cached, fresh: true };
    if (!this.coordinates[code]) return { entry: null, reason: 'no coordinates' };
    try {
      return { entry: await this.refresh(code), fresh: true };
    } catch (error) {
      this.log(`${code}: ${error.message}`);
      if (cached && age(cached) < this.staleMs) return { entry: cached, fresh: false };
      return { entry: null, reason: error.message };
    }
  }
}

module.exports = { LiveSource, buildReport, parseForecast, forecastUrl, halfOf, DAILY, HOURLY, DAYS };
