'use strict';
// The words and rules of a report, shared by both sources: picture numbers
// and their words, wind sectors and forces, the living indexes, the dates.
// service/README.md writes the same rules down for readers.

const { Solar } = require('lunar-javascript');

// Words of the picture set, by picture number (0-31, and 53).
// At most four characters each: two of them and a blank fit a day column of
// the program's table, and two joined by 转 fit its weather lines.
const TITLES = ['晴', '多云', '阴', '阵雨', '雷阵雨', '雷雨冰雹', '雨夹雪', '小雨',
  '中雨', '大雨', '暴雨', '大暴雨', '特大暴雨', '阵雪', '小雪', '中雪', '大雪',
  '暴雪', '雾', '冻雨', '沙尘暴', '小到中雨', '中到大雨', '大到暴雨',
  '大暴雨', '特大暴雨', '小到中雪', '中到大雪', '大到暴雪',
  '浮尘', '扬沙', '强沙尘暴'];

function titleOf(number) {
  if (number === 53) return '霾';
  return Number.isInteger(number) && number >= 0 && number < TITLES.length ? TITLES[number] : '';
}

// A picture that cannot be made shows picture 1, the one the program itself
// shows for the old "same as before" number 99; its words stay empty.
const DEFAULT_PICTURE = 1;

const WEEKDAYS = ['星期日', '星期一', '星期二', '星期三', '星期四', '星期五', '星期六'];
const DIRECTIONS = ['北风', '东北风', '东风', '东南风', '南风', '西南风', '西风', '西北风'];

function isNumber(value) {
  return typeof value === 'number' && Number.isFinite(value);
}

// Degrees (where the wind comes from) to one of 8 sectors of 45 degrees,
// each centred on its direction: 北风 is 337.5 up to, not including, 22.5.
function windSector(degrees) {
  if (!isNumber(degrees)) return '';
  const turn = ((degrees % 360) + 360) % 360;
  return DIRECTIONS[Math.floor((turn + 22.5) / 45) % 8];
}

// Wind force grades of GB/T 28591-2012 by m/s: force f while the speed is
// below the lower bound of f + 1. The standard prints bounds to 0.1 m/s
// (grade 1 is 0.3-1.5, grade 2 1.6-3.3), so a speed between them, such as
// 1.55, stays in the lower grade. Grades go on to 17 (from 56.1).
const FORCE_FROM_MS = [0.3, 1.6, 3.4, 5.5, 8.0, 10.8, 13.9, 17.2, 20.8, 24.5, 28.5, 32.7,
  37.0, 41.5, 46.2, 51.0, 56.1];

function beaufortForce(ms) {
  if (!isNumber(ms) || ms < 0) return null;
  const force = FORCE_FROM_MS.findIndex((bound) => ms < bound);
  return force < 0 ? FORCE_FROM_MS.length : force;
}

// 四舍五入 to a whole number: halves go away from zero (-2.5 -> -3). The
// value is first cut to 9 decimals so that a sum's 2.4999999999999996
// counts as the 2.5 it stands for; -0 becomes 0. Not a number: null.
function roundHalfAway(value) {
  if (!isNumber(value)) return null;
  const tidy = Number(value.toFixed(9));
  const whole = Math.sign(tidy) * Math.round(Math.abs(tidy));
  return whole === 0 ? 0 : whole;
}

// The force as the report writes it: "小于3级" up to force 2, then "3-4级" and so on.
// The old service's texts stop at "12级", which also stands for 13 to 17.
function forceText(force) {
  if (force === null || force === undefined) return '';
  if (force <= 2) return '小于3级';
  if (force >= 12) return '12级';
  return `${force}-${force + 1}级`;
}

// The day's wind: "微风" up to force 2, otherwise the direction and the force
// of the day's strongest wind ("北风3-4级"); never two forces.
function windText(direction, force) {
  if (force === null || force === undefined) return direction;
  if (force <= 2) return '微风';
  return direction + forceText(force);
}

// --- pictures from forecast codes (WMO 4677 subset) and amounts -----------

