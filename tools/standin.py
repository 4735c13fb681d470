#!/usr/bin/env python3
"""Local stand-in for the two web services the weather viewer talks to.

Runs one small HTTP server (standard library only) that answers both:

  /                     the IP-location page, GBK, with the result marker
                        "查询结果" followed by "[ip]&nbsp;-&nbsp;<province>
                        <city>市 <isp></span>", so that the viewer locates
                        the city chosen with --city.
  /data/<code>.html     the weather report of a city code of the embedded
                        city table (resources/CityCode.txt): a JSON object
                        {"weatherinfo": {...}} in UTF-8.  The values are made
                        up, but stable: they follow from the city code and
                        the date of each forecast day.
  anything else         an HTML error page with status 404 (also for an
                        unknown code and for "/data/.html").

Test hooks, answered on /data/<code>.html:

  000000001  {}                                  (no "weatherinfo")
  000000002  {"weatherinfo": 5}                  (not an object)
  000000003  [1,2]                               (not an object at all)
  000000004  the Kunming report with "date_y": 20   (not a string)
  000000005  the Kunming report with "img3": "-5"   (image_Index\\d-5.bmp
                                                     does not exist)
  000000006  the Kunming report with "date": null    (not a string)
  000000007  the Kunming report with numeric icons: img1 7.5 (file 08),
             img2 6.5 (file 06), img3 true (file -1, missing)
  000000008  the Kunming report with img1 "abc"   (no number)
  000000009  a report of "city" only                (members missing)
  000000010  a cut-off JSON text                    (parse failure)
  000000011  the Kunming report with key texts of other kinds: temp1 null,
             weather1 [1,2], wind1 {}, index_uv 3, temp2 1.5, wind2 true
  000000012  the Kunming report with img1 and img2 "99" (file 01)

Options for failure tests of the location page:

  --location-status CODE   answer "/" with that status (3xx also carry a
                           Location header) and a small HTML body
  --location-shape SHAPE   normal (default); nomarker (page without the
                           result marker); noblank ("云南省昆明市电信");
                           twopieces (two result pieces in the window)

Other options: --date YYYY-MM-DD fixes "today" (default: the local date),
--verbose logs every request on stderr, --self-test runs a quick check on a
free port and exits with status 0 when everything answered as expected.

Usage: python3 tools/standin.py --port PORT [--host 127.0.0.1] [--city NAME]
Prints "listening on HOST:PORT" once it serves (--port 0 picks a free port).
"""

import argparse
import datetime
import hashlib
import http.server
import json
import math
import os
import random
import re
import sys
import threading

HERE = os.path.dirname(os.path.abspath(__file__))
CITY_TABLE = os.path.join(HERE, os.pardir, "resources", "CityCode.txt")

TITLES = ["晴", "多云", "阴", "阵雨", "雷阵雨", "雷阵雨伴有冰雹", "雨夹雪", "小雨",
          "中雨", "大雨", "暴雨", "大暴雨", "特大暴雨", "阵雪", "小雪", "中雪", "大雪",
          "暴雪", "雾", "冻雨", "沙尘暴", "小到中雨", "中到大雨", "大到暴雨",
          "暴雨到大暴雨", "大暴雨到特大暴雨", "小到中雪", "中到大雪", "大到暴雪",
          "浮尘", "扬沙", "强沙尘暴"]
ICON_TITLE = dict(enumerate(TITLES))
ICON_TITLE[53] = "霾"

PROVINCES = {
    "01": "北京市", "02": "上海市", "03": "天津市", "04": "重庆市", "05": "黑龙江省",
    "06": "吉林省", "07": "辽宁省", "08": "内蒙古自治区", "09": "河北省", "10": "山西省",
    "11": "陕西省", "12": "山东省", "13": "新疆维吾尔自治区", "14": "西藏自治区",
    "15": "青海省", "16": "甘肃省", "17": "宁夏回族自治区", "18": "河南省", "19": "江苏省",
    "20": "湖北省", "21": "浙江省", "22": "安徽省", "23": "福建省", "24": "江西省",
    "25": "湖南省", "26": "贵州省", "27": "四川省", "28": "广东省", "29": "云南省",
    "30": "广西壮族自治区", "31": "海南省", "34": "台湾省",
}

