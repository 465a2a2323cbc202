#!/usr/bin/env python3
"""Writes data/demo-catalogue.json, the source of the demo tavik.dll.

The output is deterministic: a small splitmix64 generator of our own drives
every choice, so running the script again gives the same file byte for byte.
Usage: scripts/make-demo-catalogue.py [output]  (default: data/demo-catalogue.json)
"""

import json
import os
import sys

MASK = (1 << 64) - 1


class Prng:
    def __init__(self, seed):
        self.state = seed & MASK

    def next(self):
        self.state = (self.state + 0x9E3779B97F4A7C15) & MASK
        z = self.state
        z = ((z ^ (z >> 30)) * 0xBF58476D1CE4E5B9) & MASK
        z = ((z ^ (z >> 27)) * 0x94D049BB133111EB) & MASK
        return z ^ (z >> 31)

    def below(self, n):
        return self.next() % n

    def pick(self, items):
        return items[self.below(len(items))]

    def chance(self, percent):
        return self.below(100) < percent


SURNAMES = "王李张刘陈杨黄赵吴周徐孙马朱胡郭何高林罗郑梁谢宋唐许韩冯邓曹彭曾"
GIVEN = ["伟", "芳", "娜", "敏", "静", "丽", "强", "磊", "军", "洋", "勇", "艳", "杰", "涛", "明", "超",
         "秀英", "霞", "平", "刚", "建国", "志强", "晓明", "雪梅", "海燕", "国华", "文杰", "嘉欣", "一鸣"]

FILM_HEADS = ["城市", "江湖", "大漠", "长安", "上海滩", "江南", "海上", "山河", "风雨", "烽火", "岁月",
              "少年", "明月", "故乡", "天涯", "青春", "黄河", "草原", "丝路", "东方", "小城", "星空"]
FILM_TAILS = ["之光", "往事", "传奇", "恋人", "人家", "记忆", "风云", "密码", "誓言", "日记", "之歌",
              "兄弟", "情缘", "旅程", "时代", "行动", "谍影", "纪事", "人生", "梦想"]
SERIES = ["西游记", "红楼梦", "水浒传", "三国演义", "封神榜", "聊斋志异", "射雕英雄传", "天龙八部",
          "笑傲江湖", "鹿鼎记", "倚天屠龙记", "神雕侠侣", "包青天", "济公", "白蛇传", "杨家将",
          "大宅门", "四世同堂", "围城", "茶馆", "骆驼祥子", "家春秋", "渴望", "编辑部的故事"]
SHOWS = ["快乐周末", "欢乐大本营", "开心辞典", "星光大道", "综艺大观", "非常六加一", "天天向上", "笑声传奇"]
CARTOONS = ["葫芦兄弟", "黑猫警长", "大闹天宫", "哪吒闹海", "邋遢大王奇遇记", "舒克和贝塔", "海尔兄弟",
            "小鲤鱼历险记", "宝莲灯", "三个和尚"]
TEAMS = ["北京", "上海", "广州", "天津", "山东", "辽宁", "江苏", "浙江", "四川", "河南"]
NEWS = ["新闻联播", "新闻三十分", "焦点访谈", "东方时空", "晚间新闻", "新闻周刊"]
DOCS = ["故宫", "话说长江", "再说长江", "河西走廊", "大国崛起", "丝绸之路", "敦煌", "森林之歌", "颐和园",
        "大运河", "望长城", "郑和下西洋"]
SONGS = ["经典老歌精选", "校园民谣", "民歌大联唱", "红歌会", "新年音乐会", "军旅歌曲", "流行金曲榜",
         "草原之歌", "江南小调", "童年的回忆"]
KIDS = ["小小智慧树", "七巧板", "大风车", "动画城", "智慧树", "芝麻开门", "小神龙俱乐部", "成长在线"]
OPERAS = [("京剧", "霸王别姬"), ("京剧", "贵妃醉酒"), ("京剧", "空城计"), ("越剧", "梁山伯与祝英台"),
          ("越剧", "红楼梦"), ("黄梅戏", "天仙配"), ("黄梅戏", "女驸马"), ("豫剧", "花木兰"),
          ("昆曲", "牡丹亭"), ("评剧", "花为媒"), ("川剧", "变脸"), ("粤剧", "帝女花")]
