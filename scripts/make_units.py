#!/usr/bin/env python3
"""Writes the unit library data/units.ZDF and its help pages in data/zemu.ZHP.

    scripts/make_units.py           write both files
    scripts/make_units.py --check   fail when either differs from what it would write

The library is a definition file like any sheet: the initial file opens it at
start-up (`> .open "units.ZDF"`), and a user may close it, edit it or save it
elsewhere. It holds the unit prefixes, one conversion factor from every unit
to its SI unit (or the unit its quantity is counted in: bit for data), the
pairs that people convert between directly, conversion functions for the
temperatures and the fuel consumptions, and the physical constants. Edit the
tables below and run this script again; do not edit the generated files by
hand.

Every factor is computed here as an exact fraction (times a power of pi where
the definition has one) from the definitions: 1 in = 0.0254 m, 1 lb =
0.45359237 kg, 1 gal = 231 in3, 1 cal = 4.184 J, and so on. It is written as
an exact decimal when it has one, as a quotient of two integers that a double
holds exactly otherwise, and only failing both rounded to 17 significant
digits (which reads back as the double nearest to the exact value).

Sources: NIST SP 811 (2008), Appendix B; the SI Brochure, 9th edition (2019)
and the prefixes of 2022; CODATA 2018 (NIST SP 961); the IAU 2012 and 2015
resolutions (au, pc); the Japanese units from the Weights and Measures Act of
1891 (1 shaku = 10/33 m, 1 kan = 3.75 kg, 1 sho = 2401/1331 L).

The script checks what it writes: every unit text is unique, every pair of
unit texts that the prefix rule could relate wrongly ([nmi] and [mi]: n + mi)
has a direct row, so that the prefix rule is never reached for them, and no
unit text holds a character that a statement or the help index reads
otherwise.
"""

import math
import os
import sys
from fractions import Fraction as F

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
LIBRARY = os.path.join(ROOT, "data", "units.ZDF")
HELP = os.path.join(ROOT, "data", "zemu.ZHP")
HELP_BEGIN = "@* 単位ライブラリのページ（scripts/make_units.py が書きます。手で直さないこと）"
HELP_END = "@* 単位ライブラリのページ ここまで"


class Q:
    """An exact factor: coef * pi**pi_power."""

    def __init__(self, coef, pi_power=0):
        self.coef = F(coef)
        self.pi = pi_power

    def __mul__(self, other):
        other = other if isinstance(other, Q) else Q(other)
        return Q(self.coef * other.coef, self.pi + other.pi)

    __rmul__ = __mul__

    def __truediv__(self, other):
        other = other if isinstance(other, Q) else Q(other)
        return Q(self.coef / other.coef, self.pi - other.pi)

    def __rtruediv__(self, other):
        return Q(other) / self

    def __pow__(self, n):
        return Q(self.coef ** n, self.pi * n)

    def __eq__(self, other):
        return isinstance(other, Q) and self.coef == other.coef and self.pi == other.pi

    def __float__(self):
        return float(self.coef) * math.pi ** self.pi


PI = Q(1, 1)

# ---- the defining values ---------------------------------------------------------------

INCH = Q(F("0.0254"))
FOOT = 12 * INCH
YARD = 3 * FOOT
MILE = 5280 * FOOT
FOOT_US = Q(F(1200, 3937))
LB = Q(F("0.45359237"))
OZ = LB / 16
GRAIN = LB / 7000
GN = Q(F("9.80665"))
GAL = 231 * INCH ** 3
GAL_IMP = Q(F("0.00454609"))
LITRE = Q(F(1, 1000))
CAL = Q(F("4.184"))
CAL_IT = Q(F("4.1868"))
BTU = CAL_IT * 1000 * LB * F(5, 9)  # 1055.05585262 J
BTU_TH = CAL * 1000 * LB * F(5, 9)
LBF = LB * GN
KGF = GN
ATM = Q(101325)
TORR = ATM / 760
MINUTE = Q(60)
HOUR = Q(3600)
DAY = Q(86400)
YEAR = Q(F("365.25")) * DAY  # the Julian year
C = Q(299792458)
AU = Q(149597870700)
EV = Q(F("1.602176634E-19"))
SHAKU = Q(F(10, 33))
SHO = Q(F(2401, 1331)) * LITRE
KAN = Q(F("3.75"))
HP = 550 * FOOT * LBF
MPG = MILE / 1000 / (GAL / LITRE)  # a mile per US gallon in km/L

# ---- prefixes -------------------------------------------------------------------------------

# (prefix, factor text, name). The factor texts are exact.
SI_PREFIXES = [
    ("Q", "1E30", "クエタ"), ("R", "1E27", "ロナ"), ("Y", "1E24", "ヨタ"), ("Z", "1E21", "ゼタ"),
    ("E", "1E18", "エクサ"), ("P", "1E15", "ペタ"), ("T", "1E12", "テラ"), ("G", "1E9", "ギガ"),
    ("M", "1E6", "メガ"), ("k", "1000", "キロ"), ("h", "100", "ヘクト"), ("da", "10", "デカ"),
    ("d", "0.1", "デシ"), ("c", "0.01", "センチ"), ("m", "0.001", "ミリ"), ("μ", "1E-6", "マイクロ"),
    ("u", "1E-6", "マイクロ（半角で書く場合）"), ("n", "1E-9", "ナノ"), ("p", "1E-12", "ピコ"),
    ("f", "1E-15", "フェムト"), ("a", "1E-18", "アト"), ("z", "1E-21", "ゼプト"),
    ("y", "1E-24", "ヨクト"), ("r", "1E-27", "ロント"), ("q", "1E-30", "クエクト"),
]
BINARY_PREFIXES = [
    ("Ki", "2^10", "キビ"), ("Mi", "2^20", "メビ"), ("Gi", "2^30", "ギビ"), ("Ti", "2^40", "テビ"),
    ("Pi", "2^50", "ペビ"), ("Ei", "2^60", "エクスビ"), ("Zi", "2^70", "ゼビ"), ("Yi", "2^80", "ヨビ"),
]
PREFIX_VALUES = {p: F(v.replace("1E", "1e")) if "^" not in v else F(2) ** int(v[2:])
                 for p, v, _ in SI_PREFIXES + BINARY_PREFIXES}

# ---- the units ------------------------------------------------------------------------------
#
# A group: (help key, title, SI unit text, its name, note, units, pairs).
# A unit: (text, factor to the SI unit, name). Texts that follow a unit
# without a factor of their own ("=in") are other spellings of it.
# Pairs: [a][b] rows beside the SI rows, for what people convert directly.


SI = "SI"  # an SI unit of a group whose units name their own SI unit


def group(key, title, si, si_name, note, units, pairs=()):
    return dict(key=key, title=title, si=si, si_name=si_name, note=note, units=units,
                pairs=list(pairs))


SQ = lambda q: q ** 2  # noqa: E731
CU = lambda q: q ** 3  # noqa: E731
P = PREFIX_VALUES