# Rough climate per province group: yearly mean (°C), half the seasonal
# swing, and how often it rains or snows.
CLIMATE = {
    "01": (12, 15, 0.30), "02": (17, 11, 0.55), "03": (13, 15, 0.30), "04": (18, 10, 0.55),
    "05": (3, 21, 0.35), "06": (5, 19, 0.35), "07": (8, 17, 0.35), "08": (5, 18, 0.20),
    "09": (12, 15, 0.30), "10": (10, 14, 0.30), "11": (13, 13, 0.35), "12": (14, 13, 0.35),
    "13": (8, 18, 0.15), "14": (7, 10, 0.20), "15": (4, 11, 0.25), "16": (8, 13, 0.20),
    "17": (9, 14, 0.20), "18": (15, 13, 0.40), "19": (16, 12, 0.50), "20": (17, 12, 0.55),
    "21": (17, 11, 0.55), "22": (16, 12, 0.50), "23": (20, 8, 0.55), "24": (18, 11, 0.55),
    "25": (18, 11, 0.55), "26": (15, 9, 0.60), "27": (16, 9, 0.55), "28": (22, 7, 0.55),
    "29": (16, 5, 0.45), "30": (21, 7, 0.55), "31": (25, 4, 0.55), "34": (23, 5, 0.55),
}
DRY_GROUPS = {"08", "13", "14", "15", "16", "17", "10", "01", "03", "09"}

WEEKDAYS = ["星期一", "星期二", "星期三", "星期四", "星期五", "星期六", "星期日"]
DIRECTIONS = ["北风", "东北风", "东风", "东南风", "南风", "西南风", "西风", "西北风"]
FORCES = ["小于3级", "3-4级", "4-5级", "5-6级"]

CLOTHING = {
    "炎热": "天气炎热，建议着短衫、短裙、短裤、薄型T恤衫等清凉夏季服装，外出注意防晒，多喝水，避免午后长时间户外活动。",
    "热": "天气热，建议着短裙、短裤、短薄外套、T恤等夏季服装，午后气温较高，外出时请注意防晒降温，适当补充水分。",
    "舒适": "建议着长袖T恤、衬衫加单裤等服装。年老体弱者宜着针织长袖衬衫、马甲和长裤，早晚温差较大时可适当增减衣物。",
    "较舒适": "建议着薄外套、开衫牛仔衫裤等服装。年老体弱者应适当添加衣物，宜着夹克衫、薄毛衣等，早晚外出注意保暖。",
    "较冷": "建议着厚外套加毛衣等服装。年老体弱者宜着大衣、呢外套加羊毛衫，早晚天气较凉，外出时请注意添加衣物。",
    "冷": "天气冷，建议着棉服、羽绒服、皮夹克加羊毛衫等冬季服装。年老体弱者宜着厚棉衣、冬大衣或厚羽绒服，注意防寒。",
    "寒冷": "天气寒冷，建议着厚羽绒服、毛皮大衣加厚毛衣等隆冬服装。年老体弱者尤其要注意保暖防冻，减少户外活动时间。",
}

LUNAR_MONTHS = ["正月", "二月", "三月", "四月", "五月", "六月", "七月", "八月", "九月",
                "十月", "冬月", "腊月"]
LUNAR_DAYS = ["初一", "初二", "初三", "初四", "初五", "初六", "初七", "初八", "初九", "初十",
              "十一", "十二", "十三", "十四", "十五", "十六", "十七", "十八", "十九", "二十",
              "廿一", "廿二", "廿三", "廿四", "廿五", "廿六", "廿七", "廿八", "廿九", "三十"]