LESSONS = [("新概念英语", "课"), ("初中数学", "讲"), ("高中物理", "讲"), ("书法入门", "课"),
           ("围棋教室", "讲"), ("计算机基础", "讲"), ("普通话训练", "课")]
FINANCE = ["财经早班车", "经济半小时", "股市直播", "理财周刊", "对话", "财富故事会"]

# Site labels as people write them; the player is chosen by 土豆, 优酷 or SINA
# occurring in the label.
LABELS = {"tudou": ["土豆", "土豆网", "土豆高清"],
          "youku": ["优酷", "优酷视频", "优酷高清"],
          "sina": ["SINA", "SINA视频", "新浪SINA"]}
ALNUM = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"


def person(prng):
    return prng.pick(SURNAMES) + prng.pick(GIVEN)


def people(prng, count):
    return "、".join(person(prng) for _ in range(count))


def date(prng, start_year=2008, years=3):
    year = start_year + prng.below(years)
    month = 1 + prng.below(12)
    day = 1 + prng.below(28)
    return year, month, day


def stamp(prng):
    year, month, day = date(prng)
    return "%04d-%02d-%02d %02d:%02d:%02d" % (year, month, day, prng.below(24), prng.below(60), prng.below(60))


def identifier(prng, site):
    if site == "tudou":
        return "".join(prng.pick(ALNUM) for _ in range(11))
    if site == "youku":
        return "XN" + "".join(prng.pick(ALNUM) for _ in range(10))
    return str(10000000 + prng.below(90000000))


def play_list(prng, titles):
    """One to three groups on different sites, each holding every title."""
    sites = ["tudou", "youku", "sina"]
    for i in range(len(sites) - 1, 0, -1):
        j = prng.below(i + 1)
        sites[i], sites[j] = sites[j], sites[i]
    roll = prng.below(100)
    groups = 1 if roll < 45 else 2 if roll < 85 else 3
    text = ""
    for site in sites[:groups]:
        text += "$$" + prng.pick(LABELS[site])
        for title in titles:
            text += "|" + identifier(prng, site) + "|" + title
    return text


def episodes(prng, low, high):
    return ["第%d集" % n for n in range(1, low + prng.below(high - low + 1) + 1)]


def film(prng):
    title = prng.pick(FILM_HEADS) + prng.pick(FILM_TAILS)
    if prng.chance(15):
        title += "（国语）"
    return title, "主演：%s 导演：%s" % (people(prng, 1 + prng.below(3)), person(prng)), [prng.pick(["正片", "高清版"])]


def series(prng):
    title = prng.pick(SERIES)
    if prng.chance(35):
        title = "新版" + title
    if prng.chance(30):
        title += " 第%d部" % (2 + prng.below(3))
    return title, "主演：%s 导演：%s" % (people(prng, 2 + prng.below(2)), person(prng)), episodes(prng, 2, 8)


def show(prng):
    year, month, day = date(prng)
    return ("%s %04d%02d%02d" % (prng.pick(SHOWS), year, month, day),
            "主持：%s" % people(prng, 2), ["上", "下"] if prng.chance(40) else ["完整版"])


def cartoon(prng):
    title = prng.pick(CARTOONS)
    if prng.chance(30):
        title += " 第%d季" % (2 + prng.below(3))
    return title, "配音：%s 导演：%s" % (people(prng, 2), person(prng)), episodes(prng, 1, 6)


def sport(prng):
    home, away = prng.pick(TEAMS), prng.pick(TEAMS)
    while away == home:
        away = prng.pick(TEAMS)
    league = prng.pick(["中超", "CBA", "全运会足球", "全国女排联赛"])
    return ("%s 第%d轮 %s vs %s" % (league, 1 + prng.below(30), home, away),
            "解说：%s" % person(prng), ["上半场", "下半场"] if prng.chance(60) else ["全场回放"])


def news(prng):
    year, month, day = date(prng)
    return "%s %04d-%02d-%02d" % (prng.pick(NEWS), year, month, day), "主播：%s" % people(prng, 2), ["完整版"]