GROUPS = [
    group("length", "長さ", "m", "メートル",
          "km cm mm μm nm などは接頭詞で換算します。", [
              ("km", P["k"], "キロメートル"), ("cm", P["c"], "センチメートル"),
              ("mm", P["m"], "ミリメートル"), ("μm", P["μ"], "マイクロメートル"),
              ("um", P["u"], "マイクロメートル（半角）"), ("nm", P["n"], "ナノメートル"),
              ("pm", P["p"], "ピコメートル"), ("fm", P["f"], "フェムトメートル"),
              ("dm", P["d"], "デシメートル"),
              ("Å", Q(F("1E-10")), "オングストローム"), ("angstrom", Q(F("1E-10")), "オングストローム"),
              ("micron", P["μ"], "ミクロン"),
              ("in", INCH, "インチ"), ("inch", INCH, "インチ"), ("ft", FOOT, "フィート"),
              ("foot", FOOT, "フィート"), ("feet", FOOT, "フィート"), ("yd", YARD, "ヤード"),
              ("yard", YARD, "ヤード"), ("mi", MILE, "マイル"), ("mile", MILE, "マイル"),
              ("mil", INCH / 1000, "ミル（1/1000 インチ）"), ("thou", INCH / 1000, "サウ（1/1000 インチ）"),
              ("pt", INCH / 72, "ポイント（DTP、1/72 インチ）"),
              ("pica", INCH / 6, "パイカ（DTP、1/6 インチ）"),
              ("hand", 4 * INCH, "ハンド"), ("link", F(66, 100) * FOOT, "リンク"),
              ("rod", F(33, 2) * FOOT, "ロッド"), ("ch", 66 * FOOT, "チェーン"),
              ("chain", 66 * FOOT, "チェーン"), ("fur", 660 * FOOT, "ハロン"),
              ("furlong", 660 * FOOT, "ハロン"), ("league", 3 * MILE, "リーグ"),
              ("fathom", 6 * FOOT, "尋（ファゾム）"),
              ("ft_US", FOOT_US, "米国測量フィート"), ("mi_US", 5280 * FOOT_US, "米国測量マイル"),
              ("nmi", Q(1852), "海里"), ("NM", Q(1852), "海里"), ("海里", Q(1852), "海里"),
              ("cable", Q(F("185.2")), "鏈（1/10 海里）"),
              ("au", AU, "天文単位（IAU 2012）"), ("AU", AU, "天文単位"),
              ("ly", C * YEAR, "光年（ユリウス年）"), ("pc", AU * 648000 / PI, "パーセク（IAU 2015）"),
              ("kpc", 1000 * AU * 648000 / PI, "キロパーセク"),
              ("Mpc", 10 ** 6 * AU * 648000 / PI, "メガパーセク"),
              ("尺", SHAKU, "尺（曲尺）"), ("寸", SHAKU / 10, "寸"), ("丈", 10 * SHAKU, "丈"),
              ("間", 6 * SHAKU, "間（6尺）"), ("町", 360 * SHAKU, "町（60間）"),
              ("里", 12960 * SHAKU, "里（36町）"), ("尋", 6 * SHAKU, "尋（6尺）"),
              ("鯨尺", F(5, 4) * SHAKU, "鯨尺（1.25尺）"),
              ("metre", "=m", "メートル"), ("meter", "=m", "メートル"), ("メートル", "=m", "メートル"),
              ("㍍", "=m", "メートル（㍍）"), ("kilometre", "=km", "キロメートル"),
              ("kilometer", "=km", "キロメートル"), ("キロメートル", "=km", "キロメートル"),
              ("㎞", "=km", "キロメートル（㎞）"),
              ("centimetre", "=cm", "センチメートル"), ("centimeter", "=cm", "センチメートル"),
              ("センチメートル", "=cm", "センチメートル"), ("センチ", "=cm", "センチ（センチメートル）"),
              ("㎝", "=cm", "センチメートル（㎝）"), ("millimetre", "=mm", "ミリメートル"),
              ("millimeter", "=mm", "ミリメートル"), ("ミリメートル", "=mm", "ミリメートル"),
              ("ミリ", "=mm", "ミリ（ミリメートル）"), ("㎜", "=mm", "ミリメートル（㎜）"),
              ("マイクロメートル", "=μm", "マイクロメートル"), ("ナノメートル", "=nm", "ナノメートル"),
              ("inches", "=in", "インチ"), ("インチ", "=in", "インチ"), ("フィート", "=ft", "フィート"),
              ("yards", "=yd", "ヤード"), ("ヤード", "=yd", "ヤード"), ("miles", "=mile", "マイル"),
              ("マイル", "=mile", "マイル"), ("光年", "=ly", "光年"), ("天文単位", "=au", "天文単位"),
              ("パーセク", "=pc", "パーセク"),
          ], [
              ("in", "cm"), ("in", "mm"), ("in", "km"), ("ft", "cm"), ("ft", "in"), ("ft", "km"),
              ("yd", "ft"), ("yd", "in"), ("mile", "km"), ("mile", "ft"), ("mile", "yd"),
              ("mile", "in"), ("mi", "km"), ("mi", "ft"), ("mi", "yd"), ("mi", "in"),
              ("nmi", "km"), ("nmi", "mi"), ("nmi", "mile"), ("nmi", "ft"), ("NM", "mi"),
              ("NM", "mile"), ("mil", "mm"), ("mil", "μm"), ("pt", "mm"), ("pt", "in"),
              ("au", "km"), ("ly", "km"), ("ly", "au"), ("pc", "ly"), ("pc", "au"),
              ("尺", "cm"), ("寸", "cm"), ("尺", "寸"), ("間", "尺"), ("里", "km"), ("町", "間"),
          ]),
    group("area", "面積", "m2", "平方メートル",
          "2乗の単位は接頭詞の倍率が合わないので、km2 cm2 などもここで直接定義します。", [
              ("km2", P["k"] ** 2, "平方キロメートル"), ("hm2", P["h"] ** 2, "平方ヘクトメートル"),
              ("dam2", P["da"] ** 2, "平方デカメートル"), ("dm2", P["d"] ** 2, "平方デシメートル"),
              ("cm2", P["c"] ** 2, "平方センチメートル"), ("mm2", P["m"] ** 2, "平方ミリメートル"),
              ("μm2", P["μ"] ** 2, "平方マイクロメートル"), ("um2", P["u"] ** 2, "平方マイクロメートル"),
              ("nm2", P["n"] ** 2, "平方ナノメートル"),
              ("m^2", 1, "平方メートル"), ("a", 100, "アール"), ("ha", 10000, "ヘクタール"),
              ("daa", 1000, "デカール"), ("barn", Q(F("1E-28")), "バーン"),
              ("in2", SQ(INCH), "平方インチ"), ("sqin", SQ(INCH), "平方インチ"),
              ("ft2", SQ(FOOT), "平方フィート"), ("sqft", SQ(FOOT), "平方フィート"),
              ("yd2", SQ(YARD), "平方ヤード"), ("mi2", SQ(MILE), "平方マイル"),
              ("sqmi", SQ(MILE), "平方マイル"), ("acre", 43560 * SQ(FOOT), "エーカー"),
              ("ac", 43560 * SQ(FOOT), "エーカー"), ("rood", 10890 * SQ(FOOT), "ルード"),
              ("坪", SQ(6 * SHAKU), "坪（1間四方）"), ("歩", SQ(6 * SHAKU), "歩（坪に同じ）"),
              ("畝", 30 * SQ(6 * SHAKU), "畝（30坪）"), ("反", 300 * SQ(6 * SHAKU), "反（300坪）"),
              ("町歩", 3000 * SQ(6 * SHAKU), "町歩（3000坪）"),
              ("畳", Q(F("1.62")), "畳（不動産の表示の広さ）"), ("帖", Q(F("1.62")), "帖（畳に同じ）"),
              ("平方メートル", "=m2", "平方メートル"), ("㎡", "=m2", "平方メートル（㎡）"),
              ("平米", "=m2", "平米（平方メートル）"), ("平方キロメートル", "=km2", "平方キロメートル"),
              ("平方センチメートル", "=cm2", "平方センチメートル"), ("are", "=a", "アール"),
              ("アール", "=a", "アール"), ("㌃", "=a", "アール（㌃）"), ("hectare", "=ha", "ヘクタール"),
              ("ヘクタール", "=ha", "ヘクタール"), ("㌶", "=ha", "ヘクタール（㌶）"),
              ("エーカー", "=acre", "エーカー"), ("acres", "=acre", "エーカー"),
          ], [
              ("km2", "ha"), ("km2", "mi2"), ("cm2", "mm2"), ("ha", "a"), ("ha", "acre"),
              ("acre", "ft2"), ("acre", "ha"), ("ft2", "in2"), ("in2", "cm2"), ("ft2", "cm2"),
              ("yd2", "ft2"), ("mi2", "acre"), ("坪", "畳"), ("町歩", "ha"), ("反", "a"),
          ]),
    group("volume", "体積", "m3", "立方メートル",
          "L の接頭詞（mL dL kL）は接頭詞で換算します。gal は米ガロンです。", [
              ("km3", P["k"] ** 3, "立方キロメートル"), ("dm3", P["d"] ** 3, "立方デシメートル"),
              ("cm3", P["c"] ** 3, "立方センチメートル"), ("mm3", P["m"] ** 3, "立方ミリメートル"),
              ("μm3", P["μ"] ** 3, "立方マイクロメートル"), ("m^3", 1, "立方メートル"),
              ("L", LITRE, "リットル"), ("l", LITRE, "リットル（小文字）"),
              ("mL", LITRE / 1000, "ミリリットル"), ("dL", LITRE / 10, "デシリットル"),
              ("cc", Q(F("1E-6")), "シーシー"),
              ("in3", CU(INCH), "立方インチ"), ("cuin", CU(INCH), "立方インチ"),
              ("ft3", CU(FOOT), "立方フィート"), ("cuft", CU(FOOT), "立方フィート"),
              ("yd3", CU(YARD), "立方ヤード"), ("acft", 43560 * CU(FOOT), "エーカーフィート"),
              ("gal", GAL, "ガロン（米）"), ("gal_US", GAL, "ガロン（米）"),
              ("gal_imp", GAL_IMP, "ガロン（英）"), ("qt", GAL / 4, "クォート（米）"),
              ("qt_imp", GAL_IMP / 4, "クォート（英）"), ("pint", GAL / 8, "パイント（米）"),
              ("pint_imp", GAL_IMP / 8, "パイント（英）"), ("cup", GAL / 16, "カップ（米）"),
              ("floz", GAL / 128, "液量オンス（米）"), ("floz_imp", GAL_IMP / 160, "液量オンス（英）"),
              ("tbsp", GAL / 256, "大さじ（米）"), ("tsp", GAL / 768, "小さじ（米）"),
              ("gill", GAL / 32, "ジル（米）"), ("bbl", 42 * GAL, "バレル（石油）"),
              ("bu", F("2150.42") * CU(INCH), "ブッシェル（米）"),
              ("pk", F("2150.42") * CU(INCH) / 4, "ペック（米）"),
              ("升", SHO, "升"), ("合", SHO / 10, "合"), ("勺", SHO / 100, "勺"),
              ("斗", 10 * SHO, "斗"), ("石", 100 * SHO, "石"),
              ("カップ", Q(F("0.0002")), "計量カップ（200 mL）"),
              ("大さじ", Q(F("0.000015")), "大さじ（15 mL）"), ("小さじ", Q(F("0.000005")), "小さじ（5 mL）"),
              ("立方メートル", "=m3", "立方メートル"), ("litre", "=L", "リットル"), ("liter", "=L", "リットル"),
              ("リットル", "=L", "リットル"), ("㍑", "=L", "リットル（㍑）"), ("ml", "=mL", "ミリリットル（小文字）"),
              ("ミリリットル", "=mL", "ミリリットル"), ("㏄", "=cc", "シーシー（㏄）"),
              ("立方センチメートル", "=cm3", "立方センチメートル"), ("gallon", "=gal", "ガロン（米）"),
              ("ガロン", "=gal", "ガロン（米）"), ("quart", "=qt", "クォート（米）"),
              ("バレル", "=bbl", "バレル（石油）"),
          ], [
              ("L", "cm3"), ("cm3", "mL"), ("dm3", "L"), ("cc", "mL"), ("gal", "L"), ("gal", "qt"),
              ("gal", "pint"), ("gal", "in3"), ("gal_imp", "L"), ("gal_imp", "gal"), ("qt", "L"),
              ("pint", "mL"), ("pint_imp", "mL"), ("cup", "mL"), ("floz", "mL"),
              ("floz_imp", "mL"), ("tbsp", "mL"), ("tsp", "mL"), ("bbl", "L"), ("bbl", "gal"),
              ("ft3", "L"), ("in3", "cm3"), ("升", "L"), ("合", "mL"), ("升", "合"), ("石", "L"),
          ]),
    group("mass", "質量", "kg", "キログラム",
          "g mg μg は接頭詞で換算します。ton は米トン（2000 lb）です。", [
              ("g", F(1, 1000), "グラム"), ("mg", F(1, 10 ** 6), "ミリグラム"),
              ("μg", F(1, 10 ** 9), "マイクログラム"), ("t", 1000, "トン（メートル法）"),
              ("tonne", 1000, "トン（メートル法）"), ("Mt", 10 ** 9, "メガトン"),
              ("lb", LB, "ポンド"), ("lbs", LB, "ポンド"), ("oz", OZ, "オンス"),
              ("gr", GRAIN, "グレーン"), ("dr", OZ / 16, "ドラム"), ("st", 14 * LB, "ストーン"),
              ("cwt", 100 * LB, "ハンドレッドウェイト（米）"), ("cwt_imp", 112 * LB, "ハンドレッドウェイト（英）"),
              ("ton", 2000 * LB, "トン（米、ショートトン）"), ("ton_short", 2000 * LB, "ショートトン"),
              ("ton_long", 2240 * LB, "ロングトン（英トン）"), ("slug", LBF / FOOT, "スラグ"),
              ("ozt", 480 * GRAIN, "トロイオンス"), ("lbt", 5760 * GRAIN, "トロイポンド"),
              ("dwt", 24 * GRAIN, "ペニーウェイト"), ("ct", Q(F("0.0002")), "カラット"),
              ("u", Q(F("1.66053906660E-27")), "原子質量単位（CODATA 2018）"),
              ("Da", Q(F("1.66053906660E-27")), "ダルトン"),
              ("貫", KAN, "貫"), ("匁", KAN / 1000, "匁"), ("斤", 160 * KAN / 1000, "斤（160匁）"),
              ("kilogram", "=kg", "キログラム"), ("キログラム", "=kg", "キログラム"),
              ("㎏", "=kg", "キログラム（㎏）"), ("gram", "=g", "グラム"),
              ("グラム", "=g", "グラム"), ("㌘", "=g", "グラム（㌘）"), ("milligram", "=mg", "ミリグラム"),
              ("ミリグラム", "=mg", "ミリグラム"), ("㎎", "=mg", "ミリグラム（㎎）"), ("トン", "=t", "トン"),
              ("㌧", "=t", "トン（㌧）"), ("pound", "=lb", "ポンド"), ("pounds", "=lb", "ポンド"),
              ("ポンド", "=lb", "ポンド"), ("ounce", "=oz", "オンス"), ("オンス", "=oz", "オンス"),
              ("カラット", "=ct", "カラット"),
          ], [
              ("lb", "g"), ("lb", "oz"), ("oz", "g"), ("lb", "mg"), ("st", "lb"), ("ton", "lb"),
              ("ton", "t"), ("ton_long", "t"), ("ozt", "g"), ("ct", "g"), ("ct", "mg"),
              ("ct", "t"), ("gr", "mg"), ("貫", "g"), ("匁", "g"), ("斤", "g"), ("貫", "匁"),
          ]),
    group("time", "時間", "s", "秒",
          "ms μs ns は接頭詞で換算します。yr はユリウス年（365.25日）です。", [
              ("min", MINUTE, "分"), ("h", HOUR, "時間"), ("hr", HOUR, "時間"), ("d", DAY, "日"),
              ("day", DAY, "日"), ("week", 7 * DAY, "週"), ("wk", 7 * DAY, "週"),
              ("fortnight", 14 * DAY, "2週間"), ("month", YEAR / 12, "月（ユリウス年の1/12）"),
              ("yr", YEAR, "年（ユリウス年）"), ("year", YEAR, "年（ユリウス年）"),
              ("decade", 10 * YEAR, "10年"), ("century", 100 * YEAR, "世紀"),
              ("yr_greg", F("365.2425") * DAY, "グレゴリオ暦の平均の年"),
              ("yr_trop", F("365.24219") * DAY, "太陽年（回帰年、概数）"),
              ("yr_sid", F("365.256363004") * DAY, "恒星年"),
              ("day_sid", Q(F("86164.0905")), "恒星日（概数）"),
              ("shake", Q(F("1E-8")), "シェイク"),
              ("秒", 1, "秒"), ("分", MINUTE, "分"), ("時間", HOUR, "時間"), ("日", DAY, "日"),
              ("週", 7 * DAY, "週"), ("年", YEAR, "年（ユリウス年）"),
              ("second", "=s", "秒"), ("sec", "=s", "秒"), ("minute", "=min", "分"),
              ("hour", "=h", "時間"), ("days", "=day", "日"), ("weeks", "=week", "週"),
              ("years", "=yr", "年（ユリウス年）"),
          ], [
              ("min", "ms"), ("h", "min"), ("h", "ms"), ("day", "h"), ("day", "min"), ("day", "ms"),
              ("week", "day"), ("week", "h"), ("yr", "day"), ("year", "day"), ("yr", "h"),
              ("d", "h"), ("month", "day"),
          ]),
    group("speed", "速さ", "m/s", "メートル毎秒", "", [
        ("km/h", F(1000, 3600), "キロメートル毎時"), ("km/s", 1000, "キロメートル毎秒"),
        ("m/min", F(1, 60), "メートル毎分"), ("m/h", F(1, 3600), "メートル毎時"),
        ("cm/s", F(1, 100), "センチメートル毎秒"), ("mm/s", F(1, 1000), "ミリメートル毎秒"),
        ("mph", MILE / HOUR, "マイル毎時"), ("mi/h", MILE / HOUR, "マイル毎時"),
        ("kn", Q(1852) / HOUR, "ノット"), ("knot", Q(1852) / HOUR, "ノット"),
        ("ft/s", FOOT, "フィート毎秒"), ("fps", FOOT, "フィート毎秒"),
        ("ft/min", FOOT / 60, "フィート毎分"), ("in/s", INCH, "インチ毎秒"),
        ("mi/s", MILE, "マイル毎秒"),
        ("ノット", "=kn", "ノット"), ("時速", "=km/h", "時速（キロメートル毎時）"),
        ("秒速", "=m/s", "秒速（メートル毎秒）"),
    ], [
        ("mph", "km/h"), ("mi/h", "km/h"), ("kn", "km/h"), ("mph", "ft/s"), ("mi/h", "ft/s"),
        ("kn", "mph"), ("ft/s", "km/h"), ("km/h", "mph"), ("km/s", "km/h"),
    ]),
    group("accel", "加速度", "m/s2", "メートル毎秒毎秒", "", [
        ("m/s^2", 1, "メートル毎秒毎秒"), ("gn", GN, "標準重力加速度"), ("Gal", F(1, 100), "ガル"),
        ("mGal", F(1, 10 ** 5), "ミリガル"), ("cm/s2", F(1, 100), "センチメートル毎秒毎秒"),
        ("ft/s2", FOOT, "フィート毎秒毎秒"), ("in/s2", INCH, "インチ毎秒毎秒"),
        ("km/h/s", F(1000, 3600), "キロメートル毎時毎秒"),
    ], [("gn", "ft/s2"), ("gn", "Gal")]),
    group("force", "力", "N", "ニュートン", "kN mN は接頭詞で換算します。", [
        ("dyn", Q(F("1E-5")), "ダイン"), ("kgf", KGF, "重量キログラム"),
        ("kp", KGF, "キロポンド"), ("gf", KGF / 1000, "重量グラム"),
        ("tf", 1000 * KGF, "重量トン"), ("lbf", LBF, "重量ポンド"),
        ("ozf", LBF / 16, "重量オンス"), ("kip", 1000 * LBF, "キップ"),
        ("pdl", LB * FOOT, "パウンダル"), ("sn", 1000, "ステーヌ"),
        ("newton", "=N", "ニュートン"), ("ニュートン", "=N", "ニュートン"),
    ], [("kgf", "lbf"), ("lbf", "kgf"), ("kgf", "kN"), ("lbf", "kN")]),
    group("pressure", "圧力", "Pa", "パスカル",
          "hPa kPa MPa mbar は接頭詞で換算します。mmHg は 1 atm = 760 mmHg（Torr に同じ）です。", [
              ("bar", 100000, "バール"), ("mbar", 100, "ミリバール"), ("atm", ATM, "標準大気圧"),
              ("at", 10000 * KGF, "工学気圧"), ("Torr", TORR, "トル"), ("torr", TORR, "トル"),
              ("mmHg", TORR, "水銀柱ミリメートル"), ("cmHg", 10 * TORR, "水銀柱センチメートル"),
              ("inHg", F("25.4") * TORR, "水銀柱インチ"), ("mmH2O", GN, "水柱ミリメートル"),
              ("mH2O", 1000 * GN, "水柱メートル"), ("inH2O", F("25.4") * GN, "水柱インチ"),
              ("psi", LBF / SQ(INCH), "重量ポンド毎平方インチ"), ("ksi", 1000 * LBF / SQ(INCH), "キロpsi"),
              ("psf", LBF / SQ(FOOT), "重量ポンド毎平方フィート"),
              ("kgf/cm2", KGF * 10000, "重量キログラム毎平方センチメートル"),
              ("kgf/m2", KGF, "重量キログラム毎平方メートル"), ("N/m2", 1, "ニュートン毎平方メートル"),
              ("N/mm2", 10 ** 6, "ニュートン毎平方ミリメートル"), ("dyn/cm2", F(1, 10), "ダイン毎平方センチメートル"),
              ("Ba", F(1, 10), "バリ"),
              ("pascal", "=Pa", "パスカル"), ("パスカル", "=Pa", "パスカル"),
              ("ヘクトパスカル", "=hPa", "ヘクトパスカル"), ("気圧", "=atm", "気圧"),
              ("バール", "=bar", "バール"),
          ], [
              ("bar", "hPa"), ("bar", "kPa"), ("bar", "psi"), ("atm", "hPa"), ("atm", "kPa"),
              ("atm", "bar"), ("atm", "mmHg"), ("atm", "psi"), ("atm", "Torr"), ("atm", "inHg"),
              ("mmHg", "kPa"), ("psi", "kPa"), ("psi", "bar"), ("kgf/cm2", "kPa"),
              ("kgf/cm2", "MPa"), ("kgf/cm2", "psi"), ("inHg", "hPa"), ("N/mm2", "MPa"),
          ]),
    group("energy", "エネルギー", "J", "ジュール",
          "kJ MJ GJ kWh MWh keV MeV は接頭詞で換算します。cal は熱化学カロリー（4.184 J）、"
          "BTU と Btu は国際蒸気表の英熱量です。", [
              ("kJ", 1000, "キロジュール"), ("MJ", 10 ** 6, "メガジュール"),
              ("cal", CAL, "カロリー（熱化学）"), ("kcal", 1000 * CAL, "キロカロリー"),
              ("Cal", 1000 * CAL, "大カロリー（食品の kcal）"), ("cal_th", CAL, "カロリー（熱化学）"),
              ("cal_IT", CAL_IT, "カロリー（国際蒸気表）"), ("kcal_IT", 1000 * CAL_IT, "キロカロリー（国際蒸気表）"),
              ("Wh", HOUR, "ワット時"), ("kWh", 1000 * HOUR, "キロワット時"),
              ("eV", EV, "電子ボルト"), ("erg", Q(F("1E-7")), "エルグ"),
              ("BTU", BTU, "英熱量（国際蒸気表）"), ("Btu", BTU, "英熱量（国際蒸気表）"),
              ("Btu_IT", BTU, "英熱量（国際蒸気表）"), ("Btu_th", BTU_TH, "英熱量（熱化学）"),
              ("MMBtu", 10 ** 6 * BTU, "百万英熱量"), ("therm", Q(105480400), "サーム（米）"),
              ("quad", 10 ** 15 * BTU, "クワッド"),
              ("ft*lbf", FOOT * LBF, "フィート重量ポンド"), ("ftlbf", FOOT * LBF, "フィート重量ポンド"),
              ("hp*h", HP * HOUR, "英馬力時"),
              ("PS*h", Q(F("735.49875")) * HOUR, "仏馬力時"), ("L*atm", ATM / 1000, "リットル気圧"),
              ("toe", 10 ** 7 * 1000 * CAL_IT, "石油換算トン"), ("tce", 7 * 10 ** 6 * 1000 * CAL_IT, "石炭換算トン"),
              ("tTNT", 10 ** 9 * CAL, "TNT換算トン"),
              ("Eh", Q(F("4.3597447222071E-18")), "ハートリー（CODATA 2018）"),
              ("hartree", Q(F("4.3597447222071E-18")), "ハートリー"),
              ("Ry", Q(F("4.3597447222071E-18")) / 2, "リュードベリ（エネルギー）"),
              ("joule", "=J", "ジュール"), ("ジュール", "=J", "ジュール"), ("calorie", "=cal", "カロリー"),
              ("カロリー", "=cal", "カロリー"), ("㌍", "=cal", "カロリー（㌍）"),
              ("キロカロリー", "=kcal", "キロカロリー"), ("ワット時", "=Wh", "ワット時"),
              ("キロワット時", "=kWh", "キロワット時"), ("電子ボルト", "=eV", "電子ボルト"),
          ], [
              ("kcal", "kJ"), ("kWh", "MJ"), ("kWh", "kcal"), ("kWh", "BTU"),
              ("kWh", "Btu"), ("BTU", "kJ"), ("Btu", "kJ"), ("BTU", "cal"), ("Btu", "kcal"),
              ("kcal", "Btu"), ("therm", "MJ"), ("therm", "kWh"), ("toe", "GJ"),
              ("toe", "kWh"), ("Cal", "kJ"),
          ]),
    group("power", "仕事率", "W", "ワット",
          "kW MW GW mW は接頭詞で換算します。hp は英馬力（550 ft*lbf/s）、PS は仏馬力です。", [
              ("kW", 1000, "キロワット"), ("MW", 10 ** 6, "メガワット"),
              ("hp", HP, "英馬力（機械）"), ("hp_e", 746, "英馬力（電気）"),
              ("hp_m", Q(F("735.49875")), "仏馬力（メートル馬力）"), ("PS", Q(F("735.49875")), "仏馬力"),
              ("BTU/h", BTU / HOUR, "英熱量毎時"), ("Btu/h", BTU / HOUR, "英熱量毎時"),
              ("kcal/h", 1000 * CAL / HOUR, "キロカロリー毎時"), ("cal/s", CAL, "カロリー毎秒"),
              ("erg/s", Q(F("1E-7")), "エルグ毎秒"), ("ft*lbf/s", FOOT * LBF, "フィート重量ポンド毎秒"),
              ("TR", 12000 * BTU / HOUR, "冷凍トン（米）"), ("J/s", 1, "ジュール毎秒"),
              ("watt", "=W", "ワット"), ("ワット", "=W", "ワット"), ("㍗", "=W", "ワット（㍗）"),
              ("キロワット", "=kW", "キロワット"), ("horsepower", "=hp", "英馬力"),
              ("馬力", "=PS", "馬力（仏馬力）"),
          ], [
              ("hp", "kW"), ("PS", "kW"), ("hp", "PS"), ("kW", "hp"), ("BTU/h", "kW"),
              ("kcal/h", "kW"),
          ]),
    group("angle", "角度", "rad", "ラジアン",
          "sin(30[deg]) のように書けます（三角関数は [rad] で計算します）。", [
              ("deg", PI / 180, "度"), ("°", PI / 180, "度（全角）"),
              ("arcmin", PI / 10800, "分（角度）"), ("′", PI / 10800, "分（角度、記号）"),
              ("arcsec", PI / 648000, "秒（角度）"), ("″", PI / 648000, "秒（角度、記号）"),
              ("mas", PI / 648000000, "ミリ秒角"), ("grad", PI / 200, "グラード"),
              ("gon", PI / 200, "ゴン（グラードに同じ）"), ("rev", 2 * PI, "回転"),
              ("turn", 2 * PI, "回転"), ("cycle", 2 * PI, "周"), ("quadrant", PI / 2, "直角"),
              ("mrad", F(1, 1000), "ミリラジアン"),
              ("degree", "=deg", "度"), ("degrees", "=deg", "度"), ("度", "=deg", "度"),
              ("radian", "=rad", "ラジアン"), ("ラジアン", "=rad", "ラジアン"),
          ], [
              ("°", "deg"), ("rev", "deg"), ("arcmin", "deg"), ("arcsec", "deg"),
              ("arcsec", "arcmin"), ("grad", "deg"), ("′", "°"), ("″", "′"),
          ]),
    group("solidangle", "立体角", "sr", "ステラジアン", "", [
        ("deg2", (PI / 180) ** 2, "平方度"), ("sp", 4 * PI, "全球（スフィア）"),
    ]),
    group("angvel", "角速度", "rad/s", "ラジアン毎秒", "", [
        ("deg/s", PI / 180, "度毎秒"), ("deg/min", PI / 10800, "度毎分"),
    ], [("rad/s", "deg/s")]),
    group("frequency", "周波数と回転数", "Hz", "ヘルツ",
          "kHz MHz GHz は接頭詞で換算します。rpm は Hz にも rad/s にも換算します。", [
              ("rps", 1, "回転毎秒"), ("rpm", F(1, 60), "回転毎分"), ("cps", 1, "サイクル毎秒"),
          ]),
    group("electric", "電気と磁気", "", "",
          "A V Ω F H Wb T S C の接頭詞（mA kV kΩ μF mH nT …）は接頭詞で換算します。", [
              ("A", SI, "アンペア"), ("V", SI, "ボルト"), ("Ω", SI, "オーム"), ("S", SI, "ジーメンス"),
              ("C", SI, "クーロン"), ("F", SI, "ファラド"), ("H", SI, "ヘンリー"),
              ("Wb", SI, "ウェーバ"), ("T", SI, "テスラ"), ("A/m", SI, "アンペア毎メートル"),
              ("ohm", None, "オーム（Ω）"), ("mho", None, "モー（S）"),
              ("Ah", None, "アンペア時"), ("mAh", None, "ミリアンペア時"),
              ("abA", None, "アブアンペア"), ("Bi", None, "ビオ"),
              ("statA", None, "スタットアンペア"), ("abV", None, "アブボルト"),
              ("statV", None, "スタットボルト"), ("abC", None, "アブクーロン"),
              ("statC", None, "スタットクーロン"), ("Fr", None, "フランクリン"),
              ("G", None, "ガウス"), ("γ", None, "ガンマ（nT）"),
              ("Mx", None, "マクスウェル"), ("Oe", None, "エルステッド"),
              ("abohm", None, "アブオーム"), ("debye", None, "デバイ"),
          ], []),
    group("radiation", "光と放射線", "", "",
          "lm lx cd Bq Gy Sv の接頭詞（klx mSv μSv kBq …）は接頭詞で換算します。", [
              ("cd", SI, "カンデラ"), ("lm", SI, "ルーメン"), ("lx", SI, "ルクス"),
              ("cd/m2", SI, "カンデラ毎平方メートル"), ("Bq", SI, "ベクレル"), ("Gy", SI, "グレイ"),
              ("Sv", SI, "シーベルト"), ("C/kg", SI, "クーロン毎キログラム"),
              ("ph", None, "フォト"), ("fc", None, "フートカンデラ"), ("nt", None, "ニト"),
              ("sb", None, "スチルブ"), ("lambert", None, "ランベルト"),
              ("Ci", None, "キュリー"), ("Rd", None, "ラザフォード"),
              ("rd", None, "ラド（吸収線量）"), ("rem", None, "レム"), ("R", None, "レントゲン"),
          ], []),
    group("data", "情報量", "bit", "ビット",
          "kB MB GB TB（1000倍ずつ）は接頭詞 k M G T で、KiB MiB GiB TiB（1024倍ずつ）は"
          "２進接頭詞で換算します。KB は kB と同じ 1000 B です。", [
              ("B", 8, "バイト"), ("byte", 8, "バイト"), ("nibble", 4, "ニブル"),
              ("KB", 8000, "キロバイト（kB に同じ）"), ("kB", 8000, "キロバイト"),
              ("MB", 8 * 10 ** 6, "メガバイト"), ("GB", 8 * 10 ** 9, "ギガバイト"),
              ("TB", 8 * 10 ** 12, "テラバイト"), ("PB", 8 * 10 ** 15, "ペタバイト"),
              ("KiB", 8 * 2 ** 10, "キビバイト"), ("MiB", 8 * 2 ** 20, "メビバイト"),
              ("GiB", 8 * 2 ** 30, "ギビバイト"), ("TiB", 8 * 2 ** 40, "テビバイト"),
              ("PiB", 8 * 2 ** 50, "ペビバイト"),
              ("kbit", 1000, "キロビット"), ("Mbit", 10 ** 6, "メガビット"),
              ("Gbit", 10 ** 9, "ギガビット"), ("Kibit", 2 ** 10, "キビビット"),
              ("Mibit", 2 ** 20, "メビビット"),
              ("バイト", "=B", "バイト"), ("bits", "=bit", "ビット"), ("ビット", "=bit", "ビット"),
              ("bytes", "=B", "バイト"), ("キロバイト", "=kB", "キロバイト"),
              ("メガバイト", "=MB", "メガバイト"), ("ギガバイト", "=GB", "ギガバイト"),
              ("テラバイト", "=TB", "テラバイト"),
          ], [
              ("B", "kB"), ("KiB", "B"), ("MiB", "B"), ("GiB", "B"), ("TiB", "B"), ("MiB", "KiB"),
              ("GiB", "MiB"), ("TiB", "GiB"), ("MiB", "MB"), ("GiB", "GB"), ("TiB", "TB"),
              ("GB", "MiB"), ("GB", "GiB"), ("TB", "TiB"), ("MB", "MiB"), ("kB", "KiB"),
              ("MB", "Mbit"), ("GB", "Gbit"), ("MB", "kB"), ("GB", "MB"), ("TB", "GB"),
          ]),
    group("datarate", "通信速度", "bit/s", "ビット毎秒", "kbit/s Mbit/s Gbit/s は接頭詞で換算します。", [
        ("bps", 1, "ビット毎秒"), ("kbps", 1000, "キロビット毎秒"), ("Mbps", 10 ** 6, "メガビット毎秒"),
        ("Gbps", 10 ** 9, "ギガビット毎秒"), ("B/s", 8, "バイト毎秒"), ("kB/s", 8000, "キロバイト毎秒"),
        ("MB/s", 8 * 10 ** 6, "メガバイト毎秒"), ("MiB/s", 8 * 2 ** 20, "メビバイト毎秒"),
    ], [("Mbps", "MB/s"), ("Gbps", "MB/s")]),
    group("density", "密度", "kg/m3", "キログラム毎立方メートル", "", [
        ("g/cm3", 1000, "グラム毎立方センチメートル"), ("g/mL", 1000, "グラム毎ミリリットル"),
        ("kg/L", 1000, "キログラム毎リットル"), ("g/L", 1, "グラム毎リットル"),
        ("mg/L", F(1, 1000), "ミリグラム毎リットル"), ("lb/ft3", LB / CU(FOOT), "ポンド毎立方フィート"),
        ("lb/in3", LB / CU(INCH), "ポンド毎立方インチ"), ("lb/gal", LB / GAL, "ポンド毎ガロン"),
    ], [("g/cm3", "lb/ft3")]),
    group("viscosity", "粘度", "Pa*s", "パスカル秒", "cP は接頭詞 c で換算します。", [
        ("P", F(1, 10), "ポアズ"), ("cP", F(1, 1000), "センチポアズ"), ("mPa*s", F(1, 1000), "ミリパスカル秒"),
    ], []),
    group("kinvisc", "動粘度", "m2/s", "平方メートル毎秒", "cSt は接頭詞 c で換算します。", [
        ("St", F(1, 10 ** 4), "ストークス"), ("cSt", F(1, 10 ** 6), "センチストークス"),
        ("mm2/s", F(1, 10 ** 6), "平方ミリメートル毎秒"), ("ft2/s", SQ(FOOT), "平方フィート毎秒"),
    ], []),
    group("torque", "トルク", "N*m", "ニュートンメートル", "", [
        ("Nm", 1, "ニュートンメートル"), ("kgf*m", KGF, "重量キログラムメートル"),
        ("kgf*cm", KGF / 100, "重量キログラムセンチメートル"), ("lbf*ft", LBF * FOOT, "重量ポンドフィート"),
        ("lbf*in", LBF * INCH, "重量ポンドインチ"), ("ozf*in", LBF * INCH / 16, "重量オンスインチ"),
        ("dyn*cm", Q(F("1E-7")), "ダインセンチメートル"),
    ], [("lbf*ft", "kgf*m")]),
    group("flow", "流量", "m3/s", "立方メートル毎秒", "", [
        ("m3/h", F(1, 3600), "立方メートル毎時"), ("m3/min", F(1, 60), "立方メートル毎分"),
        ("L/s", LITRE, "リットル毎秒"), ("L/min", LITRE / 60, "リットル毎分"),
        ("L/h", LITRE / 3600, "リットル毎時"), ("gpm", GAL / 60, "ガロン毎分（米）"),
        ("cfm", CU(FOOT) / 60, "立方フィート毎分"), ("cfs", CU(FOOT), "立方フィート毎秒"),
    ], [("gpm", "L/min"), ("cfm", "m3/h")]),
    group("amount", "物質量と濃度", "mol", "モル", "mmol μmol は接頭詞で換算します。", [
        ("kmol", 1000, "キロモル"), ("lbmol", 1000 * LB, "ポンドモル"),
    ], []),
    group("molarity", "モル濃度", "mol/m3", "モル毎立方メートル", "mM μM nM は接頭詞で換算します。", [
        ("M", 1000, "モーラー（mol/L）"), ("mol/L", 1000, "モル毎リットル"),
        ("mmol/L", 1, "ミリモル毎リットル"),
    ], []),
    group("catalysis", "触媒活性", "kat", "カタール", "", [
        ("U", F(1, 10 ** 6) / 60, "酵素単位（μmol/min）"),
    ], []),
    group("fuel", "燃費", "km/L", "キロメートル毎リットル",
          "L/100km との換算は逆数なので換算関数です（向きごとに定義してあります）。", [
              ("mpg", MPG, "マイル毎ガロン（米）"),
              ("mpg_imp", MILE / 1000 / (GAL_IMP / LITRE), "マイル毎ガロン（英）"),
              ("km/l", 1, "キロメートル毎リットル"),
          ], [("mpg", "mpg_imp")]),
    group("dimensionless", "比率", "倍", "倍（単位のない数）", "", [
        ("ppm", F(1, 10 ** 6), "百万分率"), ("ppb", F(1, 10 ** 9), "十億分率"),
        ("dozen", 12, "ダース"), ("gross", 144, "グロス"),
    ], []),
]