KUNMING = "101290101"


def load_city_table(path=CITY_TABLE):
    """The city table as (name, code) pairs in table order."""
    with open(path, "rb") as f:
        text = f.read().decode("gbk")
    pairs = []
    for line in text.split("\r\n"):
        if "=" in line:
            name, code = line.split("=", 1)
            pairs.append((name, code))
    return pairs


# --- lunar date ------------------------------------------------------------
# New moons and principal solar terms from the few leading terms of the
# usual series: now and then a day off, which is fine here.

JD_ORDINAL = 1721424.5 - 8 / 24          # Julian day of ordinal 0, Beijing time


def _new_moon(k):
    """Ordinal day (Beijing time, with fraction) of new moon number k."""
    jde = 2451550.09766 + 29.530588861 * k
    m = math.radians(2.5534 + 29.10535670 * k)
    mp = math.radians(201.5643 + 385.81693528 * k)
    jde += -0.40720 * math.sin(mp) + 0.17241 * math.sin(m) + 0.01608 * math.sin(2 * mp)
    return jde - JD_ORDINAL


def _sun_longitude(day):
    d = day + JD_ORDINAL - 2451545.0
    g = math.radians(357.528 + 0.9856003 * d)
    return (280.460 + 0.9856474 * d + 1.915 * math.sin(g) + 0.020 * math.sin(2 * g)) % 360


def _month_start(day):
    """First and next first day (ordinals) of the lunar month holding day."""
    k = math.floor((day - _new_moon(0)) / 29.530588861)
    while math.floor(_new_moon(k)) > day:
        k -= 1
    while math.floor(_new_moon(k + 1)) <= day:
        k += 1
    return math.floor(_new_moon(k)), math.floor(_new_moon(k + 1))


def _month_number(start, end):
    """Month number from the principal term inside the month, None if none."""
    a = math.floor(_sun_longitude(start) / 30)
    b = math.floor(_sun_longitude(end) / 30)
    if a == b:
        return None
    return ((b - 9) % 12 + 10) % 12 + 1


def lunar_text(date):
    day = date.toordinal()
    start, end = _month_start(day)
    month = _month_number(start, end)
    leap = ""
    if month is None:
        prev_start, _ = _month_start(start - 1)
        month = _month_number(prev_start, start) or 1
        leap = "闰"
    return leap + LUNAR_MONTHS[month - 1] + LUNAR_DAYS[min(day - start, 29)]


# --- the made-up report ----------------------------------------------------

def _rng(*parts):
    digest = hashlib.sha256("/".join(str(p) for p in parts).encode()).digest()
    return random.Random(int.from_bytes(digest[:8], "big"))


def _pick(rng, weighted):
    total = sum(w for _, w in weighted)
    x = rng.random() * total
    for value, w in weighted:
        x -= w
        if x < 0:
            return value
    return weighted[-1][0]


