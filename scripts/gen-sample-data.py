#!/usr/bin/env python3
"""Generates examples/game-data: a small, consistent set of game tables for Tessel.

    scripts/gen-sample-data.py [OUTPUT_DIR]      (default: examples/game-data)

Writes tableList.xml and, per table, its data file and its ".meta" file, in exactly the forms
Tessel writes them, so that loading and saving them changes no byte:

  - data files: UTF-16 little-endian with the mark FF FE, CR LF line ends, the header lines
    (field names, then type names) and one row per line, every value in the writer's own form
    ("%d", "%u", 64-bit decimal, "%f" of the float value, lists joined by "|");
  - metadata files: as the metadata generator writes them with pugixml (UTF-16LE with FF FE, the
    declaration, one tab of indentation per level, attributes in the order Type, Name,
    CodeVarName, LinkTableName, IsMulti);
  - tableList.xml: UTF-8.

Link columns (LinkTableName) hold ids of rows that exist in the linked table. The output is the
same on every run (fixed random seed).
"""

import os
import random
import struct
import sys

SEED = 20240607


# ---- value forms ---------------------------------------------------------------------------

def f32(x):
    """The nearest 32-bit float, as the cells store it."""
    return struct.unpack("<f", struct.pack("<f", x))[0]


def float_text(x):
    """The writer's form of a float cell: C's "%f" of the float widened to double."""
    text = "%f" % f32(x)
    # The reader narrows strtod's double to float; the written form must survive that.
    assert "%f" % f32(float(text)) == text, text
    return text


def value_text(field_type, value):
    if field_type in ("INT", "UINT", "INT64", "UINT64"):
        return "%d" % value
    if field_type == "FLOAT":
        return float_text(value)
    if field_type in ("STRING", "KEY_VALUE"):
        assert "\t" not in value and "\r" not in value and "\n" not in value
        return value
    if field_type == "STRING_INT":
        return "|".join("%d" % v for v in value)
    if field_type == "STRING_FLOAT":
        return "|".join(float_text(v) for v in value)
    raise ValueError(field_type)


LIMITS = {
    "INT": (-2**31, 2**31 - 1),
    "UINT": (0, 2**32 - 1),
    "INT64": (-2**63, 2**63 - 1),
    "UINT64": (0, 2**64 - 1),
}


def check_value(field_type, value):
    if field_type in LIMITS:
        low, high = LIMITS[field_type]
        assert low <= value <= high, (field_type, value)
    if field_type in ("STRING_INT", "STRING_FLOAT"):
        assert len(value) <= 64


# ---- files ---------------------------------------------------------------------------------

def xml_attr(text):
    return text.replace("&", "&amp;").replace("<", "&lt;").replace('"', "&quot;")


def write_data_file(path, fields, rows):
    lines = ["\t".join(f["name"] for f in fields), "\t".join(f["type"] for f in fields)]
    for row in rows:
        assert len(row) == len(fields)
        for f, v in zip(fields, row):
            check_value(f["type"], v)
        line = "\t".join(value_text(f["type"], v) for f, v in zip(fields, row))
        assert len(line.encode("utf-16-le")) // 2 <= 4095
        lines.append(line)
    text = "".join(line + "\r\n" for line in lines)
    with open(path, "wb") as out:
        out.write(b"\xff\xfe" + text.encode("utf-16-le"))


def write_meta_file(path, fields, id_index=0, name_index=1):
    out = ['<?xml version="1.0"?>\n',
           '<Table IdFieldIndex="%d" NameFieldIndex="%d">\n' % (id_index, name_index)]
    for f in fields:
        out.append('\t<Field Type="%s" Name="%s" CodeVarName="%s" LinkTableName="%s" IsMulti="%s" />\n' % (
            xml_attr(f["type"]), xml_attr(f["name"]), xml_attr(f["code"]), xml_attr(f.get("link", "")),
            "true" if f["type"] in ("STRING_INT", "STRING_FLOAT") else "false"))
    out.append("</Table>\n")
    with open(path, "wb") as f:
        f.write(b"\xff\xfe" + "".join(out).encode("utf-16-le"))


