#!/usr/bin/env python3
"""Opens tables exported by tessel-cli in LibreOffice and checks that every value survives.

Usage: checkLibreOffice.py TESSEL_CLI DATA_DIR

For every table of DATA_DIR: tessel-cli export writes a CSV; LibreOffice (headless) reads it with
every column as text, saves it as a spreadsheet (xlsx), and saves that again as CSV. The values of
the last CSV must equal the exported ones cell by cell (so 64-bit ids and "%f" floats stay exactly
as written), and tessel-cli import of it must leave the data files byte-identical.

Exits 77 (skipped) when neither libreoffice nor soffice is installed.
"""
import csv
import io
import os
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ElementTree

SKIPPED = 77


def fail(message):
    print("FAIL: " + message)
    sys.exit(1)


def office_program():
    for name in ("libreoffice", "soffice"):
        path = shutil.which(name)
        if path:
            return path
    return None


def rows_of(path):
    with open(path, encoding="utf-8-sig", newline="") as f:
        return list(csv.reader(io.StringIO(f.read())))


def run(arguments, what):
    result = subprocess.run(arguments, capture_output=True, text=True, timeout=300)
    if result.returncode != 0:
        fail("%s exited with %d:\n%s%s" % (what, result.returncode, result.stdout, result.stderr))
    return result


def convert(office, profile, source, target_format, out_dir, infilter=None):
    arguments = [office, "-env:UserInstallation=file://" + profile, "--headless", "--norestore"]
    if infilter:
        arguments.append("--infilter=" + infilter)
    arguments += ["--convert-to", target_format, "--outdir", out_dir, source]
    run(arguments, "LibreOffice converting " + os.path.basename(source))
    produced = os.path.join(out_dir, os.path.splitext(os.path.basename(source))[0] + "." +
                            target_format.split(":", 1)[0])
    if not os.path.isfile(produced):
        fail("LibreOffice wrote no " + produced)
    return produced


def data_files(directory):
    return {name: open(os.path.join(directory, name), "rb").read() for name in sorted(os.listdir(directory))}


def main():
    cli, data = sys.argv[1], sys.argv[2]
    office = office_program()
    if office is None:
        print("SKIPPED: neither libreoffice nor soffice is installed (apt-get install libreoffice-calc-nogui)")
        sys.exit(SKIPPED)

    work = tempfile.mkdtemp(prefix="tessel-libreoffice-")
    try:
        copy = os.path.join(work, "data")
        shutil.copytree(data, copy)
        before = data_files(copy)
        profile = os.path.join(work, "profile")
        tables = [t.get("FileName") for t in ElementTree.parse(os.path.join(copy, "tableList.xml")).getroot()]
        for table in tables:
            base = os.path.splitext(table)[0]
            exported = os.path.join(work, base + ".csv")
            run([cli, "-C", copy, "export", table, "-o", exported], "tessel-cli export " + table)
            original = rows_of(exported)
            columns = len(original[0])

            # Comma, double quote, UTF-8 (76), from line 1, every column as text (format 2).
            formats = "/".join("%d/2" % (c + 1) for c in range(columns))
            sheet_dir = os.path.join(work, "xlsx")
            sheet = convert(office, profile, exported, "xlsx", sheet_dir, "CSV:44,34,76,1," + formats)
            back_dir = os.path.join(work, "back")
            back = convert(office, profile, sheet, "csv:Text - txt - csv (StarCalc):44,34,76,1", back_dir)

            again = rows_of(back)
            if len(again) != len(original):
                fail("%s: %d lines after LibreOffice, %d exported" % (table, len(again), len(original)))
            for line, (want, got) in enumerate(zip(original, again), start=1):
                # LibreOffice drops empty cells at the end of a line; they are empty values.
                got = got + [""] * (len(want) - len(got))
                if got != want:
                    for column, (a, b) in enumerate(zip(want, got), start=1):
                        if a != b:
                            fail("%s:%d:%d: exported %r, LibreOffice gave back %r" % (table, line, column, a, b))
                    fail("%s:%d: exported %r, LibreOffice gave back %r" % (table, line, want, got))

            run([cli, "-C", copy, "import", table, back, "--mode", "replace"], "tessel-cli import " + table)
            if data_files(copy) != before:
                fail("%s: the data files changed after importing LibreOffice's CSV" % table)
            print("%s: %d rows survive LibreOffice (%s)" % (table, len(original) - 1, os.path.basename(office)))
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