// Rain bands for 12 hours (mm): 小雨, 中雨, 大雨, 暴雨, 大暴雨, 特大暴雨.
const RAIN_12H = [5, 15, 30, 70, 140];
const RAIN_PICTURES = [7, 8, 9, 10, 11, 12];
const RAIN_PAIRS = [21, 22, 23, 24, 25];   // 小到中雨 ... 大暴雨到特大暴雨
// Snow bands for 12 hours (mm of water): 小雪, 中雪, 大雪, 暴雪.
const SNOW_12H = [1, 3, 6];
const SNOW_PICTURES = [14, 15, 16, 17];
const SNOW_PAIRS = [26, 27, 28];           // 小到中雪 ... 大到暴雪

// An amount in the top fifth of its band, just under the next band's lower
// bound, gives the band's "到" pair (小到中雨); otherwise the band's picture.
function byAmount(amount, bounds, pictures, pairs, hours) {
  const scale = hours / 12;
  const value = isNumber(amount) && amount > 0 ? amount : 0;
  for (let band = 0; band < bounds.length; ++band) {
    const upper = bounds[band] * scale;
    if (value < upper) return value >= upper * 0.8 ? pairs[band] : pictures[band];
  }
  return pictures[pictures.length - 1];
}

const RAIN_CODES = new Set([51, 53, 55, 61, 63, 65]);
const SHOWER_CODES = new Set([80, 81, 82]);
const FREEZING_CODES = new Set([56, 57, 66, 67]);
const SNOW_CODES = new Set([71, 73, 75, 77]);
const SNOW_SHOWER_CODES = new Set([85, 86]);
// Rain and snow together (WMO 4677 68, 69; showers 83, 84): the other
// source's sleet.
const SLEET_CODES = new Set([68, 69, 83, 84]);
const KNOWN_CODES = new Set([0, 1, 2, 3, 45, 48, 95, 96, 99, ...RAIN_CODES, ...SHOWER_CODES,
  ...FREEZING_CODES, ...SNOW_CODES, ...SNOW_SHOWER_CODES, ...SLEET_CODES]);

function isRainCode(code) {
  return SLEET_CODES.has(code) || RAIN_CODES.has(code) || SHOWER_CODES.has(code) || FREEZING_CODES.has(code);
}
function isSnowCode(code) {
  return SLEET_CODES.has(code) || SNOW_CODES.has(code) || SNOW_SHOWER_CODES.has(code);
}

// One picture number for a stretch of time (a 12-hour half, or a whole day
// of `hours` 24): `code` the most severe forecast code of the stretch, `amount`
// its precipitation (mm), `mixed` true when it holds both rain and snow codes.
// Returns null when no picture can be made.
function pictureOf({ code, amount, mixed = false, hours = 12 }) {
  if (!isNumber(code) || !KNOWN_CODES.has(code)) return null;
  const heavy = hours / 12;
  if (code === 0 || code === 1) return 0;
  if (code === 2) return 1;
  if (code === 3) return 2;
  if (code === 45 || code === 48) return 18;
  if (code === 95) return 4;
  if (code === 96 || code === 99) return 5;
  if (FREEZING_CODES.has(code)) return 19;
  if (mixed || SLEET_CODES.has(code)) return 6;
  if (SHOWER_CODES.has(code)) {
    return isNumber(amount) && amount >= RAIN_12H[0] * heavy ?
      byAmount(amount, RAIN_12H, RAIN_PICTURES, RAIN_PAIRS, hours) : 3;
  }
  if (RAIN_CODES.has(code)) return byAmount(amount, RAIN_12H, RAIN_PICTURES, RAIN_PAIRS, hours);
  if (SNOW_SHOWER_CODES.has(code)) {
    return isNumber(amount) && amount >= SNOW_12H[0] * heavy ?
      byAmount(amount, SNOW_12H, SNOW_PICTURES, SNOW_PAIRS, hours) : 13;
  }
  return byAmount(amount, SNOW_12H, SNOW_PICTURES, SNOW_PAIRS, hours);
}

// --- haze and dust from the air's particles ---------------------------------