# Units whose SI unit is written on each line (groups with si ""): (text, factor, si).
MIXED = {
    "ohm": (1, "Ω"), "mho": (1, "S"), "Ah": (3600, "C"), "mAh": (F("3.6"), "C"),
    "abA": (10, "A"), "Bi": (10, "A"), "statA": (F(1, 2997924580), "A"),
    "abV": (F(1, 10 ** 8), "V"), "statV": (F("299.792458"), "V"), "abC": (10, "C"),
    "statC": (F(1, 2997924580), "C"), "Fr": (F(1, 2997924580), "C"),
    "G": (F(1, 10 ** 4), "T"), "γ": (F(1, 10 ** 9), "T"), "Mx": (F(1, 10 ** 8), "Wb"),
    "Oe": (Q(250) / PI, "A/m"), "abohm": (F(1, 10 ** 9), "Ω"),
    "debye": (F(1, 10 ** 21) / 299792458, "C*m"),
    "ph": (10 ** 4, "lx"), "fc": (1 / SQ(FOOT), "lx"), "nt": (1, "cd/m2"),
    "sb": (10 ** 4, "cd/m2"), "lambert": (Q(10 ** 4) / PI, "cd/m2"),
    "Ci": (F("3.7E10"), "Bq"), "Rd": (10 ** 6, "Bq"), "rd": (F(1, 100), "Gy"),
    "rem": (F(1, 100), "Sv"), "R": (F("2.58E-4"), "C/kg"),
}
ELECTRIC_PAIRS = [("Ah", "mAh"), ("G", "mT"), ("ohm", "kΩ"), ("Ci", "GBq"), ("rem", "mSv"),
                  ("rd", "mGy")]