def _day_weather(code, date):
    """One forecast day of a city: temperatures, icons, wind."""
    group = code[3:5]
    mean, swing, wet = CLIMATE.get(group, (15, 10, 0.4))
    city_rng = _rng(code)
    mean += city_rng.uniform(-2.5, 2.5)
    rng = _rng(code, date.isoformat())
    doy = date.timetuple().tm_yday
    season = -math.cos(2 * math.pi * (doy - 20) / 365.25)   # -1 mid-January, +1 mid-July
    day_mean = mean + swing * season + rng.uniform(-3, 3)
    spread = rng.uniform(3, 7)
    high = round(day_mean + spread)
    low = round(day_mean - spread)
    if low >= high:
        low = high - 1

    summer = max(0.0, season)
    wet_chance = wet * (0.5 + 0.5 * summer) + 0.1
    dusty = group in DRY_GROUPS and season < 0.3
    if rng.random() < wet_chance:
        if day_mean < -1:
            day = _pick(rng, [(13, 2), (14, 4), (15, 3), (16, 2), (17, 1), (26, 1), (27, 1), (28, 1)])
        elif day_mean < 3:
            day = _pick(rng, [(6, 4), (13, 2), (14, 3), (19, 1), (7, 2)])
        elif day_mean < 18:
            day = _pick(rng, [(3, 3), (7, 5), (8, 2), (9, 1), (21, 2), (22, 1), (4, 1)])
        else:
            day = _pick(rng, [(3, 4), (4, 4), (5, 1), (7, 3), (8, 2), (9, 2), (10, 1), (11, 1),
                              (12, 0.5), (21, 1), (22, 1), (23, 1), (24, 0.5), (25, 0.3)])
    else:
        others = [(0, 6), (1, 7), (2, 3), (18, 0.6), (53, 0.6)]
        if dusty:
            others += [(29, 0.6), (30, 0.6), (20, 0.3), (31, 0.15)]
        day = _pick(rng, others)
    if rng.random() < 0.55:
        night = day
    elif day in (0, 1, 2):
        night = _pick(rng, [(0, 3), (1, 3), (2, 2)])
    elif day in (3, 4, 5):
        night = _pick(rng, [(1, 3), (2, 2), (3, 2), (7, 2)])
    else:
        night = _pick(rng, [(1, 2), (2, 3), (day, 3)])

    direction = rng.choice(DIRECTIONS)
    force = _pick(rng, [(FORCES[0], 5), (FORCES[1], 4), (FORCES[2], 2), (FORCES[3], 1)])
    if force == FORCES[0] and rng.random() < 0.4:
        wind, direction = "微风", "无持续风向"
    else:
        wind = direction + force
        if rng.random() < 0.2:
            later = rng.choice(FORCES[:3])
            if later != force:
                wind += "转" + later
    return {"high": high, "low": low, "day": day, "night": night,
            "wind": wind, "fx": direction, "fl": force, "mean": day_mean,
            "night_as_99": night == day and rng.random() < 0.5}


def _clothing(mean):
    for limit, word in ((30, "炎热"), (25, "热"), (20, "舒适"), (15, "较舒适"), (8, "较冷"), (-3, "冷")):
        if mean >= limit:
            return word
    return "寒冷"


def _uv(day, mean, rng):
    if day == 0:
        return "强" if mean > 20 else "中等"
    if day == 1:
        return "中等" if mean > 20 else "弱"
    if day in (2, 18, 53, 29, 30, 20, 31):
        return "弱"
    return rng.choice(["最弱", "弱"])


def _rainy(icon):
    return icon in (3, 4, 5, 6, 19) or 7 <= icon <= 17 or 21 <= icon <= 28