def documentary(prng):
    return prng.pick(DOCS), "撰稿：%s 导演：%s" % (person(prng), person(prng)), episodes(prng, 1, 6)


def music(prng):
    return prng.pick(SONGS), "演唱：%s" % people(prng, 1 + prng.below(3)), ["完整版"]


def kids(prng):
    return ("%s %d" % (prng.pick(KIDS), 1 + prng.below(200)),
            "主持：%s" % person(prng), ["正片"])


def opera(prng):
    genre, piece = prng.pick(OPERAS)
    return "%s %s" % (genre, piece), "主演：%s" % people(prng, 2), episodes(prng, 1, 3)


def lesson(prng):
    course, unit = prng.pick(LESSONS)
    return ("%s 第%d%s" % (course, 1 + prng.below(60), unit),
            "主讲：%s" % person(prng), ["正片"])


def finance(prng):
    year, month, day = date(prng)
    return ("%s %04d-%02d-%02d" % (prng.pick(FINANCE), year, month, day),
            "主持：%s" % person(prng), ["完整版"])


# lb_id, name, display order, number of programmes, title maker.
CATEGORIES = [
    (1, "电影", 2, 40, film),
    (2, "电视剧", 1, 120, series),
    (3, "综艺", 4, 25, show),
    (4, "动漫", 5, 24, cartoon),
    (5, "体育", 3, 30, sport),
    (6, "新闻", 6, 20, news),
    (7, "纪录片", 8, 18, documentary),
    (8, "音乐", 7, 16, music),
    (9, "少儿", 10, 12, kids),
    (10, "戏曲", 12, 12, opera),
    (11, "教育", 11, 14, lesson),
    (12, "财经", 9, 15, finance),
]

ADS = [("青禾网络电视 全新改版", "www.example.cn/qinghe"),
       ("高清大片 天天更新", "movie.example.cn/hd"),
       ("体育直播 精彩不断", "sports.example.cn/live"),
       ("新春特惠 买一送一", "shop.example.com.cn/sale"),
       ("财经早报 每日必读", "finance.example.cn/daily")]


def build():
    prng = Prng(20090517)
    programmes = []
    next_id = 1
    for lb_id, _name, _px, count, maker in CATEGORIES:
        for _ in range(count):
            title, player, leaves = maker(prng)
            programmes.append({"id": next_id, "tit": title, "player": player, "lb_id": lb_id,
                               "up_dt": stamp(prng), "adds": play_list(prng, leaves)})
            next_id += 1
    # Interleave the categories' ids the way a catalogue that grew over time
    # would have them, keeping each programme's data.
    order = list(range(len(programmes)))
    for i in range(len(order) - 1, 0, -1):
        j = prng.below(i + 1)
        order[i], order[j] = order[j], order[i]
    for new_id, index in enumerate(order, start=1):
        programmes[index]["id"] = new_id
    programmes.sort(key=lambda row: row["id"])
    # A few programmes of the big category share an update stamp, so the
    # listing falls back on the id to order them.
    big = [row for row in programmes if row["lb_id"] == 2]
    for row in big[10:14]:
        row["up_dt"] = "2009-05-17 20:31:07"

    categories = [{"lb_id": lb_id, "lb": name, "c_id": count, "px": px}
                  for lb_id, name, px, count, _maker in CATEGORIES]
    ad = "@#".join(caption + "@#" + link for caption, link in ADS)
    return {"vlb": categories, "t1": programmes, "ad": [{"ad": ad}]}


def write(catalogue, path):
    lines = ["{"]
    tables = list(catalogue.items())
    for t, (name, rows) in enumerate(tables):
        lines.append('  "%s": [' % name)
        for r, row in enumerate(rows):
            comma = "," if r + 1 < len(rows) else ""
            lines.append("    " + json.dumps(row, ensure_ascii=False) + comma)
        lines.append("  ]" + ("," if t + 1 < len(tables) else ""))
    lines.append("}")
    with open(path, "w", encoding="utf-8", newline="\n") as out:
        out.write("\n".join(lines) + "\n")


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    path = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "data", "demo-catalogue.json")
    write(build(), path)


if __name__ == "__main__":
    main()
