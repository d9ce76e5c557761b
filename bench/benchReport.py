#!/usr/bin/python3
"""Puts the results of scripts/bench together: one table with every figure (medians of the
repetitions), the ratios against pandas and against the floor, each target with its verdict;
optionally the same as JSON.

    benchReport.py RESULTS_DIR [--json FILE]

RESULTS_DIR holds what scripts/bench collected: info.json, floor.json, tessel.json,
pandas.json and editor.json (each optional except info.json).
"""
import json
import os
import statistics
import sys


def load(directory, name):
    path = os.path.join(directory, name)
    if not os.path.exists(path):
        return None
    with open(path, encoding="utf-8") as f:
        text = f.read().strip()
    return json.loads(text) if text else None


def median(values):
    values = [float(v) for v in values or []]
    return statistics.median(values) if values else None


def spread(values):
    values = [float(v) for v in values or []]
    return (min(values), max(values), len(values)) if values else (None, None, 0)


def fmt(value, digits=1):
    if value is None:
        return "-"
    if abs(value) >= 1000:
        return f"{value:,.0f}"
    return f"{value:.{digits}f}"


def main():
    args = sys.argv[1:]
    if not args:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    directory = args[0]
    json_path = None
    if "--json" in args:
        json_path = args[args.index("--json") + 1]

    info = load(directory, "info.json") or {}
    floor = load(directory, "floor.json")
    tessel = load(directory, "tessel.json")
    pandas = load(directory, "pandas.json")
    editor = load(directory, "editor.json")
    rows = info.get("rows")

    figures = []  # (key, label, unit, list of samples or single value)

    def add(key, label, unit, samples, digits=1):
        if samples is None:
            return
        if not isinstance(samples, list):
            samples = [samples]
        if not samples:
            return
        low, high, count = spread(samples)
        figures.append({"key": key, "label": label, "unit": unit, "median": median(samples),
                        "min": low, "max": high, "reps": count, "digits": digits})

    if floor:
        add("floor_ms", "floor: read the data file, count CR LF", "ms", floor.get("floor_ms"))
        add("floor_malloc_ms", "floor with a plain malloc buffer (4 KiB pages)", "ms",
            floor.get("floor_malloc_ms"))
    if tessel:
        add("load_ms", "Tessel load: TableList, metadata + data + rows", "ms", tessel.get("load_ms"))
        add("load_cpu_ms", "  of which CPU time (user + system)", "ms",
            [float(u) + float(s) for u, s in zip(tessel.get("load_user_ms", []),
                                                  tessel.get("load_system_ms", []))])
        add("write_ms", "Tessel save: serialise and write (no fsync)", "ms", tessel.get("write_ms"))
        add("save_ms", "Tessel save: saveAll (write, fsync, rename)", "ms", tessel.get("save_ms"))
        if tessel.get("write_ms") and tessel.get("save_ms"):
            add("replace_ms", "  of which the durable replace (fsync, rename)", "ms",
                [float(s) - float(w) for s, w in zip(tessel["save_ms"], tessel["write_ms"])])
        add("save_cpu_ms", "  of which CPU time (user + system)", "ms",
            [float(u) + float(s) for u, s in zip(tessel.get("save_user_ms", []),
                                                  tessel.get("save_system_ms", []))])
        peaks = tessel.get("peak_bytes") or []
        add("peak_mb", "Tessel load: peak resident memory", "MB", [float(p) / 1e6 for p in peaks])
        if tessel.get("rows"):
            add("bytes_per_row", "Tessel load: peak memory per row", "bytes",
                [float(p) / tessel["rows"] for p in peaks], 0)
    if pandas:
        add("pandas_read_ms", "pandas read_csv (utf-16, tab)", "ms", pandas.get("read_ms"))
        add("pandas_write_ms", "pandas to_csv (utf-16, tab)", "ms", pandas.get("write_ms"))
        add("pandas_peak_mb", "pandas read_csv: peak resident memory", "MB",
            [float(p) / 1e6 for p in pandas.get("read_peak_bytes") or []])
        add("pandas_process_peak_mb", "  pandas process peak (interpreter included)", "MB",
            [float(p) / 1e6 for p in pandas.get("process_peak_bytes") or []])
    if editor:
        add("editor_startup_ms", "editor: start-up until the class view is filled", "ms",
            editor.get("startup_ms"))
        add("editor_expand_ms", "editor: expand the table item (all rows)", "ms", editor.get("expand_ms"))
        add("editor_caret_ms", "editor: caret move to the next row (properties)", "ms",
            editor.get("caret_ms"), 2)
        add("editor_range_ms", "editor: Shift range selection over all rows", "ms", editor.get("range_ms"))
        add("editor_delete_ms", "editor: delete %s selected rows" %
            f"{editor.get('deleted_per_rep', 1000):,}", "ms", editor.get("delete_ms"))
        add("editor_undo_delete_ms", "editor: undo deleting %s rows" %
            f"{editor.get('undo_count', 10000):,}", "ms", editor.get("undo_delete_ms"))
        add("editor_redo_delete_ms", "editor: redo deleting %s rows" %
            f"{editor.get('undo_count', 10000):,}", "ms", editor.get("redo_delete_ms"))
        add("editor_cell_edit_ms", "editor: cell edit (command, pane, tree)", "ms", editor.get("cell_edit_ms"), 3)
        add("editor_cell_undo_ms", "editor: undo of a cell edit", "ms", editor.get("cell_undo_ms"), 3)

    by_key = {f["key"]: f for f in figures}

    def value(key):
        f = by_key.get(key)
        return f["median"] if f else None

    ratios = []

    def ratio(key, label, numerator, denominator, target, meet):
        if numerator is None or denominator is None or denominator == 0:
            return
        r = numerator / denominator
        ratios.append({"key": key, "label": label, "value": r, "target": target, "met": meet(r)})

    ratio("load_vs_pandas", "Tessel load / pandas read_csv", value("load_ms"), value("pandas_read_ms"),
          "<= 0.1 (10x faster)", lambda r: r <= 0.1)
    ratio("load_vs_floor", "Tessel load / floor", value("load_ms"), value("floor_ms"), "<= 4",
          lambda r: r <= 4)
    ratio("write_vs_pandas", "Tessel serialise+write / pandas to_csv", value("write_ms"),
          value("pandas_write_ms"), "<= 0.1 (10x faster)", lambda r: r <= 0.1)
    ratio("save_vs_pandas", "Tessel durable save / pandas to_csv", value("save_ms"), value("pandas_write_ms"),
          "<= 0.2 (5x faster)", lambda r: r <= 0.2)
    ratio("peak_vs_pandas", "Tessel load peak / pandas read_csv peak", value("peak_mb"),
          value("pandas_peak_mb"), "<= 1", lambda r: r <= 1)
    data_bytes = (tessel or {}).get("data_bytes") or (floor or {}).get("file_bytes")
    ratio("peak_vs_file", "Tessel load peak / data file size", value("peak_mb"),
          data_bytes / 1e6 if data_bytes else None, "<= 2.5", lambda r: r <= 2.5)

    targets = []

    def target(key, label, limit):
        v = value(key)
        if v is not None:
            targets.append({"key": key, "label": label, "value": v, "target": f"<= {limit} ms",
                            "met": v <= limit})

    if rows and rows >= 1000000 and value("peak_mb") is not None:
        targets.append({"key": "peak_1m", "label": "peak memory at 1,000,000 rows", "value": value("peak_mb"),
                        "target": "< 2000 MB", "met": value("peak_mb") < 2000})
    target("editor_startup_ms", "editor start-up", 2000)
    target("editor_caret_ms", "caret move", 1)
    target("editor_range_ms", "range selection over all rows", 1000)
    target("editor_delete_ms", "delete 1,000 selected rows", 1000)
    target("editor_undo_delete_ms", "undo deleting 10,000 rows", 1000)
    target("editor_redo_delete_ms", "redo deleting 10,000 rows", 1000)
    target("editor_cell_edit_ms", "cell edit", 1)
    target("editor_cell_undo_ms", "undo of a cell edit", 1)

    # ---- the table ----
    data_mb = (tessel or {}).get("data_bytes") or (floor or {}).get("file_bytes")
    title = f"Tessel benchmark: {rows:,} rows" if rows else "Tessel benchmark"
    if data_mb:
        title += f", data file {data_mb / 1e6:.1f} MB"
    print(title)
    print(f"machine: {info.get('cpus', '?')} cores, {info.get('memory_gb', '?')} GB; "
          f"load average {info.get('load_before', '?')} before, {info.get('load_after', '?')} after; "
          f"{info.get('date', '')}")
    print("every figure: the median of the repetitions, each kind after one uncounted warm-up; "
          "Tessel loads and editor start-ups each in a fresh process")
    if tessel and tessel.get("save_identical") is not None:
        print("the save rewrote the data file byte for byte: " + ("yes" if tessel["save_identical"] else "NO"))
    if info.get("notes"):
        for note in info["notes"]:
            print(f"note: {note}")
    print()
    width = max([len(f["label"]) for f in figures] + [20])
    print(f"{'measurement':<{width}}  {'median':>10}  {'min':>10}  {'max':>10}  reps  unit")
    for f in figures:
        d = f["digits"]
        print(f"{f['label']:<{width}}  {fmt(f['median'], d):>10}  {fmt(f['min'], d):>10}  "
              f"{fmt(f['max'], d):>10}  {f['reps']:>4}  {f['unit']}")
    if ratios or targets:
        print()
        print(f"{'ratio or target':<{width}}  {'value':>10}  {'target':>22}  verdict")
        for r in ratios:
            shown = f"{r['value']:.3f}"
            if r["key"].endswith("pandas") and r["value"] > 0:
                shown += f" ({1 / r['value']:.1f}x)"
            print(f"{r['label']:<{width}}  {shown:>10}  {r['target']:>22}  "
                  f"{'met' if r['met'] else 'NOT MET'}")
        for t in targets:
            print(f"{t['label']:<{width}}  {fmt(t['value'], 2):>10}  {t['target']:>22}  "
                  f"{'met' if t['met'] else 'NOT MET'}")

    if json_path:
        out = {"info": info,
               "figures": {f["key"]: {k: f[k] for k in ("label", "unit", "median", "min", "max", "reps")}
                           for f in figures},
               "ratios": {r["key"]: {k: r[k] for k in ("label", "value", "target", "met")} for r in ratios},
               "targets": {t["key"]: {k: t[k] for k in ("label", "value", "target", "met")}
                           for t in targets},
               "raw": {"floor": floor, "tessel": tessel, "pandas": pandas, "editor": editor}}
        with open(json_path, "w", encoding="utf-8") as f:
            json.dump(out, f, indent=2, ensure_ascii=False)
            f.write("\n")
    return 0


if __name__ == "__main__":
    sys.exit(main())