def make_report(name, code, today):
    days = [_day_weather(code, today + datetime.timedelta(days=i)) for i in range(6)]
    rng = _rng(code, today.isoformat(), "index")
    info = {
        "city": name,
        "city_en": "",
        "cityid": code,
        "date_y": "%d年%d月%d日" % (today.year, today.month, today.day),
        "date": lunar_text(today),
        "week": WEEKDAYS[today.weekday()],
        "fchh": "11",
    }
    for i, d in enumerate(days[:5], 1):
        info["temp%d" % i] = "%d℃~%d℃" % (d["high"], d["low"])
    for i, d in enumerate(days[:5], 1):
        info["tempF%d" % i] = "%.1f℉~%.1f℉" % (d["high"] * 1.8 + 32, d["low"] * 1.8 + 32)
    for i, d in enumerate(days[:5], 1):
        text = ICON_TITLE[d["day"]]
        if d["night"] != d["day"]:
            text += "转" + ICON_TITLE[d["night"]]
        info["weather%d" % i] = text
    for i, d in enumerate(days[:5], 1):
        info["img%d" % (2 * i - 1)] = str(d["day"])
        info["img%d" % (2 * i)] = "99" if d["night_as_99"] else str(d["night"])
    info["img_single"] = info["img1"]
    for i, d in enumerate(days[:5], 1):
        info["img_title%d" % (2 * i - 1)] = ICON_TITLE[d["day"]]
        info["img_title%d" % (2 * i)] = ICON_TITLE[d["night"]]
    info["img_title_single"] = info["img_title1"]
    for i, d in enumerate(days[:5], 1):
        info["wind%d" % i] = d["wind"]
    info["fx1"] = days[0]["fx"]
    info["fx2"] = days[1]["fx"]
    for i, d in enumerate(days[:5], 1):
        info["fl%d" % i] = d["fl"]
    d1, d2 = days[0], days[1]
    info["index"] = _clothing(d1["mean"])
    info["index_d"] = CLOTHING[info["index"]]
    info["index48"] = _clothing(d2["mean"])
    info["index48_d"] = CLOTHING[info["index48"]]
    info["index_uv"] = _uv(d1["day"], d1["mean"], rng)
    info["index48_uv"] = _uv(d2["day"], d2["mean"], rng)
    wet1 = _rainy(d1["day"]) or _rainy(d1["night"])
    heavy1 = d1["day"] in (9, 10, 11, 12, 16, 17, 20, 23, 24, 25, 28, 31)
    info["index_xc"] = "不宜" if wet1 or _rainy(d2["day"]) else rng.choice(["适宜", "较适宜"])
    info["index_tr"] = ("较不宜" if heavy1 else "一般" if wet1 else
                        "适宜" if 10 <= d1["mean"] <= 26 else "较适宜")
    info["index_co"] = ("舒适" if 18 <= d1["mean"] <= 25 else
                        "较舒适" if 10 <= d1["mean"] <= 28 else
                        "较不舒适" if 0 <= d1["mean"] <= 32 else "很不舒适")
    info["index_cl"] = ("不宜" if wet1 or d1["day"] in (18, 20, 31, 53) else
                        "较不宜" if d1["mean"] < 0 else
                        "适宜" if d1["day"] == 0 and d1["mean"] >= 10 else "较适宜")
    info["index_ls"] = ("不宜" if wet1 else
                        "不太适宜" if d1["day"] in (2, 18, 53, 20, 29, 30, 31) else
                        "基本适宜" if d1["day"] == 1 else "适宜")
    info["index_ag"] = rng.choice(["极不易发", "不易发", "较易发"])
    for i, d in enumerate(days[:3]):
        info["st%d" % (2 * i + 1)] = str(d["high"] - rng.randint(0, 2))
        info["st%d" % (2 * i + 2)] = str(d["low"] + rng.randint(0, 2))
    info["sd"] = ""
    return {"weatherinfo": info}


def special_report(code, table, today):
    """The test hooks of the module docstring: body bytes, or None."""
    kunming = dict((c, n) for n, c in table).get(KUNMING, "昆明")

    def base():
        return make_report(kunming, KUNMING, today)

    def encoded(obj):
        return json.dumps(obj, ensure_ascii=False).encode("utf-8")

    if code == "000000001":
        return b"{}"
    if code == "000000002":
        return b'{"weatherinfo": 5}'
    if code == "000000003":
        return b"[1,2]"
    if code == "000000010":
        return encoded(base())[:200]
    edits = {
        "000000004": {"date_y": 20},
        "000000005": {"img3": "-5"},
        "000000006": {"date": None},
        "000000007": {"img1": 7.5, "img2": 6.5, "img3": True},
        "000000008": {"img1": "abc"},
        "000000011": {"temp1": None, "weather1": [1, 2], "wind1": {}, "index_uv": 3,
                      "temp2": 1.5, "wind2": True},
        "000000012": {"img1": "99", "img2": "99"},
    }
    if code in edits:
        report = base()
        report["weatherinfo"].update(edits[code])
        return encoded(report)
    if code == "000000009":
        return encoded({"weatherinfo": {"city": kunming}})
    return None