// Dust (µg/m³) to visibility (km) by D'Almeida's relation for mineral dust,
// C = 914 · V^-0.73 + 19, and the dust-weather grades by visibility and wind
// (GB/T 20480-2017): 浮尘 below 10 km with force 3 or less, 扬沙 below 10 km
// with more wind, 沙尘暴 below 1 km, 强沙尘暴 below 0.5 km.
const dustFor = (km) => 914 * km ** -0.73 + 19;
const DUST_GRADES = [[dustFor(0.5), 31], [dustFor(1), 20]];
const DUST_HAZY = dustFor(10);
// Haze (QX/T 113-2010): fine particles (PM2.5) above 75 µg/m³.
const HAZE_PM25 = 75;

function visibilityKm(dust) {
  return isNumber(dust) && dust > 19 ? ((dust - 19) / 914) ** (-1 / 0.73) : Infinity;
}

// The picture of a half with its air: `dust` and `pm25` the half's mean
// concentrations (µg/m³, null when unknown), `force` the day's wind force.
// Precipitation keeps its picture; dust overrides sky and fog; haze
// overrides only the sky.
function pictureWithAir(picture, { dust = null, pm25 = null } = {}, force = null) {
  if (isWetPicture(picture)) return picture;
  if (isNumber(dust) && dust >= DUST_HAZY) {
    const grade = DUST_GRADES.find(([bound]) => dust >= bound);
    if (grade) return grade[1];
    return force !== null && force > 3 ? 30 : 29;
  }
  if (picture === 18) return picture;
  if (isNumber(pm25) && pm25 > HAZE_PM25) return 53;
  return picture;
}

// Pictures that mean rain, snow or both falling.
function isWetPicture(number) {
  return (number >= 3 && number <= 17) || number === 19 || (number >= 21 && number <= 28);
}
// Heavy weather: 大雨 and more, 大雪 and more, hail, sandstorms.
const HEAVY_PICTURES = new Set([5, 9, 10, 11, 12, 16, 17, 20, 23, 24, 25, 28, 31]);
// Skies without sun: overcast, fog, haze, dust.
const DULL_PICTURES = new Set([2, 18, 20, 29, 30, 31, 53]);
// Air not to exercise in: fog, haze, dust.
const FOUL_AIR = new Set([18, 20, 29, 30, 31, 53]);

// "小雨转多云": the day's words, "转" and the night's when they differ.
function weatherWords(dayTitle, nightTitle) {
  if (!dayTitle) return nightTitle;
  if (!nightTitle || nightTitle === dayTitle) return dayTitle;
  return `${dayTitle}转${nightTitle}`;
}

// --- living indexes --------------------------------------------------------

// Clothing by the day's mean temperature (°C), from the warmest level down.
// An advice sentence is one line of the program's index block: at most 36
// characters.
const CLOTHING = [
  { from: 28, word: '炎热', advice: '天气炎热，宜着短衫、短裤、薄T恤等清凉夏装，注意防晒，多喝水。' },
  { from: 24, word: '热', advice: '天气热，宜着短裙、短裤、短薄外套、T恤等夏季服装，外出注意防晒。' },
  { from: 20, word: '舒适', advice: '宜着长袖T恤、衬衫加单裤等服装，年老体弱者宜着针织长袖衬衫、马甲和长裤。' },
  { from: 15, word: '较舒适', advice: '宜着薄外套、开衫牛仔衫裤等服装，年老体弱者宜着夹克衫、薄毛衣。' },
  { from: 10, word: '凉', advice: '天气偏凉，宜着夹克衫、风衣、薄毛衣加长裤，年老体弱者宜着厚外套。' },
  { from: 5, word: '较冷', advice: '宜着厚外套加毛衣等服装，年老体弱者宜着大衣、呢外套加羊毛衫，注意保暖。' },
  { from: -5, word: '冷', advice: '天气冷，宜着棉服、羽绒服、皮夹克加羊毛衫等冬装，年老体弱者注意防寒。' },
  { from: -Infinity, word: '寒冷', advice: '天气寒冷，宜着厚羽绒服、毛皮大衣加厚毛衣等隆冬服装，注意保暖防冻。' },
];

function clothing(mean) {
  if (!isNumber(mean)) return { word: '', advice: '' };
  return CLOTHING.find((level) => mean >= level.from);
}