# Rows between quantities that people convert all the same: (from, to, factor, name).
CROSS = [
    ("rpm", "rad/s", 2 * PI / 60, "回転毎分からラジアン毎秒"),
    ("rps", "rad/s", 2 * PI, "回転毎秒からラジアン毎秒"),
]

# Conversion functions: (from, to, body with x, name). Each direction is a row.
TEMPERATURE_FUNCTIONS = [
    ("degC", "K", "x+273.15", "摂氏から絶対温度"), ("K", "degC", "x-273.15", "絶対温度から摂氏"),
    ("degF", "degC", "(x-32)*5/9", "華氏から摂氏"), ("degC", "degF", "x*9/5+32", "摂氏から華氏"),
    ("degF", "K", "(x-32)*5/9+273.15", "華氏から絶対温度"), ("K", "degF", "(x-273.15)*9/5+32", "絶対温度から華氏"),
    ("degR", "K", "x*5/9", "ランキン度から絶対温度"), ("K", "degR", "x*9/5", "絶対温度からランキン度"),
    ("degF", "degR", "x+459.67", "華氏からランキン度"), ("degR", "degF", "x-459.67", "ランキン度から華氏"),
    ("degC", "degR", "(x+273.15)*9/5", "摂氏からランキン度"), ("degR", "degC", "x*5/9-273.15", "ランキン度から摂氏"),
    ("℃", "K", "x+273.15", "摂氏（全角）から絶対温度"), ("K", "℃", "x-273.15", "絶対温度から摂氏（全角）"),
    ("℃", "degF", "x*9/5+32", "摂氏（全角）から華氏"), ("degF", "℃", "(x-32)*5/9", "華氏から摂氏（全角）"),
    ("℃", "degC", "x", "全角の摂氏から半角の摂氏"), ("degC", "℃", "x", "半角の摂氏から全角の摂氏"),
    ("°C", "K", "x+273.15", "摂氏（°C）から絶対温度"), ("K", "°C", "x-273.15", "絶対温度から摂氏（°C）"),
    ("°F", "K", "(x-32)*5/9+273.15", "華氏（°F）から絶対温度"), ("K", "°F", "(x-273.15)*9/5+32", "絶対温度から華氏（°F）"),
    ("°C", "°F", "x*9/5+32", "摂氏から華氏（°C °F）"), ("°F", "°C", "(x-32)*5/9", "華氏から摂氏（°F °C）"),
    ("°C", "degC", "x", "°C から degC"), ("degC", "°C", "x", "degC から °C"),
    ("°F", "degF", "x", "°F から degF"), ("degF", "°F", "x", "degF から °F"),
]
FUEL_FUNCTIONS = [
    ("km/L", "L/100km", "100/x", "燃費から100 km 当たりの燃料"), ("L/100km", "km/L", "100/x", "100 km 当たりの燃料から燃費"),
    ("mpg", "L/100km", "100/(x*(%s))" % "{MPG}", "マイル毎ガロンから100 km 当たりの燃料"),
    ("L/100km", "mpg", "100/(x*(%s))" % "{MPG}", "100 km 当たりの燃料からマイル毎ガロン"),
]
TEMPERATURES = ["K", "degC", "degF", "degR", "℃", "°C", "°F"]