# --- the location page -----------------------------------------------------

def location_page(name, code, client_ip, shape="normal"):
    province = PROVINCES.get(code[3:5], "")
    isp = ["电信", "联通", "移动"][int(hashlib.sha256(code.encode()).hexdigest(), 16) % 3]
    head = ("<!DOCTYPE html>\r\n<html>\r\n<head>\r\n"
            '<meta http-equiv="Content-Type" content="text/html; charset=gb2312">\r\n'
            "<title>IP地址查询</title>\r\n</head>\r\n<body>\r\n"
            '<div class="header">IP地址查询 - 您的访问来自</div>\r\n')
    tail = ("<ul>\r\n<li>本站数据：仅供参考，以实际为准</li>\r\n"
            "<li>查询次数：今日已查询1次</li>\r\n</ul>\r\n</body>\r\n</html>\r\n")
    piece = "[%s]&nbsp;-&nbsp;%s %s市 %s" % (client_ip, province, name, isp)
    if shape == "nomarker":
        middle = '<p>您的IP地址：[%s]</p>\r\n' % client_ip
    elif shape == "noblank":
        middle = ('<p><span class="result">查询结果：[%s]&nbsp;-&nbsp;%s%s市%s</span></p>\r\n'
                  % (client_ip, province, name, isp))
    elif shape == "twopieces":
        middle = ('<p><span class="result">查询结果：%s</span></p>'
                  '<p><span>查询结果2：参考数据&nbsp;%s</span></p>\r\n' % (piece, province))
    else:
        middle = '<p><span class="result">查询结果：%s</span></p>\r\n' % piece
    return (head + middle + tail).encode("gbk")


def cut_location_text(page):
    """The viewer's cutting of the location page (used by the self-test)."""
    marker, end = "查询结果".encode("gbk"), b"</span>"
    at = page.find(marker)
    window = page[at:at + 254] if at >= 0 else page[:254]
    gathered = b""
    while marker in window:
        e, m = window.find(end), window.find(marker)
        if e < 0:
            break
        gathered += (window[m:e] if e > m else b"") + b"\r\n"
        window = window[e + 1:]
    gathered = gathered.replace(b"&nbsp;", b"")
    if b"-" in gathered:
        gathered = gathered.split(b"-", 1)[1]
    return gathered.strip(bytes(range(0x21)))


def located_city_name(text):
    if b" " in text:
        text = text.split(b" ", 1)[1]
    return text.split("市".encode("gbk"), 1)[0]


# --- the server ------------------------------------------------------------

ERROR_PAGE = ("<!DOCTYPE html>\r\n<html><head><title>%(code)d %(reason)s</title></head>"
              "<body><h1>%(reason)s</h1><p>%(detail)s</p></body></html>\r\n")


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    # One write per answer: headers and body sent apart meet the client's
    # delayed acknowledgement and cost 40 ms a request.
    wbufsize = 1 << 16
    disable_nagle_algorithm = True

    def version_string(self):
        return "standin/1.0"

    def log_message(self, fmt, *args):
        if self.server.options.verbose:
            sys.stderr.write("%s - %s\n" % (self.address_string(), fmt % args))

    def _send(self, status, body, content_type, extra=()):
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Cache-Control", "no-cache")
        for key, value in extra:
            self.send_header(key, value)
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(body)

    def _error(self, status, detail):
        reason = self.responses.get(status, ("Error",))[0]
        body = ERROR_PAGE % {"code": status, "reason": reason, "detail": detail}
        extra = [("Location", "http://127.0.0.1/moved")] if 300 <= status < 400 else []
        self._send(status, body.encode("utf-8"), "text/html; charset=utf-8", extra)

    def do_GET(self):
        opts = self.server.options
        path = self.path.split("?", 1)[0].split("#", 1)[0]
        if re.match(r"^[a-z]+://", path):       # absolute form, as sent to a proxy
            path = "/" + path.split("://", 1)[1].partition("/")[2]
        if path == "/__quit" and opts.allow_quit:
            self._send(200, b"bye", "text/plain")
            threading.Thread(target=self.server.shutdown, daemon=True).start()
            return
        if path == "/":
            if opts.location_status:
                self._error(opts.location_status, "The location page is switched off.")
                return
            page = location_page(opts.city_name, opts.city_code, self.client_address[0],
                                 opts.location_shape)
            self._send(200, page, "text/html; charset=gbk")
            return
        m = re.fullmatch(r"/data/([^/]*)\.html", path)
        if m:
            code = m.group(1)
            today = opts.date or datetime.date.today()
            body = special_report(code, self.server.table, today)
            if body is None and code in self.server.codes:
                body = json.dumps(make_report(self.server.codes[code], code, today),
                                  ensure_ascii=False).encode("utf-8")
            if body is not None:
                self._send(200, body, "application/json; charset=utf-8")
                return
        self._error(404, "The requested URL was not found on this server.")

    do_HEAD = do_GET


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True

    def __init__(self, address, options):
        self.options = options
        self.table = load_city_table()
        self.codes = {}
        for name, code in self.table:
            self.codes.setdefault(code, name)
        super().__init__(address, Handler)