// Ultraviolet by the day's highest UV index (the usual five levels).
function uvLevel(uv) {
  if (!isNumber(uv)) return '';
  if (uv < 3) return '最弱';
  if (uv < 5) return '弱';
  if (uv < 7) return '中等';
  if (uv < 10) return '强';
  return '很强';
}

// A day as the index rules see it: mean temperature, Beaufort force, the day
// picture, whether anything falls in the day or the night half, and the
// chance of precipitation (%).
function exerciseIndex({ mean, force, picture, wet }) {
  if (wet || (force !== null && force >= 5) || FOUL_AIR.has(picture)) return '不宜';
  if (!isNumber(mean)) return '';
  if (mean < 0 || (force !== null && force >= 4)) return '较不宜';
  if (picture === 0 && mean >= 10) return '适宜';
  return '较适宜';
}

function comfortIndex({ mean, force }) {
  if (!isNumber(mean)) return '';
  const windy = force !== null && force >= 5;
  if (mean >= 18 && mean <= 25 && !windy) return '舒适';
  if (mean >= 10 && mean <= 28 && !windy) return '较舒适';
  if (mean >= 0 && mean <= 32) return '较不舒适';
  return '很不舒适';
}

function dryingIndex({ picture, wet, chance }) {
  if (wet || (isNumber(chance) && chance >= 70)) return '不宜';
  if (picture === null || picture === undefined) return '';
  if (DULL_PICTURES.has(picture)) return '不太适宜';
  if (picture === 1) return '基本适宜';
  return '适宜';
}

function travelIndex({ mean, force, picture, wet }) {
  if (HEAVY_PICTURES.has(picture) || (force !== null && force >= 6)) return '较不宜';
  if (wet) return '一般';
  if (!isNumber(mean)) return '';
  return mean >= 10 && mean <= 26 ? '适宜' : '较适宜';
}

// --- dates -----------------------------------------------------------------

// A calendar day as {year, month, day} (month 1-12).
function parseDay(text) {
  const m = /^(\d{4})-(\d{2})-(\d{2})$/.exec(text || '');
  if (!m) return null;
  const day = { year: Number(m[1]), month: Number(m[2]), day: Number(m[3]) };
  const check = new Date(Date.UTC(day.year, day.month - 1, day.day));
  return check.getUTCMonth() === day.month - 1 && check.getUTCDate() === day.day ? day : null;
}

function addDays(day, count) {
  const date = new Date(Date.UTC(day.year, day.month - 1, day.day + count));
  return { year: date.getUTCFullYear(), month: date.getUTCMonth() + 1, day: date.getUTCDate() };
}

function dayText(day) {
  const two = (n) => String(n).padStart(2, '0');
  return `${day.year}-${two(day.month)}-${two(day.day)}`;
}

// Today in China (UTC+8 all year).
function chinaToday(now = Date.now()) {
  const date = new Date(now + 8 * 3600 * 1000);
  return { year: date.getUTCFullYear(), month: date.getUTCMonth() + 1, day: date.getUTCDate() };
}

// Today on this machine's own clock.
function localToday(now = new Date()) {
  return { year: now.getFullYear(), month: now.getMonth() + 1, day: now.getDate() };
}

function dateY(day) {
  return `${day.year}年${day.month}月${day.day}日`;
}

function weekday(day) {
  return WEEKDAYS[new Date(Date.UTC(day.year, day.month - 1, day.day)).getUTCDay()];
}

// The Chinese lunar date, such as 十月三十 or 闰二月十一.
function lunarDate(day) {
  const lunar = Solar.fromYmd(day.year, day.month, day.day).getLunar();
  return `${lunar.getMonthInChinese()}月${lunar.getDayInChinese()}`;
}

module.exports = {
  pictureWithAir, visibilityKm, dustFor, HAZE_PM25,
  TITLES, titleOf, DEFAULT_PICTURE, WEEKDAYS, DIRECTIONS, windSector, beaufortForce, forceText,
  windText, roundHalfAway, pictureOf, isRainCode, isSnowCode, isWetPicture, HEAVY_PICTURES,
  weatherWords, clothing, CLOTHING, uvLevel, exerciseIndex, comfortIndex, dryingIndex, travelIndex,
  parseDay, addDays, dayText, chinaToday, localToday, dateY, weekday, lunarDate, isNumber,
};
