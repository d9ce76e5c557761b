#!/usr/bin/python3
"""The peer a technical designer would script instead of Tessel: pandas reading a Tessel data
file and writing it back as UTF-16 tab-separated text.

    pandasBench.py DATA_FILE OUT_DIR [REPETITIONS]

After one warm-up repetition that is not counted, times, per repetition, read_csv(sep="\\t", encoding="utf-16", skiprows=[1]) (the second header
line holds the type names) and to_csv back to UTF-16 tab-separated text in OUT_DIR.

Memory, measured as bench_tessel measures Tessel's load: each read_csv runs in a fresh child
process (fork, after pandas is imported) whose peak resident size (VmHWM) is reset before the read;
the figure is the rise of the peak over the resident size before the read. The child's whole
peak (interpreter and pandas included) is reported too.

Prints one JSON object: {"pandas": VERSION, "rows": R, "read_ms": [...], "write_ms": [...],
"read_peak_bytes": [...], "process_peak_bytes": [...]}.
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

    def status_bytes(key):
        with open("/proc/self/status") as f:
            for line in f:
                if line.startswith(key):
                    return int(line.split()[1]) * 1024
        return 0

    def measure_read_peak():
        reader, writer = os.pipe()
        pid = os.fork()
        if pid == 0:
            os.close(reader)
            with open("/proc/self/clear_refs", "w") as f:
                f.write("5")
            before = status_bytes("VmRSS:")
            frame = pandas.read_csv(path, sep="\t", encoding="utf-16", skiprows=[1])
            peak = status_bytes("VmHWM:")
            os.write(writer, f"{peak - before} {peak} {len(frame)}".encode())
            os._exit(0)
        os.close(writer)
        with os.fdopen(reader) as f:
            result = f.read().split()
        os.waitpid(pid, 0)
        return int(result[0]), int(result[1])

    read_peaks, process_peaks = [], []
    for rep in range(-1, repetitions):  # -1: the warm-up
        rise, whole = measure_read_peak()
        if rep >= 0:
            read_peaks.append(rise)
            process_peaks.append(whole)

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
                      "write_ms": [round(t, 3) for t in write_ms],
                      "read_peak_bytes": read_peaks, "process_peak_bytes": process_peaks}))
    return 0


if __name__ == "__main__":
    sys.exit(main())