def parse_args(argv=None):
    p = argparse.ArgumentParser(description="Local stand-in of the location page and the weather service.")
    p.add_argument("--port", type=int, default=0)
    p.add_argument("--host", default="127.0.0.1")
    p.add_argument("--city", default="昆明", help="city name (or code) the location page reports")
    p.add_argument("--location-status", type=int, default=0, metavar="CODE")
    p.add_argument("--location-shape", default="normal",
                   choices=["normal", "nomarker", "noblank", "twopieces"])
    p.add_argument("--date", type=datetime.date.fromisoformat, default=None, metavar="YYYY-MM-DD")
    p.add_argument("--verbose", action="store_true")
    p.add_argument("--self-test", action="store_true")
    # Test programs under Wine cannot signal a Unix process: they ask it to
    # quit, and a lifetime bounds a server whose test died.
    p.add_argument("--allow-quit", action="store_true", help="GET /__quit stops the server")
    p.add_argument("--lifetime", type=float, default=0, metavar="SECONDS",
                   help="stop by itself after this long (0: never)")
    opts = p.parse_args(argv)
    # The name arrives as UTF-8 whatever the locale made of it.
    opts.city = opts.city.encode("utf-8", "surrogateescape").decode("utf-8", "replace")
    table = load_city_table()
    by_name = {}
    for name, code in table:
        by_name.setdefault(name, code)
    if opts.city in by_name:
        opts.city_name, opts.city_code = opts.city, by_name[opts.city]
    elif opts.city in dict((c, n) for n, c in table):
        opts.city_code = opts.city
        opts.city_name = dict((c, n) for n, c in table)[opts.city]
    else:
        p.error("unknown city: %s" % opts.city)
    return opts