# Physical constants, CODATA 2018: (name, value formula, unit, Japanese name). A
# value that the SI defines exactly, or that follows exactly from such values,
# is written as its exact formula of numbers (never of other names, which a
# user may define anew).
H = "6.62607015E-34"
E = "1.602176634E-19"
KB = "1.380649E-23"
NA = "6.02214076E23"
CONSTANTS = [
    ("c", "299792458", "m/s", "真空中の光速（定義値）"),
    ("h", H, "J*s", "プランク定数（定義値）"),
    ("hbar", H + "/(2*pi)", "J*s", "換算プランク定数 h/2π"),
    ("kB", KB, "J/K", "ボルツマン定数（定義値）"),
    ("NA", NA, "1/mol", "アボガドロ定数（定義値）"),
    ("qe", E, "C", "電気素量（定義値）"),
    ("R", NA + "*" + KB, "J/mol/K", "気体定数 NA*kB"),
    ("F", NA + "*" + E, "C/mol", "ファラデー定数 NA*qe"),
    ("G", "6.67430E-11", "m3/kg/s2", "万有引力定数"),
    ("g0", "9.80665", "m/s2", "標準重力加速度（定義値）"),
    ("me", "9.1093837015E-31", "kg", "電子の質量"),
    ("mp", "1.67262192369E-27", "kg", "陽子の質量"),
    ("mn", "1.67492749804E-27", "kg", "中性子の質量"),
    ("u", "1.66053906660E-27", "kg", "原子質量定数（統一原子質量単位）"),
    ("eps0", "8.8541878128E-12", "F/m", "真空の誘電率"),
    ("mu0", "1.25663706212E-6", "N/A2", "真空の透磁率"),
    ("ke", "8.9875517923E9", "N*m2/C2", "クーロン定数 1/(4π eps0)"),
    ("Z0", "376.730313668", "Ω", "真空の特性インピーダンス"),
    ("sigmaSB", "2*pi^5*" + KB + "^4/(15*" + H + "^3*299792458^2)", "W/m2/K4",
     "シュテファン＝ボルツマン定数"),
    ("bWien", "2.897771955E-3", "m*K", "ウィーンの変位則定数"),
    ("alpha", "7.2973525693E-3", "", "微細構造定数"),
    ("Rinf", "10973731.568160", "1/m", "リュードベリ定数"),
    ("a0", "5.29177210903E-11", "m", "ボーア半径"),
    ("re", "2.8179403262E-15", "m", "古典電子半径"),
    ("lambdaC", "2.42631023867E-12", "m", "電子のコンプトン波長"),
    ("Eh", "4.3597447222071E-18", "J", "ハートリーエネルギー"),
    ("muB", "9.2740100783E-24", "J/T", "ボーア磁子"),
    ("muN", "5.0507837461E-27", "J/T", "核磁子"),
    ("Phi0", H + "/(2*" + E + ")", "Wb", "磁束量子 h/(2qe)"),
    ("KJ", "2*" + E + "/" + H, "Hz/V", "ジョセフソン定数 2qe/h"),
    ("RK", H + "/" + E + "^2", "Ω", "フォン・クリッツィング定数 h/qe^2"),
    ("G0", "2*" + E + "^2/" + H, "S", "コンダクタンス量子 2qe^2/h"),
    ("Vm", NA + "*" + KB + "*273.15/101325", "m3/mol", "理想気体のモル体積（0 ℃、1 atm）"),
]