def write_table_list(path, tables):
    out = ['<?xml version="1.0" encoding="utf-8"?>\n', "<TableList>\n"]
    for t in tables:
        out.append('\t<Table FileName="%s" Label="%s" />\n' % (xml_attr(t["file"]), xml_attr(t["label"])))
    out.append("</TableList>\n")
    with open(path, "wb") as f:
        f.write("".join(out).encode("utf-8"))


def field(name, code, field_type, link=""):
    return {"name": name, "code": code, "type": field_type, "link": link}


# ---- content -------------------------------------------------------------------------------

def make_tables(rnd):
    tables = []

    # 技能 skills ------------------------------------------------------------------------------
    skill_ids = list(range(2001, 2041))
    elements = ["火焰", "寒冰", "雷霆", "暗影", "神圣", "剧毒", "狂风", "大地"]
    forms = ["冲击", "护盾", "新星", "箭", "风暴", "印记", "之触", "爆裂"]
    skill_fields = [
        field("编号", "ID", "INT"),
        field("名称", "Name", "STRING"),
        field("说明键", "DescKey", "KEY_VALUE"),
        field("冷却时间", "Cooldown", "FLOAT"),
        field("伤害系数", "DamageFactors", "STRING_FLOAT"),
        field("法力消耗", "ManaCost", "UINT"),
        field("前置技能", "Prerequisite", "INT", "skills.txt"),
        field("解锁等级", "UnlockLevel", "UINT"),
    ]
    skill_rows = []
    for n, sid in enumerate(skill_ids):
        name = elements[n % len(elements)] + forms[(n // len(elements) + n) % len(forms)]
        prereq = skill_ids[n - rnd.randint(1, min(n, 5))] if n >= 3 and rnd.random() < 0.6 else 0
        factors = [rnd.choice([0.5, 0.75, 1.0, 1.25, 1.5, 2.0, 2.5]) for _ in range(rnd.randint(1, 3))]
        skill_rows.append([sid, name, "SKILL_DESC_%d" % sid, rnd.choice([0.5, 1.5, 3.0, 6.0, 12.5, 30.0]),
                           factors, rnd.randint(0, 12) * 5, prereq, 1 + n])
    tables.append({"file": "skills.txt", "label": "技能", "fields": skill_fields, "rows": skill_rows})

    # 物品 items -------------------------------------------------------------------------------
    item_ids = list(range(1001, 1081))
    qualities = ["粗糙的", "普通的", "精良的", "稀有的", "史诗的", "传说的"]
    nouns = ["铁剑", "木盾", "皮甲", "法杖", "长弓", "匕首", "战斧", "头盔", "战靴", "护手",
             "戒指", "项链", "斗篷", "腰带", "药水", "卷轴", "宝石", "矿石", "兽皮", "草药"]
    item_fields = [
        field("编号", "ID", "INT"),
        field("名称", "Name", "STRING"),
        field("描述键", "DescKey", "KEY_VALUE"),
        field("品质", "Quality", "UINT"),
        field("售价", "Price", "INT64"),
        field("重量", "Weight", "FLOAT"),
        field("属性加成", "Bonuses", "STRING_FLOAT"),
        field("合成材料", "Materials", "STRING_INT", "items.txt"),
        field("堆叠上限", "StackMax", "UINT"),
        field("全局编号", "Guid", "UINT64"),
    ]
    item_rows = []
    for n, iid in enumerate(item_ids):
        quality = n % len(qualities)
        name = qualities[quality] + nouns[n % len(nouns)]
        materials = sorted(rnd.sample(item_ids[:n], rnd.randint(1, 3))) if n >= 20 and quality >= 2 else []
        bonuses = [rnd.choice([1.0, 2.5, 5.0, 7.5, 10.0, 0.125]) for _ in range(quality)]
        guid = 18446744073709551615 if n == len(item_ids) - 1 else 9007199254740993 + n * 7919
        item_rows.append([iid, name, "ITEM_DESC_%d" % iid, quality,
                          (10 + n * 37) * (quality + 1) * (1000 if n == 79 else 1),
                          rnd.choice([0.1, 0.25, 0.5, 1.0, 2.75, 12.0]), bonuses, materials,
                          99 if nouns[n % len(nouns)] in ("药水", "卷轴", "宝石", "矿石", "兽皮", "草药") else 1,
                          guid])
    tables.append({"file": "items.txt", "label": "物品", "fields": item_fields, "rows": item_rows})

    # 掉落 drop lists --------------------------------------------------------------------------
    drop_ids = list(range(3001, 3031))
    drop_fields = [
        field("编号", "ID", "INT"),
        field("名称", "Name", "STRING"),
        field("物品列表", "Items", "STRING_INT", "items.txt"),
        field("权重", "Weights", "STRING_INT"),
        field("概率", "Chances", "STRING_FLOAT"),
        field("金币下限", "GoldMin", "INT64"),
        field("金币上限", "GoldMax", "INT64"),
    ]
    drop_rows = []
    for n, did in enumerate(drop_ids):
        items = sorted(rnd.sample(item_ids, rnd.randint(1, 6)))
        gold_min = rnd.randint(0, 50) * 10
        drop_rows.append([did, "掉落组%02d" % (n + 1), items, [rnd.randint(1, 100) for _ in items],
                          [rnd.choice([0.05, 0.1, 0.25, 0.5, 1.0]) for _ in items], gold_min,
                          gold_min + rnd.randint(1, 100) * 10])
    tables.append({"file": "drops.txt", "label": "掉落", "fields": drop_fields, "rows": drop_rows})

    # 怪物 monsters ----------------------------------------------------------------------------
    monster_ids = list(range(4001, 4061))
    kinds = ["野狼", "骷髅兵", "哥布林", "巨魔", "石像鬼", "毒蜘蛛", "幽灵", "山贼", "火元素", "冰霜巨人"]
    ranks = ["", "精英", "首领"]
    monster_fields = [
        field("编号", "ID", "INT"),
        field("名称", "Name", "STRING"),
        field("模型键", "ModelKey", "KEY_VALUE"),
        field("等级", "Level", "UINT"),
        field("生命值", "Health", "INT64"),
        field("经验值", "Experience", "UINT64"),
        field("移动速度", "MoveSpeed", "FLOAT"),
        field("技能", "Skills", "STRING_INT", "skills.txt"),
        field("掉落", "DropList", "INT", "drops.txt"),
        field("刷新坐标", "SpawnPoint", "STRING_FLOAT"),
    ]
    monster_rows = []
    for n, mid in enumerate(monster_ids):
        rank = 2 if n % 15 == 14 else (1 if n % 5 == 4 else 0)
        level = 1 + n
        monster_rows.append([mid, ranks[rank] + kinds[n % len(kinds)], "MODEL_MONSTER_%d" % mid, level,
                             (120 + level * level * 35) * (1 + rank * 4) * (1000000 if rank == 2 else 1),
                             level * 15 * (1 + rank * 9), rnd.choice([2.5, 3.0, 3.5, 4.25, 5.0]),
                             sorted(rnd.sample(skill_ids, rnd.randint(0, 3))),
                             rnd.choice(drop_ids) if rnd.random() < 0.85 else 0,
                             [float(rnd.randint(-500, 500)), float(rnd.randint(-500, 500)), 0.5 * rnd.randint(0, 40)]])
    tables.append({"file": "monsters.txt", "label": "怪物", "fields": monster_fields, "rows": monster_rows})

    # NPC --------------------------------------------------------------------------------------
    npc_ids = list(range(5001, 5026))
    npc_names = ["村长", "铁匠", "药剂师", "旅店老板", "守卫队长", "流浪商人", "图书管理员", "猎人",
                 "渔夫", "牧师", "吟游诗人", "驯兽师", "矿工", "裁缝", "厨师", "信使", "老兵", "学徒",
                 "占卜师", "船长", "农夫", "珠宝商", "佣兵", "隐士", "国王"]
    npc_fields = [
        field("编号", "ID", "INT"),
        field("名称", "Name", "STRING"),
        field("对话键", "DialogKey", "KEY_VALUE"),
        field("坐标", "Position", "STRING_FLOAT"),
        field("商店物品", "ShopItems", "STRING_INT", "items.txt"),
        field("悬赏怪物", "BountyMonster", "UINT", "monsters.txt"),
        field("阵营", "Faction", "UINT"),
        field("好感度上限", "FavorMax", "UINT64"),
    ]
    npc_rows = []
    for n, nid in enumerate(npc_ids):
        shop = sorted(rnd.sample(item_ids, rnd.randint(2, 8))) if n % 3 != 2 else []
        npc_rows.append([nid, npc_names[n], "DIALOG_NPC_%d" % nid,
                         [0.25 * rnd.randint(-800, 800), 0.25 * rnd.randint(-800, 800), 0.0], shop,
                         rnd.choice(monster_ids) if n % 4 == 0 else 0, n % 3, 1000 * (n + 1)])
    tables.append({"file": "npcs.txt", "label": "NPC", "fields": npc_fields, "rows": npc_rows})

    # 任务 quests ------------------------------------------------------------------------------
    quest_ids = list(range(6001, 6031))
    verbs = ["讨伐", "收集", "护送", "调查", "寻找", "清剿"]
    quest_fields = [
        field("编号", "ID", "INT"),
        field("名称", "Name", "STRING"),
        field("发布者", "Giver", "INT64", "npcs.txt"),
        field("目标怪物", "TargetMonsters", "STRING_INT", "monsters.txt"),
        field("奖励物品", "RewardItems", "STRING_INT", "items.txt"),
        field("奖励经验", "RewardExperience", "UINT64"),
        field("奖励倍率", "RewardFactor", "FLOAT"),
        field("前置任务", "PreviousQuest", "UINT64", "quests.txt"),
        field("描述键", "DescKey", "KEY_VALUE"),
    ]
    quest_rows = []
    for n, qid in enumerate(quest_ids):
        targets = sorted(rnd.sample(monster_ids, rnd.randint(1, 3)))
        quest_rows.append([qid, "%s：%s" % (verbs[n % len(verbs)], monster_rows[monster_ids.index(targets[0])][1]),
                           rnd.choice(npc_ids), targets, sorted(rnd.sample(item_ids, rnd.randint(0, 2))),
                           500 * (n + 1), rnd.choice([1.0, 1.25, 1.5, 2.0]), quest_ids[n - 1] if n > 0 else 0,
                           "QUEST_DESC_%d" % qid])
    tables.append({"file": "quests.txt", "label": "任务", "fields": quest_fields, "rows": quest_rows})

    order = ["items.txt", "monsters.txt", "skills.txt", "drops.txt", "npcs.txt", "quests.txt"]
    return sorted(tables, key=lambda t: order.index(t["file"]))


def check_links(tables):
    ids = {t["file"]: {row[0] for row in t["rows"]} for t in tables}
    for t in tables:
        assert len(ids[t["file"]]) == len(t["rows"]), "duplicate id in " + t["file"]
        assert 20 <= len(t["rows"]) <= 200
        for i, f in enumerate(t["fields"]):
            if not f["link"]:
                continue
            targets = ids[f["link"]]
            for row in t["rows"]:
                values = row[i] if isinstance(row[i], list) else [row[i]]
                for v in values:
                    assert v == 0 or v in targets, (t["file"], f["name"], v)


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    out_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "examples", "game-data")
    os.makedirs(out_dir, exist_ok=True)
    tables = make_tables(random.Random(SEED))
    check_links(tables)
    types = {f["type"] for t in tables for f in t["fields"]}
    assert types == {"INT", "UINT", "INT64", "UINT64", "FLOAT", "STRING", "KEY_VALUE", "STRING_INT",
                     "STRING_FLOAT"}, types
    for t in tables:
        write_data_file(os.path.join(out_dir, t["file"]), t["fields"], t["rows"])
        write_meta_file(os.path.join(out_dir, t["file"] + ".meta"), t["fields"])
    write_table_list(os.path.join(out_dir, "tableList.xml"), tables)
    print("%d tables, %d rows written to %s" % (len(tables), sum(len(t["rows"]) for t in tables), out_dir))


if __name__ == "__main__":
    main()
