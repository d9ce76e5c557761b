#!/usr/bin/env python3
"""Builds the Debian package from a build directory with cpack and checks its contents and its
dependencies.

With "install" it also installs the package on a clean Debian 12 and runs both programs there
(tessel-cli --version and check on the sample data, tessel --version and --smoke on the
offscreen platform): in a debian:12 container when docker works, else in a fresh minimal Debian 12
root made by debootstrap (as root; TESSEL_DEBIAN_MIRROR chooses the mirror), or in a copy of
TESSEL_DEBIAN12_ROOT, a clean root made that way before. That downloads and
installs the package's dependencies, so it runs only when TESSEL_TEST_DEB_INSTALL=1; otherwise it
is skipped (exit 77) and says why.

Usage: checkPackage.py BUILD_DIR editor|no-editor [install SAMPLE_DATA_DIR]
"""
import glob
import os
import shutil
import subprocess
import sys
import tempfile

SKIPPED = 77


def fail(message):
    print("FAIL: " + message)
    sys.exit(1)


# What runs on the clean system, as root, with the package in /pkg and the sample data in /data
# (read-only; the programs work on a copy).
def clean_system_script(deb_name, editor):
    lines = [
        "set -ex",
        "export DEBIAN_FRONTEND=noninteractive",
        "apt-get update -q",
        "apt-get install -y -q --no-install-recommends /pkg/" + deb_name,
        "cp -R /data /tmp/data",
        "tessel-cli --version",
        "tessel-cli -C /tmp/data check --strict",
    ]
    if editor:
        lines += [
            "export QT_QPA_PLATFORM=offscreen",
            "tessel --version",
            "tessel --smoke -C /tmp/data",
            "test -f /usr/share/applications/tessel.desktop",
        ]
    return "\n".join(lines) + "\n"


def docker_works():
    if shutil.which("docker") is None:
        return False
    return subprocess.run(["docker", "info"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode == 0


def install_on_clean_debian(deb, data, editor):
    script = clean_system_script(os.path.basename(deb), editor)
    if docker_works():
        subprocess.run(["docker", "run", "--rm", "-v", os.path.dirname(deb) + ":/pkg:ro", "-v", data + ":/data:ro",
                        "debian:12", "sh", "-c", script], check=True)
        return
    if os.geteuid() != 0 or shutil.which("debootstrap") is None:
        fail("TESSEL_TEST_DEB_INSTALL=1, but there is no clean Debian 12 to install on: docker does not run "
             "here, and debootstrap needs root and the debootstrap package")
    root = tempfile.mkdtemp(prefix="tessel-debian12-")
    mounted = False
    try:
        prepared = os.environ.get("TESSEL_DEBIAN12_ROOT")
        if prepared:
            # A copy, so that the prepared root stays clean for the next run.
            os.rmdir(root)
            subprocess.run(["cp", "-a", prepared, root], check=True)
        else:
            mirror = os.environ.get("TESSEL_DEBIAN_MIRROR", "http://deb.debian.org/debian")
            subprocess.run(["debootstrap", "--variant=minbase", "bookworm", root, mirror], check=True,
                           stdout=subprocess.DEVNULL)
        os.makedirs(os.path.join(root, "pkg"))
        shutil.copy(deb, os.path.join(root, "pkg"))
        shutil.copytree(data, os.path.join(root, "data"))
        shutil.copy("/etc/resolv.conf", os.path.join(root, "etc", "resolv.conf"))
        subprocess.run(["mount", "-t", "proc", "proc", os.path.join(root, "proc")], check=True)
        mounted = True
        subprocess.run(["chroot", root, "sh", "-c", script], check=True, env={"PATH": "/usr/sbin:/usr/bin:/sbin:/bin"})
    finally:
        if mounted:
            subprocess.run(["umount", os.path.join(root, "proc")])
        shutil.rmtree(root, ignore_errors=True)


def main():
    build, editor = sys.argv[1], sys.argv[2] == "editor"
    install = len(sys.argv) > 3 and sys.argv[3] == "install"
    if install and os.environ.get("TESSEL_TEST_DEB_INSTALL") != "1":
        print("SKIPPED: installing the package on a clean Debian 12 downloads its dependencies; "
              "set TESSEL_TEST_DEB_INSTALL=1 to run it (docker, or debootstrap as root)")
        sys.exit(SKIPPED)
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
        if not install:
            print("built and checked " + os.path.basename(deb))
            return
        install_on_clean_debian(deb, sys.argv[4], editor)
        print("installed " + os.path.basename(deb) + " on a clean Debian 12 and ran it")
    finally:
        shutil.rmtree(out, ignore_errors=True)


if __name__ == "__main__":
    main()
