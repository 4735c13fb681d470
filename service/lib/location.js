'use strict';
// The location page: a GBK page whose result piece reads
//   查询结果：[address]&nbsp;-&nbsp;<province> <name>市 <carrier></span>
// so that the program, which keeps the text after the first "-", takes the
// part after the first blank and cuts it before "市", finds <name> in its
// city list. Live, the name comes from the caller's address through the
// offline ip2region database; the synthetic source names a fixed city.

const net = require('net');
const crypto = require('crypto');
const iconv = require('iconv-lite');
const { provinceOf, shortPlaceName } = require('./cityTable');

const HEAD = '<!DOCTYPE html>\r\n<html>\r\n<head>\r\n' +
  '<meta http-equiv="Content-Type" content="text/html; charset=gb2312">\r\n' +
  '<title>IP地址查询</title>\r\n</head>\r\n<body>\r\n' +
  '<div class="header">IP地址查询 - 您的访问来自</div>\r\n';
const TAIL = '<ul>\r\n<li>本站数据：仅供参考，以实际为准</li>\r\n' +
  '<li>查询次数：今日已查询1次</li>\r\n</ul>\r\n</body>\r\n</html>\r\n';

function page(middle) {
  return iconv.encode(HEAD + middle + TAIL, 'gbk');
}

// The synthetic page for a table entry, in one of the shapes the program's
// tests ask for.
function syntheticPage(name, code, clientAddress, shape = 'normal') {
  const province = provinceOf(code);
  const isps = ['电信', '联通', '移动'];
  const isp = isps[Number(BigInt('0x' + crypto.createHash('sha256').update(code).digest('hex')) % 3n)];
  const piece = `[${clientAddress}]&nbsp;-&nbsp;${province} ${name}市 ${isp}`;
  switch (shape) {
    case 'nomarker':
      return page(`<p>您的IP地址：[${clientAddress}]</p>\r\n`);
    case 'noblank':
      return page(`<p><span class="result">查询结果：[${clientAddress}]&nbsp;-&nbsp;${province}${name}市${isp}</span></p>\r\n`);
    case 'twopieces':
      return page(`<p><span class="result">查询结果：${piece}</span></p>` +
        `<p><span>查询结果2：参考数据&nbsp;${province}</span></p>\r\n`);
    default:
      return page(`<p><span class="result">查询结果：${piece}</span></p>\r\n`);
  }
}

// Short region names of the database that are not the table's name of the
// place: autonomous prefectures and leagues go to the table's place at their
// seat, new names to the table's old ones.
const ALIASES = {
  襄阳: '襄樊', 延边: '延吉', 西双版纳: '景洪', 迪庆: '香格里拉', 黔南: '都匀', 黔西南: '兴义',
  黔东南: '凯里', 湘西: '吉首', 甘南: '合作', 陇南: '武都', 巴彦淖尔: '临河', 乌兰察布: '集宁',
  兴安: '乌兰浩特', 锡林郭勒: '锡林浩特', 阿拉善: '阿拉善左旗', 巴音郭楞: '库尔勒', 伊犁: '伊宁',
  博尔塔拉: '博乐', 克孜勒苏: '阿图什', 三沙: '西沙', 台北: '台北县', 新北: '台北县',
};

// The table entry a database region names, or null. Municipalities come
// as province "北京" with city "北京市".
function tableEntryForRegion(region, table) {
  if (!region || region.country !== '中国' || !region.city) return null;
  const name = shortPlaceName(region.city);
  const aliased = ALIASES[name] || name;
  return table.byName.has(aliased) ? { name: aliased, code: table.byName.get(aliased) } : null;
}

class Locator {
  constructor(table, { defaultCity = null } = {}) {
    this.table = table;
    this.defaultCity = defaultCity;   // {name, code} or null
    this.db = null;
  }

  // Loaded on first use: the database is 8 MB.
  database() {
    if (!this.db) {
      const IP2Region = require('ip2region').default;
      this.db = new IP2Region({ disableIpv6: true });
    }
    return this.db;
  }

  lookup(address) {
    if (!net.isIPv4(address)) return null;
    try {
      return this.database().search(address);
    } catch (error) {
      return null;
    }
  }

  // The page for a caller's address.
  pageFor(address) {
    const region = this.lookup(address);
    const entry = tableEntryForRegion(region, this.table) || this.defaultCity;
    const clean = (text) => String(text || '').replace(/[\s<>&"-]/g, '').slice(0, 8);
    const isp = clean(region && region.isp);
    if (entry) {
      const province = clean(region && region.country === '中国' && region.province) || provinceOf(entry.code);
      const piece = `[${address}]&nbsp;-&nbsp;${province} ${entry.name}市${isp ? ' ' + isp : ''}`;
      return { entry, body: page(`<p><span class="result">查询结果：${piece}</span></p>\r\n`) };
    }
    // No place of the table: the region in one word, so that nothing is selected.
    const words = region ? [...new Set([region.country, region.province, region.city, region.isp].map(clean))].join('') : '';
    const piece = `[${address}]&nbsp;-&nbsp;${words || '未知地区'}`;
    return { entry: null, body: page(`<p><span class="result">查询结果：${piece}</span></p>\r\n`) };
  }
}

module.exports = { syntheticPage, Locator, tableEntryForRegion, ALIASES };
