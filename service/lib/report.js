'use strict';
// A live report from a stored forecast: the series of service/lib/openMeteo.js
// (hourly from 00:00 of the stored first day, daily from that day), read
// from `today` on, so that after midnight day 1 is the stored next day.

const M = require('./mapping');

const REPORT_DAYS = 6;   // five shown, and day 6 for the car-washing index's day 3 … and day 5's night

function daysBetween(fromText, to) {
  const from = M.parseDay(fromText);
  if (!from) return NaN;
  return Math.round((Date.UTC(to.year, to.month - 1, to.day) - Date.UTC(from.year, from.month - 1, from.day)) / 86400e3);
}

function at(series, index) {
  return Array.isArray(series) && index >= 0 && index < series.length && M.isNumber(series[index]) ? series[index] : null;
}

// One 12-hour half starting at hourly index `start` (08:00 or 20:00). The
// codes and amounts are those of the hours ending inside it (an entry holds
// the hour before its time); the temperatures are the instants within it.
function halfOf(hourly, start) {
  let code = null;
  let amount = null;
  let known = 0;
  let rain = false;
  let snow = false;
  for (let i = start + 1; i <= start + 12; ++i) {
    const c = at(hourly.weather_code, i);
    if (c !== null) {
      ++known;
      if (code === null || c > code) code = c;
      rain = rain || M.isRainCode(c);
      snow = snow || M.isSnowCode(c);
    }
    const a = at(hourly.precipitation, i);
    if (a !== null) amount = (amount || 0) + a;
  }
  const temps = [];
  for (let i = start; i <= start + 12; ++i) {
    const t = at(hourly.temperature_2m, i);
    if (t !== null) temps.push(t);
  }
  // Fewer than half of the hours known: no picture from them.
  if (known < 6) code = null;
  return { code, amount, mixed: rain && snow, temps };
}

// The mean fine particles and dust of the hours ending inside the half
// starting at `start` of the air series, when at least half of them are known.
function airOf(air, start) {
  if (!air || !air.hourly) return null;
  const mean = (series) => {
    const known = [];
    for (let i = start + 1; i <= start + 12; ++i) {
      const value = at(series, i);
      if (value !== null) known.push(value);
    }
    return known.length >= 6 ? known.reduce((sum, value) => sum + value, 0) / known.length : null;
  };
  return { pm25: mean(air.hourly.pm2_5), dust: mean(air.hourly.dust) };
}

function degrees(value) {
  return value === null ? '' : String(M.roundHalfAway(value));
}

function fahrenheit(value) {
  return (value * 1.8 + 32).toFixed(1);
}

// Whether the stored forecast holds `today` at all.
function covers(forecast, today) {
  const offset = daysBetween(forecast.start, today);
  return offset >= 0 && at(forecast.daily.temperature_2m_max, offset) !== null;
}

// The report object of one place, or null when the forecast does not hold
// today. `madeAt` is when the forecast was fetched (for "fchh"); `air`, when
// known, the place's air-quality series, which may make a half hazy or dusty.
function buildReport(name, code, forecast, today, madeAt, air = null) {
  if (!covers(forecast, today)) return null;
  const offset = daysBetween(forecast.start, today);
  const airOffset = air && air.start ? daysBetween(air.start, today) : NaN;
  const { daily, hourly } = forecast;
  const days = [];
  for (let i = 0; i < REPORT_DAYS; ++i) {
    const d = offset + i;
    const get = (name) => at(daily[name], d);
    const dayHalf = halfOf(hourly, d * 24 + 8);
    const nightHalf = halfOf(hourly, d * 24 + 20);
    const force = M.beaufortForce(get('wind_speed_10m_max'));
    const airHalf = (hour) => (Number.isNaN(airOffset) ? null : airOf(air, (airOffset + i) * 24 + hour));
    const high = get('temperature_2m_max');
    const low = get('temperature_2m_min');
    const amount = dayHalf.amount === null && nightHalf.amount === null ? null :
      (dayHalf.amount || 0) + (nightHalf.amount || 0);
    days.push({
      high, low,
      mean: high !== null && low !== null ? (high + low) / 2 : null,
      picture: M.pictureWithAir(M.pictureOf(dayHalf), airHalf(8) || undefined, force),
      night: M.pictureWithAir(M.pictureOf(nightHalf), airHalf(20) || undefined, force),
      amount,
      chance: get('precipitation_probability_max'),
      force,
      direction: M.windSector(get('wind_direction_10m_dominant')),
      uv: get('uv_index_max'),
      dayHigh: dayHalf.temps.length ? Math.max(...dayHalf.temps) : null,
      nightLow: nightHalf.temps.length ? Math.min(...nightHalf.temps) : null,
    });
  }

  const wet = (d) => M.isWetPicture(d.picture) || M.isWetPicture(d.night) || (d.amount !== null && d.amount >= 1);
  for (const d of days) {
    d.wind = M.windText(d.direction, d.force);
    d.wet = wet(d);
  }
  const [d1, d2, d3] = days;
  return assembleReport({
    name, code, today, days,
    fchh: String(new Date(madeAt + 8 * 3600e3).getUTCHours()).padStart(2, '0'),
    uv: [M.uvLevel(d1.uv), M.uvLevel(d2.uv)],
    washing: d1.wet || d2.wet ? '不宜' : d3.wet ? '较适宜' : '适宜',
    allergy: '',
    feels: days.slice(0, 3).flatMap((d) => [d.dayHigh === null ? '' : degrees(d.dayHigh),
      d.nightLow === null ? '' : degrees(d.nightLow)]),
    // Where the forecast came from; the program reads no such member.
    extra: { source: forecast.source || '' },
  });
}

