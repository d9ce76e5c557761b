#!/usr/bin/python3
"""The peer a technical designer would script instead of Tessel: pandas reading a Tessel data
file and writing it back as UTF-16 tab-separated text.

    pandasBench.py DATA_FILE OUT_DIR [REPETITIONS]

After one warm-up repetition that is not counted, times, per repetition, read_csv(sep="\\t", encoding="utf-16", skiprows=[1]) (the second header
line holds the type names) and to_csv back to UTF-16 tab-separated text in OUT_DIR. Prints one
JSON object: {"pandas": VERSION, "rows": R, "read_ms": [...], "write_ms": [...]}.
"""
import json
import os
import sys
import time


def main():
    if len(sys.argv) not in (3, 4):
        print(__doc__.strip(), file=sys.stderr)
        return 2
    path, out_dir = sys.argv[1], sys.argv[2]
    repetitions = int(sys.argv[3]) if len(sys.argv) == 4 else 5
    import pandas

    out = os.path.join(out_dir, "pandas_out.txt")
    read_ms, write_ms = [], []
    rows = 0
    for rep in range(-1, repetitions):  # -1: the warm-up
        start = time.perf_counter()
        frame = pandas.read_csv(path, sep="\t", encoding="utf-16", skiprows=[1])
        read = (time.perf_counter() - start) * 1e3
        rows = len(frame)
        start = time.perf_counter()
        frame.to_csv(out, sep="\t", encoding="utf-16", index=False)
        write = (time.perf_counter() - start) * 1e3
        if rep >= 0:
            read_ms.append(read)
            write_ms.append(write)
        del frame
    os.remove(out)
    print(json.dumps({"pandas": pandas.__version__, "rows": rows,
                      "read_ms": [round(t, 3) for t in read_ms],
                      "write_ms": [round(t, 3) for t in write_ms]}))
    return 0


if __name__ == "__main__":
    sys.exit(main())