def self_test():
    import socket
    import urllib.error
    import urllib.request

    opts = parse_args(["--port", "0", "--date", "2026-12-08"])
    server = Server(("127.0.0.1", 0), opts)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    base = "http://127.0.0.1:%d" % server.server_address[1]
    failures = []

    def check(ok, what):
        if not ok:
            failures.append(what)

    # The location page, asked exactly as the viewer asks.
    with socket.create_connection(server.server_address[:2], timeout=5) as s:
        s.sendall(b"GET / HTTP/1.1\r\nContent-Type: text/html\r\nHost: 127.0.0.1\r\n"
                  b"Accept: text/html, */*\r\nUser-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n\r\n")
        answer = b""
        while b"\r\n\r\n" not in answer:
            answer += s.recv(4096)
        head, body = answer.split(b"\r\n\r\n", 1)
        length = int(re.search(rb"Content-Length: (\d+)", head).group(1))
        while len(body) < length:
            body += s.recv(4096)
    check(head.startswith(b"HTTP/1.1 200"), "location status")
    check(b"charset=gbk" in head, "location charset")
    text = cut_location_text(body)
    check(text.decode("gbk").startswith("云南省 昆明市 "), "location text %r" % text.decode("gbk"))
    check(located_city_name(text) == "昆明".encode("gbk"), "located name")

    # Every city of the table can be located and has a full report.
    needed = (["city", "date_y", "date", "week", "fx1", "fx2", "index", "index_d", "index48",
               "index48_d", "index_uv", "index48_uv", "index_cl", "index_co", "index_ls", "index_tr"]
              + ["%s%d" % (k, i) for k in ("temp", "weather", "wind", "fl") for i in range(1, 6)]
              + ["%s%d" % (k, i) for k in ("img", "img_title") for i in range(1, 11)])
    icons = set(range(32)) | {53, 99}
    for name, code in server.table:
        page = location_page(name, code, "1.2.3.4")
        check(located_city_name(cut_location_text(page)) == name.encode("gbk"), "locate " + name)
        info = make_report(name, code, opts.date)["weatherinfo"]
        missing = [k for k in needed if not isinstance(info.get(k), str)]
        check(not missing, "%s lacks %s" % (code, missing))
        check(all(int(info["img%d" % i]) in icons for i in range(1, 11)), code + " icons")
        check(30 <= len(info["index_d"]) <= 60, "index_d length")
    check(cut_location_text(location_page("昆明", KUNMING, "1.2.3.4", "nomarker")) == b"", "nomarker")
    check(located_city_name(cut_location_text(location_page("昆明", KUNMING, "1.2.3.4", "noblank")))
          == "云南省昆明".encode("gbk"), "noblank")
    check(b"\r\n" in cut_location_text(location_page("昆明", KUNMING, "1.2.3.4", "twopieces")), "twopieces")

    # One report over HTTP.
    with urllib.request.urlopen(base + "/data/101290101.html", timeout=5) as r:
        check(r.headers["Content-Type"] == "application/json; charset=utf-8", "report type")
        info = json.loads(r.read().decode("utf-8"))["weatherinfo"]
    check(info["city"] == "昆明" and info["date_y"] == "2026年12月8日" and info["week"] == "星期二",
          "report header %r" % [info["city"], info["date_y"], info["week"]])
    for path in ("/data/000000000.html", "/data/.html", "/nothing", "/data/101290101.htm"):
        try:
            urllib.request.urlopen(base + path, timeout=5)
            check(False, "no 404 for " + path)
        except urllib.error.HTTPError as e:
            check(e.code == 404 and e.headers["Content-Type"].startswith("text/html"), "404 " + path)
    for code in ("000000001", "000000002", "000000003", "000000004", "000000005"):
        with urllib.request.urlopen(base + "/data/%s.html" % code, timeout=5) as r:
            check(r.status == 200, "special " + code)

    # The lunar dates of a few new years and of a leap month.
    for day, want in (("2024-02-10", "正月初一"), ("2025-01-29", "正月初一"),
                      ("2026-02-17", "正月初一"), ("2023-04-01", "闰二月十一")):
        got = lunar_text(datetime.date.fromisoformat(day))
        check(got == want, "lunar %s: %s" % (day, got))

    server.shutdown()
    server.server_close()
    for f in failures:
        print("FAIL:", f)
    print("self-test %s" % ("passed" if not failures else "failed"))
    return 0 if not failures else 1


def main():
    if "--self-test" in sys.argv[1:]:
        return self_test()
    opts = parse_args()
    server = Server((opts.host, opts.port), opts)
    host, port = server.server_address[:2]
    print("listening on %s:%d" % (host, port), flush=True)
    if opts.lifetime > 0:
        timer = threading.Timer(opts.lifetime, server.shutdown)
        timer.daemon = True
        timer.start()
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    finally:
        server.server_close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
