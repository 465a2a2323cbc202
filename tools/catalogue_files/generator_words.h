#pragma once

// Word lists the synthetic catalogue composes its texts from.

#include <array>
#include <string_view>

namespace qinghe::catalogue_files::words {

inline constexpr auto category_names = std::to_array<std::string_view>({
    "电影", "电视剧", "综艺", "动漫", "体育", "新闻", "纪录片", "音乐", "少儿", "戏曲", "教育",   "财经",
    "科技", "旅游",   "美食", "时尚", "健康", "游戏", "汽车",   "军事", "历史", "法制", "公开课", "娱乐",
});

inline constexpr auto classic_titles = std::to_array<std::string_view>({
    "西游记",   "红楼梦", "水浒传",     "三国演义", "封神榜", "聊斋志异", "射雕英雄传", "天龙八部",
    "笑傲江湖", "鹿鼎记", "倚天屠龙记", "神雕侠侣", "包青天", "济公",     "白蛇传",     "杨家将",
    "还珠格格", "渴望",   "围城",       "四世同堂", "茶馆",   "骆驼祥子", "边城",       "家春秋",
});

inline constexpr auto title_heads = std::to_array<std::string_view>({
    "城市", "江湖", "大漠", "长安", "上海滩", "北京", "江南",   "海上", "山河", "风雨", "烽火", "岁月",
    "少年", "英雄", "侠客", "明月", "春天",   "故乡", "天涯",   "青春", "黄河", "长江", "草原", "雪域",
    "丝路", "东方", "南国", "北方", "小城",   "胡同", "大宅门", "潜伏", "暗算", "亮剑", "追梦", "星空",
    "金色", "红色", "蓝天", "热血", "温暖",   "幸福", "快乐",   "奇妙", "神秘", "勇敢", "美丽", "永远",
});

inline constexpr auto title_tails = std::to_array<std::string_view>({
    "之光", "往事", "传奇", "故事", "恋人", "人家", "记忆", "岁月",   "风云",   "密码", "誓言", "日记",
    "之歌", "兄弟", "家族", "情缘", "战记", "旅程", "时代", "的秘密", "大冒险", "之恋", "之夜", "行动",
    "谍影", "少年", "列传", "纪事", "春秋", "新传", "物语", "笔记",   "人生",   "梦想", "天空", "家园",
});

inline constexpr auto title_prefixes =
    std::to_array<std::string_view>({"新版", "新", "重温", "经典", "大", "小", "我的", "爱上"});

inline constexpr auto surnames = std::to_array<std::string_view>({
    "王", "李", "张", "刘", "陈", "杨", "黄", "赵", "吴", "周", "徐", "孙", "马", "朱", "胡",   "郭",   "何",   "高",
    "林", "罗", "郑", "梁", "谢", "宋", "唐", "许", "韩", "冯", "邓", "曹", "彭", "曾", "欧阳", "司马", "诸葛", "上官",
});

inline constexpr auto given_names = std::to_array<std::string_view>({
    "伟",   "芳",   "娜",   "敏",   "静",   "丽",   "强",   "磊",   "军",   "洋",   "勇",   "艳",
    "杰",   "娟",   "涛",   "明",   "超",   "秀英", "霞",   "平",   "刚",   "桂英", "建国", "志强",
    "晓明", "雪梅", "海燕", "国华", "子怡", "德华", "小龙", "文杰", "嘉欣", "若曦", "一鸣", "天佑",
});

inline constexpr auto tudou_labels = std::to_array<std::string_view>({"土豆", "土豆网", "土豆高清"});
inline constexpr auto youku_labels = std::to_array<std::string_view>({"优酷", "优酷视频", "优酷高清"});
inline constexpr auto sina_labels = std::to_array<std::string_view>({"SINA", "SINA视频", "新浪SINA"});

inline constexpr auto single_video_titles =
    std::to_array<std::string_view>({"正片", "高清版", "国语版", "完整版", "第1集"});

inline constexpr auto ad_captions = std::to_array<std::string_view>({
    "青禾网络电视 全新改版",
    "看大片 上青禾",
    "体育直播 精彩不断",
    "新春特惠 买一送一",
    "高清电影 免费看",
    "财经早报 每日更新",
    "少儿频道 快乐成长",
    "旅游季 说走就走",
    "美食地图 吃遍全国",
    "音乐排行榜 本周新歌",
});

inline constexpr auto ad_paths = std::to_array<std::string_view>({
    "www.example.cn/qinghe",
    "www.example.cn/movie",
    "sports.example.cn/live",
    "shop.example.com.cn/sale",
    "www.example.cn/hd",
    "finance.example.cn/daily",
    "kids.example.cn",
    "travel.example.cn/season",
    "food.example.cn/map",
    "music.example.cn/top",
});

}  // namespace qinghe::catalogue_files::words