// The report object, {weatherinfo}, of a place on `today` from its days,
// whichever source made them. Each day: high and low (°C, null when
// unknown), picture and night (codes, null when unknown; nightImage, when
// given, is written for the night's picture instead), wind (its words),
// direction, force, mean (°C or null), wet and chance (the day's rain
// chance, when known). Days 1 and 2 make the clothing and the day-1 indexes.
// The source's own judgements: uv (days 1 and 2), washing, allergy, feels
// (the felt temperatures of days 1-3, day then night, as texts), extra
// (members after the program's).
function assembleReport({ name, code, today, fchh, days, uv, washing, allergy, feels, extra = {} }) {
  const five = days.slice(0, 5);
  const info = {
    city: name,
    city_en: '',
    cityid: code,
    date_y: M.dateY(today),
    date: M.lunarDate(today),
    week: M.weekday(today),
    fchh,
  };
  const range = (d, unit, f) => (d.high === null || d.low === null ? '' : `${f(d.high)}${unit}~${f(d.low)}${unit}`);
  five.forEach((d, i) => { info[`temp${i + 1}`] = range(d, '℃', degrees); });
  five.forEach((d, i) => { info[`tempF${i + 1}`] = range(d, '℉', fahrenheit); });
  five.forEach((d, i) => { info[`weather${i + 1}`] = M.weatherWords(M.titleOf(d.picture), M.titleOf(d.night)); });
  five.forEach((d, i) => {
    info[`img${2 * i + 1}`] = String(d.picture ?? M.DEFAULT_PICTURE);
    info[`img${2 * i + 2}`] = d.nightImage ?? String(d.night ?? M.DEFAULT_PICTURE);
  });
  info.img_single = info.img1;
  five.forEach((d, i) => {
    info[`img_title${2 * i + 1}`] = M.titleOf(d.picture);
    info[`img_title${2 * i + 2}`] = M.titleOf(d.night);
  });
  info.img_title_single = info.img_title1;
  five.forEach((d, i) => { info[`wind${i + 1}`] = d.wind; });
  info.fx1 = days[0].direction;
  info.fx2 = days[1].direction;
  five.forEach((d, i) => { info[`fl${i + 1}`] = M.forceText(d.force); });

  const [d1, d2] = days;
  const first = M.clothing(d1.mean);
  const second = M.clothing(d2.mean);
  info.index = first.word;
  info.index_d = first.advice;
  info.index48 = second.word;
  info.index48_d = second.advice;
  [info.index_uv, info.index48_uv] = uv;
  info.index_xc = washing;
  const today1 = { mean: d1.mean, force: d1.force, picture: d1.picture, wet: d1.wet, chance: d1.chance };
  info.index_tr = M.travelIndex(today1);
  info.index_co = M.comfortIndex(today1);
  info.index_cl = M.exerciseIndex(today1);
  info.index_ls = M.dryingIndex(today1);
  info.index_ag = allergy;
  feels.forEach((text, i) => { info[`st${i + 1}`] = text; });
  info.sd = '';
  return { weatherinfo: Object.assign(info, extra) };
}

module.exports = { buildReport, assembleReport, covers, halfOf, daysBetween };
