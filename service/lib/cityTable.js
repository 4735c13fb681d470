'use strict';
// The program's own city table (resources/CityCode.txt, GBK, "name=code" per
// line): the service answers exactly the 447 codes the program can ask for.

const fs = require('fs');
const path = require('path');
const iconv = require('iconv-lite');

const TABLE_PATH = path.join(__dirname, '..', '..', 'resources', 'CityCode.txt');

// Province-level region of each group (digits 4-5 of a code), as the
// location page writes it.
const PROVINCES = {
  '01': '北京市', '02': '上海市', '03': '天津市', '04': '重庆市', '05': '黑龙江省',
  '06': '吉林省', '07': '辽宁省', '08': '内蒙古自治区', '09': '河北省', '10': '山西省',
  '11': '陕西省', '12': '山东省', '13': '新疆维吾尔自治区', '14': '西藏自治区',
  '15': '青海省', '16': '甘肃省', '17': '宁夏回族自治区', '18': '河南省', '19': '江苏省',
  '20': '湖北省', '21': '浙江省', '22': '安徽省', '23': '福建省', '24': '江西省',
  '25': '湖南省', '26': '贵州省', '27': '四川省', '28': '广东省', '29': '云南省',
  '30': '广西壮族自治区', '31': '海南省', '34': '台湾省',
};

function groupOf(code) {
  return code.slice(3, 5);
}

class CityTable {
  constructor(entries) {
    this.entries = entries;            // [{name, code}] in table order
    this.byCode = new Map();
    this.byName = new Map();           // the first entry of a name, as the program's search finds it
    for (const entry of entries) {
      if (!this.byCode.has(entry.code)) this.byCode.set(entry.code, entry.name);
      if (!this.byName.has(entry.name)) this.byName.set(entry.name, entry.code);
    }
  }

  // A name or a code to {name, code}, or null.
  find(nameOrCode) {
    if (this.byName.has(nameOrCode)) return { name: nameOrCode, code: this.byName.get(nameOrCode) };
    if (this.byCode.has(nameOrCode)) return { name: this.byCode.get(nameOrCode), code: nameOrCode };
    return null;
  }
}

function loadCityTable(file = TABLE_PATH) {
  const text = iconv.decode(fs.readFileSync(file), 'gbk');
  const entries = [];
  for (const line of text.split(/\r\n|\r|\n/)) {
    const at = line.indexOf('=');
    if (at > 0) entries.push({ name: line.slice(0, at), code: line.slice(at + 1) });
  }
  return new CityTable(entries);
}

const NATIONALITIES = /(藏族|羌族|彝族|回族|蒙古族|蒙古|哈萨克|柯尔克孜|朝鲜族|土家族|苗族|侗族|布依族|壮族|哈尼族|傣族|景颇族|傈僳族|白族|黎族)$/;

// A region's name without its kind: 南京市 -> 南京, 阿坝藏族羌族自治州 -> 阿坝,
// 阿克苏地区 -> 阿克苏, 兴安盟 -> 兴安, 白沙黎族自治县 -> 白沙. Names of
// two characters keep their last one (城区 stays).
function shortPlaceName(raw) {
  let name = String(raw || '');
  const kind = /(自治州|自治县|地区|林区|新区|市|盟|县|区)$/.exec(name);
  if (!kind || name.length - kind[0].length < 2) return name;
  name = name.slice(0, name.length - kind[0].length);
  if (kind[0].startsWith('自治')) {
    while (NATIONALITIES.test(name) && name.replace(NATIONALITIES, '').length >= 2) {
      name = name.replace(NATIONALITIES, '');
    }
  }
  return name;
}

function provinceOf(code) {
  return PROVINCES[groupOf(code)] || '';
}

module.exports = { loadCityTable, CityTable, PROVINCES, groupOf, provinceOf, shortPlaceName, TABLE_PATH };