CITATIONS = [
    "# ZEMU の単位ライブラリです。起動時に初期定義ファイルから .open で開きます。",
    "# このファイルは scripts/make_units.py が書いています。直すときはスクリプトの表を直して",
    "# 作り直してください（このファイルを直接直すと、次に作り直したときに消えます）。",
    "#",
    "# 出典: NIST SP 811 (2008) Appendix B（ヤード・ポンド法、CGS、その他の単位の定義と係数）、",
    "#   国際単位系（SI）文書 第9版 (2019) と 2022 年の接頭詞（ロナ R、クエタ Q、ロント r、クエクト q）、",
    "#   CODATA 2018 推奨値（NIST SP 961、物理定数）、IAU 2012/2015 決議（天文単位、パーセク）、",
    "#   度量衡法 (1891)（尺 = 10/33 m、貫 = 3.75 kg、升 = 2401/1331 L）。",
    "# 係数は定義から正確に計算したものです（1 in = 0.0254 m、1 lb = 0.45359237 kg、",
    "#   1 gal = 231 in3、1 cal = 4.184 J など）。正確な小数があればそれを、なければ整数の分数を、",
    "#   どちらも長すぎるときだけ 17 桁に丸めた値を書いています。",
    "# 同じ文字が複数の意味を持つ単位は、よく使う意味にしました: cal は熱化学カロリー（4.184 J）、",
    "#   BTU と Btu は国際蒸気表の英熱量、gal は米ガロン、hp は英馬力（機械）、yr はユリウス年",
    "#   （光年はこれによります）、ton は米トン、pt は DTP のポイント、mmHg は Torr と同じ",
    "#   （1 atm = 760 mmHg）。ほかの意味には別の名前があります（cal_IT、gal_imp、hp_e、yr_greg など）。",
    "# 物理定数は CODATA 2018 の値です。同じ名前を自分で定義すると、そちらが使われます",
    "#   （後から開いたシートの定義が先に見つかるため。初期定義ファイルの定義はこのシートより前です）。",
]

CLOSING = "ZEMU 2002 for Windows  (C) 2002 ZEMU開発グループ  https://zemu.example/"

# ---- building the rows ------------------------------------------------------------------------


def sjis_len(text):
    return len(text.encode("cp932"))


def decimal_text(value):
    """The exact decimal of a fraction whose denominator has only the factors 2 and 5, or None."""
    d = value.denominator
    while d % 2 == 0:
        d //= 2
    while d % 5 == 0:
        d //= 5
    if d != 1:
        return None
    sign = "-" if value < 0 else ""
    value = abs(value)
    scale = 0
    while value.denominator != 1:
        value *= 10
        scale += 1
    digits = str(value.numerator)
    # digits * 10^-scale; drop trailing zeros into the exponent
    exponent = -scale
    while len(digits) > 1 and digits.endswith("0"):
        digits = digits[:-1]
        exponent += 1
    if 0 <= exponent and len(digits) + exponent <= 16:
        return sign + digits + "0" * exponent
    if exponent < 0 and -exponent <= len(digits) + 5:
        whole = digits[:exponent] if len(digits) > -exponent else "0"
        frac = digits[exponent:].rjust(-exponent, "0")
        return sign + whole + "." + frac
    mantissa = digits[0] + ("." + digits[1:] if len(digits) > 1 else "")
    return "%s%sE%d" % (sign, mantissa, exponent + len(digits) - 1)


def coef_text(value):
    text = decimal_text(value)
    if text is not None and len(text.replace("-", "").replace(".", "").split("E")[0]) <= 21:
        return text
    limit = 2 ** 53
    if value.denominator != 1 and abs(value.numerator) < limit and value.denominator < limit:
        return "%d/%d" % (value.numerator, value.denominator)
    return "%.17G" % float(value)


def factor_text(q):
    q = q if isinstance(q, Q) else Q(q)
    if q.pi == 0:
        return coef_text(q.coef)
    pi = "pi" if abs(q.pi) == 1 else "pi^%d" % abs(q.pi)
    if q.pi > 0:
        if q.coef == 1:
            return pi
        if q.coef.numerator == 1:
            return "%s/%d" % (pi, q.coef.denominator)
        num = q.coef.numerator
        den = q.coef.denominator
        head = "%s*%s" % (coef_text(F(num)), pi)
        return head if den == 1 else "%s/%s" % (head, coef_text(F(den)))
    # pi in the denominator
    num, den = q.coef.numerator, q.coef.denominator
    bottom = pi if den == 1 else "(%s*%s)" % (coef_text(F(den)), pi)
    return "%s/%s" % (coef_text(F(num)), bottom)


class Library:
    def __init__(self):
        self.units = {}        # text -> (si text, Q)
        self.rows = []         # (kind, text) kind: "comment" or "row"
        self.row_names = set()
        self.groups_out = []   # for help: (group, [(text, name, si, Q)])
        self.names = {}        # text -> Japanese name

    def add_row(self, name, body, comment):
        if name in self.row_names:
            raise SystemExit("make_units: the row %s is written twice" % name)
        self.row_names.add(name)
        self.rows.append(("row", "%s=%s '%s" % (name, body, comment)))

    def comment(self, text):
        self.rows.append(("comment", text))

    def unit(self, text, si, q):
        check_text(text)
        if text in self.units:
            raise SystemExit("make_units: the unit [%s] is defined twice" % text)
        self.units[text] = (si, q if q is None or isinstance(q, Q) else Q(q))

    def pair(self, a, b, comment):
        sa, qa = self.units[a]
        sb, qb = self.units[b]
        if sa != sb:
            raise SystemExit("make_units: [%s] and [%s] measure different things" % (a, b))
        self.add_row("[%s][%s]" % (a, b), factor_text(qa / qb), comment)


BAD_CHARACTERS = set(" ;'\"{}()&%?#!,<>=")


