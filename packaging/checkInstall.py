#!/usr/bin/env python3
"""Installs the build directory into a temporary prefix and checks what arrives there.

Usage: checkInstall.py BUILD_DIR editor|no-editor
"""
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ElementTree


def fail(message):
    print("FAIL: " + message)
    sys.exit(1)


def main():
    build, editor = sys.argv[1], sys.argv[2] == "editor"
    prefix = tempfile.mkdtemp(prefix="tessel-install-")
    try:
        subprocess.run(["cmake", "--install", build, "--prefix", prefix], check=True, stdout=subprocess.DEVNULL)
        project_version = None
        with open(os.path.join(build, "CMakeCache.txt"), encoding="utf-8") as cache:
            for line in cache:
                if line.startswith("CMAKE_PROJECT_VERSION:"):
                    project_version = line.split("=", 1)[1].strip()
        programs = ["tessel-cli"] + (["tessel"] if editor else [])
        for program in programs:
            path = os.path.join(prefix, "bin", program)
            if not os.access(path, os.X_OK):
                fail(path + " is not an installed program")
        out = subprocess.run([os.path.join(prefix, "bin", "tessel-cli"), "--version"], check=True,
                             capture_output=True, text=True).stdout
        if out != "tessel-cli %s\n" % project_version:
            fail("tessel-cli --version printed %r, not version %s" % (out, project_version))

        if editor:
            env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
            out = subprocess.run([os.path.join(prefix, "bin", "tessel"), "--version"], check=True,
                                 capture_output=True, text=True, env=env).stdout
            if out != "Tessel %s\n" % project_version:
                fail("tessel --version printed %r, not version %s" % (out, project_version))

        desktop = os.path.join(prefix, "share/applications/tessel.desktop")
        entries = {}
        with open(desktop, encoding="utf-8") as f:
            lines = f.read().splitlines()
        if lines[0] != "[Desktop Entry]":
            fail("the desktop file does not start with [Desktop Entry]")
        for line in lines[1:]:
            key, _, value = line.partition("=")
            entries[key] = value
        for key in ("Type", "Name", "Name[zh_CN]", "Comment", "Exec", "Icon", "Categories"):
            if not entries.get(key):
                fail("the desktop file lacks " + key)
        if entries["Exec"].split()[0] != "tessel" or "%f" not in entries["Exec"].split():
            fail("Exec is " + entries["Exec"])
        if "Development" not in entries["Categories"].split(";"):
            fail("Categories is " + entries["Categories"])
        validate = shutil.which("desktop-file-validate")
        if validate:
            subprocess.run([validate, desktop], check=True)

        svg = os.path.join(prefix, "share/icons/hicolor/scalable/apps", entries["Icon"] + ".svg")
        root = ElementTree.parse(svg).getroot()
        if root.tag != "{http://www.w3.org/2000/svg}svg":
            fail(svg + " is not SVG")
        png = os.path.join(prefix, "share/icons/hicolor/256x256/apps", entries["Icon"] + ".png")
        with open(png, "rb") as f:
            head = f.read(24)
        if head[:8] != b"\x89PNG\r\n\x1a\n" or struct.unpack(">II", head[16:24]) != (256, 256):
            fail(png + " is not a 256 x 256 PNG")

        readme = os.path.join(prefix, "share/doc/tessel/README.md")
        with open(readme, encoding="utf-8") as f:
            if "tessel-cli import" not in f.read():
                fail(readme + " is not the README that documents the commands")
        print("installed and checked in " + prefix)
    finally:
        shutil.rmtree(prefix, ignore_errors=True)


if __name__ == "__main__":
    main()
