#!/usr/bin/env python3
"""Checks a compiled kavro.chm with chmls: it holds every file of the project, its contents point
only at pages it holds, it opens at its default topic with its Chinese title, and its version page
names the program's version.

usage: check_chm.py <kavro.chm> <kavro.hhp> <version>
Exits 77 (skipped) when chmls is not installed.
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile

SKIPPED = 77


def chmls(*args):
    result = subprocess.run(["chmls", *args], stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    if result.returncode != 0:
        sys.exit(f"chmls {' '.join(args)} failed:\n{result.stdout.decode(errors='replace')}")
    return result.stdout


def project_files(hhp):
    with open(hhp, encoding="utf-8") as f:
        text = f.read()
    files = text.split("[FILES]", 1)[1].split("[", 1)[0]
    return [line.strip() for line in files.splitlines() if line.strip()]


def main(chm, hhp, version):
    if shutil.which("chmls") is None:
        print("chmls (Debian package fp-utils) is not installed: the help file is not checked")
        return SKIPPED
    if not os.path.isfile(chm):
        sys.exit(f"{chm} was not built")
    listed = {line.strip() for line in chmls("-n", "list", chm).decode(errors="replace").splitlines()}
    failures = []
    expected = project_files(hhp) + ["toc.hhc", "index.hhk"]
    failures += [f"{name} missing from the help file" for name in expected if "/" + name not in listed]

    with tempfile.TemporaryDirectory() as temp:
        toc_path = os.path.join(temp, "toc.hhc")
        chmls("extract", chm, "/toc.hhc", toc_path)
        with open(toc_path, encoding="cp936") as f:
            toc = f.read()
        page_path = os.path.join(temp, "version.html")
        chmls("extract", chm, "/version.html", page_path)
        with open(page_path, encoding="cp936") as f:
            version_page = f.read()
    topics = re.findall(r'name="Local" value="([^"#]+)', toc)
    names = re.findall(r'name="Name" value="([^"]+)', toc)
    if len(topics) < 6:
        failures.append(f"the contents list only {len(topics)} topics")
    failures += [f"contents point at {t}, which the help file lacks" for t in topics
                 if "/" + t not in listed]
    if "出现问题时" not in names or "编写脚本模板" not in names:
        failures.append(f"the contents' Chinese titles did not survive: {names}")

    if f"Kavro {version}。" not in version_page:
        failures.append(f"the version page does not name Kavro {version}")

    system = chmls("printsystem", chm)
    if b"Default topic from [options]  :index.html" not in system:
        failures.append("the default topic is not index.html")
    if "Kavro 帮助".encode("cp936") not in system:
        failures.append("the title is not \"Kavro 帮助\" in code page 936")
    if b"LCID from HHP file                : 2052" not in system:
        failures.append("the language is not Simplified Chinese (2052)")

    for failure in failures:
        print("FAILED:", failure)
    print(f"{len(topics)} topics: " + ", ".join(f"{n} ({t})" for n, t in zip(names, topics)))
    return 1 if failures else 0


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    sys.exit(main(sys.argv[1], sys.argv[2], sys.argv[3]))