def check_text(text):
    if any(c in BAD_CHARACTERS for c in text) or "]" in text or "[" in text:
        raise SystemExit("make_units: the unit text [%s] holds a character a statement reads" % text)
    for c in text:  # full-width forms the console folds to one byte
        if "\uff01" <= c <= "\uff5e" or c in "・／＋－×÷＝＜＞、。「」":
            raise SystemExit("make_units: the unit text [%s] holds %s, which the console folds" % (text, c))
    text.encode("cp932")


def build():
    lib = Library()
    for line in CITATIONS:
        lib.comment(line)
    lib.comment("#")
    lib.comment("# ---- 接頭詞 ----")
    for p, v, name in SI_PREFIXES:
        lib.add_row("[%s]]" % p, v, name)
    lib.comment("# ２進接頭詞（情報量）")
    for p, v, name in BINARY_PREFIXES:
        lib.add_row("[%s]]" % p, v, name)
    for g in GROUPS:
        build_group(lib, g)
    lib.comment("#")
    lib.comment("# ---- 量をまたぐ換算 ----")
    for a, b, q, name in CROSS:
        lib.add_row("[%s][%s]" % (a, b), factor_text(q), name)
    build_temperatures(lib)
    lib.comment("#")
    lib.comment("# ---- 燃費と100 km 当たりの燃料（逆数なので換算関数です） ----")
    lib.unit("L/100km", "L/100km", None)
    for a, b, body, name in FUEL_FUNCTIONS:
        lib.add_row("[%s][%s](x)" % (a, b), body.replace("{MPG}", factor_text(MPG)), name)
    for g, out in lib.groups_out:
        if g["key"] == "fuel":
            out.append(("L/100km", "100 km 当たりの燃料（リットル、換算関数）", "km/L", None))
    lib.comment("#")
    lib.comment("# ---- 物理定数（CODATA 2018） ----")
    for name, value, unit, title in CONSTANTS:
        lib.add_row(name, value, title + ("[%s]" % unit if unit else ""))
    check_hazards(lib)
    return lib


def build_group(lib, g):
    out = []
    lib.comment("#")
    lib.comment("# ---- %s%s ----" % (g["title"], ("（SI単位 %s）" % g["si"]) if g["si"] else ""))
    if g["si"] and g["si"] not in lib.units:
        lib.unit(g["si"], g["si"], 1)
        lib.names[g["si"]] = g["si_name"]
    if g["si"]:
        out.append((g["si"], g["si_name"], g["si"], Q(1)))
    for text, factor, name in g["units"]:
        if factor is SI:
            if text not in lib.units:
                lib.unit(text, text, 1)
            lib.names[text] = name
            out.append((text, name, text, Q(1)))
            continue
        si = g["si"]
        if isinstance(factor, str):  # another spelling of a unit defined before
            ensure_prefixed(lib, factor[1:], g["si"])
            si, factor = lib.units[factor[1:]]
        elif factor is None:
            factor, si = MIXED[text]
            if si not in lib.units:
                lib.unit(si, si, 1)
        lib.unit(text, si, factor)
        lib.names[text] = name
        q = lib.units[text][1]
        lib.add_row("[%s][%s]" % (text, si), factor_text(q), name)
        out.append((text, name, si, q))
    own = set(u[0] for u in g["units"])
    pairs = g["pairs"] + [p for p in ELECTRIC_PAIRS if p[0] in own]
    for a, b in pairs:
        ensure_prefixed(lib, b, lib.units[a][0])
        ensure_prefixed(lib, a, lib.units[b][0])
        lib.pair(a, b, "%sから%s" % (short_name(lib, a), short_name(lib, b)))
    lib.groups_out.append((g, out))


def build_temperatures(lib):
    lib.comment("#")
    lib.comment("# ---- 温度（換算関数。向きごとに定義します） ----")
    names = {"K": "ケルビン（SI単位）", "degC": "摂氏度", "degF": "華氏度", "degR": "ランキン度",
             "℃": "摂氏度（全角）", "°C": "摂氏度（°C）", "°F": "華氏度（°F）"}
    out = []
    for t in TEMPERATURES:
        lib.unit(t, "K", None)
        out.append((t, names[t], "K", None))
    for a, b, body, name in TEMPERATURE_FUNCTIONS:
        lib.add_row("[%s][%s](x)" % (a, b), body, name)
    lib.comment("# 温度差は係数で換算します: 1[ΔK] = 1[ΔC] = 1.8[ΔF]")
    lib.unit("ΔK", "ΔK", 1)
    out.append(("ΔK", "ケルビンの温度差", "ΔK", Q(1)))
    for text, q, name in (("ΔC", 1, "摂氏の温度差"), ("ΔF", F(5, 9), "華氏の温度差"),
                          ("ΔR", F(5, 9), "ランキンの温度差")):
        lib.unit(text, "ΔK", q)
        lib.add_row("[%s][ΔK]" % text, factor_text(Q(q)), name)
        out.append((text, name, "ΔK", Q(q)))
    lib.add_row("[ΔC][ΔF]", "1.8", "摂氏の温度差から華氏の温度差")
    lib.groups_out.append((dict(key="temperature", title="温度", si="K", si_name="ケルビン",
                                note="温度は換算関数で換算します（(100[degF])[degC] など）。"
                                "温度差は ΔK ΔC ΔF ΔR の係数で換算します。", pairs=[]), out))


def short_name(lib, text):
    """The unit's name without its note in parentheses, for the comment of a pair row."""
    name = lib.names.get(text, text)
    return name.split("（")[0] if not name.startswith("（") else name


def ensure_prefixed(lib, text, si):
    """A pair may name a prefixed unit ([kPa]) that has no row of its own: its factor is known."""
    if text in lib.units or si is None:
        return
    for p, _, _ in SI_PREFIXES + BINARY_PREFIXES:
        base = text[len(p):]
        if text.startswith(p) and base in lib.units and lib.units[base][0] == si:
            lib.units[text] = (si, lib.units[base][1] * PREFIX_VALUES[p])
            prefix_name = dict((q, n) for q, _, n in SI_PREFIXES + BINARY_PREFIXES)[p]
            lib.names[text] = prefix_name + short_name(lib, base)
            return
    raise SystemExit("make_units: the pair names [%s], which no row defines" % text)


def check_hazards(lib):
    """Pairs that the prefix rule relates ([nmi] = n + [mi]) with a factor that is
    not the prefix's must have a direct row, which ConvertUnit finds first."""
    prefixes = dict((p, PREFIX_VALUES[p]) for p, _, _ in SI_PREFIXES + BINARY_PREFIXES)
    names = set(name for name, _, _, _ in CONSTANTS)
    texts = list(lib.units)
    for a in texts:
        for b in texts:
            if len(a) <= len(b) or not a.endswith(b) or a == b:
                continue
            p = a[: len(a) - len(b)]
            sa, qa = lib.units[a]
            sb, qb = lib.units[b]
            if qa is None or qb is None:
                continue
            if p in prefixes:
                if sa == sb and qa == qb * prefixes[p]:
                    continue
            elif p not in names:
                continue
            if sa != sb:
                continue  # different quantities: nobody converts between them
            if "[%s][%s]" % (a, b) not in lib.row_names and "[%s][%s]" % (b, a) not in lib.row_names:
                raise SystemExit("make_units: [%s] is not %s + [%s]: it needs a row to [%s]" % (a, p, b, b))


# ---- writing --------------------------------------------------------------------------------


def library_text(lib):
    # No Top or Left: the window places the sheet beside the console.
    lines = ["=-=-=-= ZEMU Define File =-=-=-=", "[DefineForm]", "Height=360", "Width=640",
             "DGtype=64", "DGname=120", "DGvalue=120", "DGdefine=320", "[Define]"]
    for kind, text in lib.rows:
        lines.append(text if kind == "comment" else "> " + text)
    lines.append(CLOSING)
    return ("\r\n".join(lines) + "\r\n").encode("cp932")


NAME_BYTES = set(b"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ")


def keyword(text):
    """The text as a help keyword: bare when the index reads it whole as one token (names,
    each beginning with a letter, joined by . / : or a backslash), otherwise in quotes."""
    raw = text.encode("cp932")
    in_name = False
    i = 0
    while i < len(raw):
        b = raw[i]
        if b >= 0x80:
            i += 2 if (0x81 <= b <= 0x9F or 0xE0 <= b <= 0xFC) else 1
            in_name = True
            continue
        if b in NAME_BYTES or (in_name and 0x30 <= b <= 0x39):
            in_name = True
        elif b in b"./:\\" and i > 0:
            in_name = False
        else:
            return '"%s"' % text
        i += 1
    return text


def existing_keywords(help_text):
    """Keywords of the hand-written pages: a unit that shares one is also indexed as "[text]"."""
    words = set()
    for line in help_text.split("\r\n"):
        if line.startswith("@@"):
            for token in line[2:].replace("【", " ").replace("】", " ").split():
                words.add(token.strip('"'))
    return words


def header_lines(keywords):
    lines, current = [], "@@"
    for k in keywords:
        if sjis_len(current) + 1 + sjis_len(k) > 78 and current != "@@":
            lines.append(current)
            current = "@@"
        current += ("" if current == "@@" else " ") + k
    if current != "@@":
        lines.append(current)
    return lines


def si_text(si):
    return "" if si == "倍" else si


def value_text(q):
    text = "%.10G" % float(q)
    if "E" in text:
        mantissa, exponent = text.split("E")
        text = "%sE%d" % (mantissa, int(exponent))
    return text


# Examples of the help pages: (number, from, to), or with the result of a
# conversion function given. The results are computed here and printed as the
# console prints them (%.8G).
HELP_EXAMPLES = {
    "length": [(1, "mile", "km"), (12, "in", "cm"), (1, "nmi", "mi"), (6, "尺", "m")],
    "area": [(1, "坪", "m2"), (1, "acre", "m2")],
    "volume": [(1, "gal", "L"), (1, "gal_imp", "L"), (1, "升", "合")],
    "mass": [(1, "lb", "g"), (1, "貫", "kg"), (1, "ct", "g")],
    "time": [(1, "week", "h"), (1, "yr", "day")],
    "speed": [(60, "mph", "km/h"), (60, "mph", "ft/s"), (10, "kn", "km/h")],
    "pressure": [(1, "atm", "psi"), (1, "atm", "mmHg"), (1, "bar", "psi")],
    "energy": [(1, "kWh", "MJ"), (1, "BTU", "kJ"), (1, "kcal", "kJ")],
    "power": [(1, "hp", "kW"), (1, "PS", "kW")],
    "angle": [(180, "deg", "rad"), (1, "rev", "deg")],
    "data": [(1, "GiB", "MiB"), (1, "GB", "MiB")],
    "fuel": [(30, "mpg", "km/L"), (15, "km/L", "L/100km", F(100, 15))],
    "temperature": [(100, "degF", "degC", (F(100) - 32) * F(5, 9)), (20, "degC", "K", F("293.15"))],
}


