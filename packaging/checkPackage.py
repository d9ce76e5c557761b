#!/usr/bin/env python3
"""Builds the Debian package from a build directory with cpack and checks its contents and its
dependencies. Installing it is left to a clean machine (scripts/package, then apt install): the
test does it only when TESSEL_TEST_DEB_INSTALL=1 and it runs as root, and says so otherwise.

Usage: checkPackage.py BUILD_DIR editor|no-editor
"""
import glob
import os
import shutil
import subprocess
import sys
import tempfile


def fail(message):
    print("FAIL: " + message)
    sys.exit(1)


def main():
    build, editor = sys.argv[1], sys.argv[2] == "editor"
    out = tempfile.mkdtemp(prefix="tessel-package-")
    try:
        subprocess.run(["cpack", "-G", "DEB", "--config", os.path.join(build, "CPackConfig.cmake"), "-B", out],
                       check=True, stdout=subprocess.DEVNULL)
        debs = glob.glob(os.path.join(out, "tessel_*.deb"))
        if len(debs) != 1:
            fail("cpack made %r, not one tessel_*.deb" % debs)
        deb = debs[0]
        contents = subprocess.run(["dpkg-deb", "-c", deb], check=True, capture_output=True, text=True).stdout
        wanted = ["./usr/bin/tessel-cli", "./usr/share/applications/tessel.desktop",
                  "./usr/share/icons/hicolor/scalable/apps/tessel.svg",
                  "./usr/share/icons/hicolor/256x256/apps/tessel.png", "./usr/share/doc/tessel/README.md"]
        if editor:
            wanted.append("./usr/bin/tessel")
        for path in wanted:
            if (" " + path + "\n") not in contents and not contents.endswith(" " + path):
                fail(path + " is not in the package:\n" + contents)
        depends = subprocess.run(["dpkg-deb", "-f", deb, "Depends"], check=True, capture_output=True,
                                 text=True).stdout
        # dpkg-shlibdeps names the C++ runtime (and Qt for the editor) that the programs link.
        if "libstdc++6" not in depends or (editor and "libqt6widgets6" not in depends):
            fail("Depends is %r" % depends)
        if os.environ.get("TESSEL_TEST_DEB_INSTALL") != "1" or os.geteuid() != 0:
            print("built and checked " + os.path.basename(deb) + "; not installed: set TESSEL_TEST_DEB_INSTALL=1 "
                  "and run as root on a disposable machine to install it")
            return
        subprocess.run(["apt-get", "install", "-y", deb], check=True)
        version = subprocess.run(["/usr/bin/tessel-cli", "--version"], check=True, capture_output=True,
                                 text=True).stdout
        if not version.startswith("tessel-cli "):
            fail("the installed tessel-cli printed %r" % version)
        print("installed " + os.path.basename(deb))
    finally:
        shutil.rmtree(out, ignore_errors=True)


if __name__ == "__main__":
    main()
