#!/usr/bin/env python3
"""Compiles kavro.chm from the help sources and copies it to every place that needs it.

The sources are kept in UTF-8; HTML Help reads the contents, the index and the project file in the
code page of the help file's language (936 for Simplified Chinese), so every text file is converted
on the way, its charset declaration with it. "@KAVRO_VERSION@" in a page becomes the program's
version, given by the build.

usage: build_chm.py <version> <source-dir> <work-dir> <compiler> <output.chm>...
"""
import os
import shutil
import subprocess
import sys

TEXT_EXTENSIONS = {".html", ".htm", ".hhc", ".hhk", ".hhp", ".css"}
CODE_PAGE = "cp936"
VERSION_PLACEHOLDER = "@KAVRO_VERSION@"


def convert(source, target, version):
    with open(source, encoding="utf-8") as f:
        text = f.read()
    text = text.replace("charset=utf-8", "charset=gb2312").replace(VERSION_PLACEHOLDER, version)
    try:
        data = text.encode(CODE_PAGE)
    except UnicodeEncodeError as e:
        line = text.count("\n", 0, e.start) + 1
        sys.exit(f"{source}:{line}: character {text[e.start]!r} has no place in code page 936")
    with open(target, "wb") as f:
        f.write(data.replace(b"\r\n", b"\n").replace(b"\n", b"\r\n"))


def compile_project(compiler, work):
    name = os.path.basename(compiler).lower()
    result = subprocess.run([compiler, "kavro.hhp"], cwd=work, stdout=subprocess.PIPE,
                            stderr=subprocess.STDOUT, text=True, errors="replace")
    # hhc.exe reports success with exit code 1.
    ok = result.returncode == 1 if name.startswith("hhc") else result.returncode == 0
    if not ok or not os.path.isfile(os.path.join(work, "kavro.chm")):
        sys.exit(f"{compiler} failed ({result.returncode}):\n{result.stdout}")


def main(argv):
    if len(argv) < 6:
        sys.exit(__doc__)
    version, source, work, compiler, outputs = argv[1], argv[2], argv[3], argv[4], argv[5:]
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    for name in sorted(os.listdir(source)):
        if os.path.splitext(name)[1].lower() in TEXT_EXTENSIONS:
            convert(os.path.join(source, name), os.path.join(work, name), version)
    compile_project(compiler, work)
    for output in outputs:
        os.makedirs(os.path.dirname(output) or ".", exist_ok=True)
        shutil.copyfile(os.path.join(work, "kavro.chm"), output)


if __name__ == "__main__":
    main(sys.argv)