def shown(value):
    """A number as the console shows it by default (%.8G, the exponent without + and zeros)."""
    text = "%.8G" % value
    if "E" in text:
        mantissa, exponent = text.split("E")
        text = "%sE%d" % (mantissa, int(exponent))
    return text


def example_lines(lib, examples):
    lines = []
    for example in examples:
        number, a, b = example[:3]
        if len(example) > 3:
            value = float(example[3])
        else:
            sa, qa = lib.units[a]
            sb, qb = lib.units[b]
            assert sa == sb, (a, b)
            value = float(Q(number) * qa / qb)
        statement = "(%s[%s])[%s]" % (number, a, b)
        lines.append("  > " + statement)
        lines.append("    %s=%s[%s]" % (statement, shown(value), b))
    return lines


def packed(prefix, words, first_prefix=None, width=78):
    """Lines of words joined by blanks, each at most `width` bytes."""
    lines, current = [], first_prefix if first_prefix is not None else prefix
    start = current
    for w in words:
        if current != start and sjis_len(current) + 1 + sjis_len(w) > width:
            lines.append(current)
            current = start = prefix
        current += ("" if current == start else " ") + w
    if current != start:
        lines.append(current)
    return lines


def help_text(lib, old_keywords):
    out = [HELP_BEGIN]
    groups = lib.groups_out
    keys = "123456789ABCDEFGHIJKNOPRSTUVWXYZ"  # not L (back here) nor M (the contents)
    out.append("@@unitlib 単位ライブラリ 単位一覧 units.ZDF 【 単位ライブラリ 】")
    out.append("  起動すると、初期定義ファイルが単位ライブラリ units.ZDF をシートとして")
    out.append("  開きます。SI接頭詞と２進接頭詞、%d 個の単位の換算、温度の換算関数、" % len(lib.units))
    out.append("  %d 個の物理定数（CODATA 2018）が入っています。接頭詞を付けた単位" % len(CONSTANTS))
    out.append("  （kPa MHz μF など %d 個）も接頭詞の行で換算できます。" % len(prefixed_forms(lib)))
    out.append("  単位は項目の直後の [単位] で換算します。  (1[mile])[km]")
    out.append("  .help mile のように、単位の文字で説明を引けます。")
    out.append("  ライブラリのシートは閉じることも、書き換えて別名で保存することもできます。")
    out.append("  同じ名前を自分で定義すると、そちらが使われます（後のシートが先）。")
    out.append("  単位の種類:")
    entries = ["%s %s" % (keys[i], g["title"]) for i, (g, _) in enumerate(groups)]
    entries.append("%s 物理定数" % keys[len(groups)])
    for i in range(0, len(entries), 4):
        out.append("   " + "".join(e.ljust(18 - (sjis_len(e) - len(e))) for e in entries[i:i + 4]).rstrip())
    selection = ["M:menu"] + ["%s:unit.%s" % (keys[i], g["key"]) for i, (g, _) in enumerate(groups)]
    selection.append("%s:const" % keys[len(groups)])
    out.extend(packed("& ", selection, "@ "))

    for g, units in groups:
        words = []
        for text, _, _, _ in units:
            words.append([keyword(text)] + (['"[%s]"' % text] if text in old_keywords else []))
        pages = split_pages(g, units, words)
        intro = []
        if g["si"] and g["si"] != "倍":
            intro.append("  SI単位は [%s]（%s）です。" % (g["si"], g["si_name"]))
        if g.get("note"):
            intro.extend("  " + piece for piece in wrap(g["note"], 64))
        for n, (header, lines) in enumerate(pages):
            out.append(header)
            if n == 0:
                out.extend(intro)
            out.extend(lines)
            if n == len(pages) - 1:
                out.extend(example_lines(lib, HELP_EXAMPLES.get(g["key"], [])))
            out.append(page_choice(g, n, len(pages)))
    constants = [(name, title, unit) for name, _, unit, title in CONSTANTS]
    words = [[name if name not in old_keywords else '"%s"' % name] for name, _, _ in constants]
    group = dict(key="const", title="物理定数 定数 CODATA", page="const")
    pages = split_pages(group, constants, words, constant_line)
    for n, (header, lines) in enumerate(pages):
        out.append(header)
        if n == 0:
            out.append("  単位ライブラリには、次の定数（CODATA 2018）が単位付きで定義されています。")
            out.append("  同じ名前を自分で定義すると、そちらが使われます。")
        out.extend(lines)
        if n == len(pages) - 1:
            out.append("  > c; NA; (1[eV])[J]")
            out.append("    c=%s[m/s]  NA=%s[1/mol]  (1[eV])[J]=%s[J]" % (
                shown(299792458), shown(6.02214076e23), shown(float(EV))))
        out.append(page_choice(group, n, len(pages)))
    out.append(HELP_END)
    for line in out:
        if sjis_len(line) > 80:
            raise SystemExit("make_units: a help line is longer than 80 bytes: " + line)
    return out


def page_name(g, n):
    """The topic of the group's n-th page: unit.length, unit.length.b, ..."""
    base = g.get("page", "unit.%s" % g["key"])
    return base + ("" if n == 0 else "." + "bcdefghijklmnopqrstuvwxyz"[n - 1])


def page_choice(g, n, count):
    """The selection line of the group's n-th page of `count`."""
    choice = "@ M:menu L:unitlib"
    if n > 0:
        choice += " P:" + page_name(g, n - 1)
    if n < count - 1:
        choice += " N:" + page_name(g, n + 1)
    return choice


def constant_line(name, title, unit):
    return "  %-8s %s%s" % (name, title, ("  [%s]" % unit) if unit else "")


def split_pages(g, units, words, line=None):
    """The group's units in pages whose "@@" line (at most 78 bytes) holds their keywords."""
    pages, current_words, current_lines = [], [], []

    def header(n, ws):
        head = "@@" + page_name(g, n) + (" " + g["title"] if n == 0 else "")
        return head + "".join(" " + w for w in ws)

    for unit, ws in zip(units, words):
        if current_words and sjis_len(header(len(pages), current_words + ws)) > 78:
            pages.append((header(len(pages), current_words), current_lines))
            current_words, current_lines = [], []
        current_words += ws
        current_lines.append((line or unit_line)(*unit))
    pages.append((header(len(pages), current_words), current_lines))
    return pages


def unit_line(text, name, si, q):
    left = "  [%s]" % text
    left += " " * max(1, 16 - sjis_len(left))
    middle = name
    middle += " " * max(1, 32 - sjis_len(middle))
    if q is None or text == si:
        return (left + middle).rstrip()
    return (left + middle + "= %s [%s]" % (value_text(q), si_text(si))).rstrip().replace(" []", "")


def wrap(text, width):
    pieces, current = [], ""
    for ch in text:
        if sjis_len(current + ch) > width:
            pieces.append(current)
            current = ""
        current += ch
    if current:
        pieces.append(current)
    return pieces


def updated_help(lib):
    with open(HELP, "rb") as f:
        raw = f.read()
    text = raw.decode("cp932")
    lines = text.split("\r\n")
    if HELP_BEGIN in lines:
        begin = lines.index(HELP_BEGIN)
        end = lines.index(HELP_END)
        hand = lines[:begin] + lines[end + 1:]
    else:
        begin = len(lines) - 1 if lines[-1] == "" else len(lines)
        hand = lines
    old = existing_keywords("\r\n".join(hand))
    new_lines = lines[:begin] + help_text(lib, old) + (lines[lines.index(HELP_END) + 1:]
                                                       if HELP_BEGIN in lines else lines[begin:])
    return "\r\n".join(new_lines).encode("cp932")


# Metric units that take every prefix by the prefix rows ([kPa] = k + [Pa]).
PREFIXABLE = ["m", "g", "s", "A", "K", "mol", "cd", "Hz", "N", "Pa", "J", "W", "C", "V", "F", "Ω",
              "ohm", "S", "Wb", "T", "H", "lm", "lx", "Bq", "Gy", "Sv", "kat", "rad", "sr", "L", "l",
              "t", "eV", "Wh", "bar", "cal", "B", "bit", "bps", "Gal", "P", "St", "G", "M", "Ah",
              "Torr", "rem", "Ci", "R", "erg", "dyn"]


def prefixed_forms(lib):
    """The prefixed texts that only the prefix rows convert: not a unit of a row of their own."""
    forms = set()
    for p, _, _ in SI_PREFIXES:
        for base in PREFIXABLE:
            assert base in lib.units, base
            if p + base not in lib.units:
                forms.add(p + base)
    for p, _, _ in BINARY_PREFIXES:
        for base in ("B", "bit"):
            if p + base not in lib.units:
                forms.add(p + base)
    return forms


def main():
    check = "--check" in sys.argv[1:]
    lib = build()
    outputs = [(LIBRARY, library_text(lib)), (HELP, updated_help(lib))]
    stale = []
    for path, content in outputs:
        current = open(path, "rb").read() if os.path.exists(path) else b""
        if current == content:
            continue
        if check:
            stale.append(path)
        else:
            with open(path, "wb") as f:
                f.write(content)
    if stale:
        print("make_units: not as the script writes them: " + ", ".join(stale), file=sys.stderr)
        return 1
    rows = sum(1 for kind, _ in lib.rows if kind == "row")
    print("make_units: %d unit texts with rows, %d more prefixed forms, %d rows, %d constants, "
          "%d prefixes" % (len(lib.units), len(prefixed_forms(lib)), rows, len(CONSTANTS),
                           len(SI_PREFIXES) + len(BINARY_PREFIXES)), file=sys.stderr)
    return 0


if __name__ == "__main__":
    sys.exit(main())
