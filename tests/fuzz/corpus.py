#!/usr/bin/env python3
"""Seed corpora of the fuzz targets, and the inputs kept because they once found a fault.

    corpus.py write TARGET DIR            seeds into DIR/seeds, kept inputs into DIR/regressions,
                                          and DIR/inputs.txt listing both (libFuzzer -seed_inputs)
    corpus.py keep TARGET FILE NOTE...    keeps FILE (a crash libFuzzer wrote) as a regression
                                          input: regressions/TARGET/<name>.hex

Text is given as UTF-8, which the targets read into the UTF-16 text the program holds (see
fuzz_text.h). Kept inputs are hex text: lines starting with '#' say what the input found.
"""
import hashlib
import pathlib
import struct
import sys

HERE = pathlib.Path(__file__).resolve().parent


def docking_seed(pointer, outer, per, screen, minimised=False, raw=False):
    """One docking tick as the target reads it: little-endian fields, front to back."""
    px, py = pointer
    left, top, right, bottom = outer
    fields = [
        struct.pack("<B", 1 if raw else 0),
        struct.pack("<B", 1 if minimised else 0),
        struct.pack("<i", px), struct.pack("<i", py),
        struct.pack("<i", left), struct.pack("<i", top),
        struct.pack("<i", right), struct.pack("<i", bottom),
        struct.pack("<f", per[0]), struct.pack("<f", per[1]),
        struct.pack("<i", screen[0]), struct.pack("<i", screen[1]),
    ]
    return b"".join(fields)


def utf8(text):
    return text.encode("utf-8", "surrogatepass")


# The inputs of a run of two drawings, as the journal's records.
JOURNAL = (b"kavro-journal 1\nr2000 1\nstart 3\ntemplate open page\\r\\nsave\n"
           b"drawing C:\\a.dwg\ndrawing C:\\b.dwg\ninputs 2\n")


SEEDS = {
    # The start page box's text.
    "page_number": [
        b"1", b" 1 0", b"-1", b"+2.5", b"12abc", b"abc", b"", b"1E3", b"1.5d-2", b"&H1F", b"&hFFFF",
        b"&O17", b"&o777777777777", b"&HFFFFFFFF", b"\t\n7", b"1e309", b"-1e309", b"1e-400",
        b"0." + b"0" * 400 + b"1", b"9" * 400, b"1.2.3", b"--1", b"1e+", b".5", b"-.", b"&",
        utf8("１２"),
    ],
    # The start page, a NUL, the script template.
    "placeholder": [
        b"12\0PAGE-page-Page", b"1\0pagepage", b"-3\0papagege PAPAGEGE", b"1e300\0page",
        b"2.5\0line page\r\nline PAGE\r\n", b"\0", b"7\0pAGE Page PaGe", b"0\0" + utf8("第page页"),
        b"3\0\"<acet:cFolderName>\\PDF\\<ACET:CBASENAME>.pdf\" page", b"1\0<<acet:cFileName>>",
    ],
    # A list file's text, every line end mixed.
    "list_file": [
        b"", b"C:\\a.dwg\r\n", b"C:\\a.dwg\r\nC:\\b.dwg\r\n", b"a\rb\r\n", b"a\nb\n", b"a\r\n\r\nb",
        b"  spaced  \r\n", b"last line", b"\r\r\n\n\r", b"x\0y\r\n",
        utf8("D:\\图纸\\一层.dwg\r\nD:\\图纸\\二层.dwg\r\n"), utf8("B\r\na\r\nC\r\nb\r\n"),
        b"".join(b"P%03d\r\n" % (300 - i) for i in range(300)),
    ],
    # A dropped wide file list (each path ended by a NUL, the list by an empty one).
    "dropped_names": [
        b"C:\\a.dwg\0\0", b"C:\\a.dwg\0C:\\b.txt\0C:\\plandwg\0\0", b"\0", b"", b"unended",
        b"C:\\A.DWG\0C:\\a.Dwg\0\0", b"dwg\0wg\0\0", utf8("E:\\图\\三.dwg\0E:\\图\\一.dwg\0\0"),
        b"C:\\folder\0a.dwg\0b.dwg\0",
    ],
    # Two bytes of character index, then the template text.
    "template_place": [
        b"\x00\x00abc", b"\x02\x00ab\r\ncd", b"\x04\x00a\rb\nc\r\nd", b"\x03\x00" + utf8("a😀b한"),
        b"\x05\x00" + utf8("第一行\r\n第二行한"), b"\x00\x00", b"\xff\xff\r\n\r\n",
        b"\x01\x00" + utf8("\ud83d") + b"x", b"\x02\x00\r\r\n\n",
    ],
    # A frame byte (1: the top of the window), then the address the page asks for.
    "navigation": [
        b"\x01http://www.kavro.org/gdownload.htm", b"\x01http://www.kavro.org/bdownload.htm",
        b"\x00http://ads.example/frame.htm", b"\x01mailto:a@b", b"\x01file:///C:/x.exe",
        b"\x01about:blank", b"\x01res://ieframe.dll/navcancl.htm", b"\x01HTTPS://A",
        b"\x01http://a\" b", b"\x01javascript:x", b"\x01" + utf8("http://例子.org/页"),
    ],
    # Journal records, one a line, framed by the target; 0x01 starts a line taken as it is.
    "journal": [
        JOURNAL, JOURNAL + b"saved 0\nbegun 1\n", JOURNAL + b"saved 1\nsaved 0\nended\n",
        JOURNAL + b"\x01saved 1 00000000\nsaved 0\n", JOURNAL[:40], b"kavro-journal 1\n",
        b"kavro-journal 1\nr2000 0\nstart 1e300\ntemplate \\u0000\\\\\ninputs 0\n",
        b"kavro-journal 1\nr2000 1\nstart  7\ntemplate x\ndrawing \\ud83d\ndrawing "
        + utf8("图纸😀.dwg") + b"\ninputs 2\nbegun 1\nbegun 0\nsaved 1\n",
        b"\x01\xff\xfe\n\x01 \n",
        JOURNAL.replace(b"drawing C:\\a", b"cad ZWCAD.Application.2025\ndrawing C:\\a", 1)
        + b"begun 0\n",
        JOURNAL.replace(b"drawing C:\\a", b"engine cloud\ncad x\ndrawing C:\\a", 1),
    ],
    # AutoCAD's version, SECURELOAD, TRUSTEDPATHS and the script's folder, NUL between them.
    "trusted_paths": [
        b"23.1s (LMS Tech)\x001\x00C:\\Kavro\x00C:\\Kavro\\",
        b"24.0\x00\x00C:\\a\\...; D:/b \x00c:\\A\\x",
        b"19.0\x000\x00\x00C:\\x", b"\x00\x00 ;\t\x00\"C:\\q q\"",
        b"25\x002\x00C:\\...\x00\\\\server\\share",
    ],
    # A console's output bytes (UTF-16LE, any split), then as a LocalServer32 text.
    "core_output": [
        "Command: filedia\r\n\r\n图纸\nlast\rpartial".encode("utf-16-le"),
        b"a\0\0\0b\0\r\0\n\0x", b"", b"\r", b"\x00\xd8\x00\xdc" * 40,
        ("line\r\n" * 40).encode("utf-16-le"),
    ],
    # A --cad name, then registry keys: class name, CLSID and LocalServer32 text, tab-separated.
    "cad_programs": [
        utf8("autocad:2024\nAutoCAD.Application\t{A}\t\nAutoCAD.Application.24.3\t{A}\t"
             "\"C:\\Program Files\\Autodesk\\AutoCAD 2024\\acad.exe\" /Automation\n"
             "AutoCAD.Application.19.1\t{B}\tC:\\Program Files\\AutoCAD 2014\\acad.exe -Embedding"),
        utf8("中望CAD 2025\nZWCAD.Application.2025\t{Z}\tC:\\ZWSOFT\\ZWCAD 2025\\ZWCAD.exe\n"
             "ZWCAD.Application\t{Z2}\tD:/ZWCAD 2025/zwcad.EXE"),
        utf8("gstarcad\nGcad.Application\t{G}\t\"C:\\G\\GstarCAD2024\\gcad.exe\"\n"
             "GStarCAD.Application.24\t{H}\tc:\\g\\gstarcad2024\\GCAD.exe /Automation\n"
             "BricscadApp.AcadApplication.25.0\t{B}\tC:\\Bricsys\\BricsCAD V25 en_US\\bricscad.exe"),
        utf8("autocad\nAutoCAD.Application.22\t{X}\t   \nautocad.application.16.1\t{Y}\tacad.exe\n"
             "AutoCAD.Application.99.9.9\t{Y}\t\"unclosed"),
    ],
    # A byte of noted size, then a command history file's bytes.
    "history": [
        b"\x00" + utf8("Command: N  Unknown command \"N\".  Press F1 for help.\r\n"),
        b"\x05\xef\xbb\xbf" + utf8("命令: 240 未知命令“240”。按 F1 查看帮助。\r\n命令: *取消*\r\n"),
        b"\x03" + "\ufeffCommand: _.qsave\r\n; error: bad argument type\r\n".encode("utf-16-le"),
        b"\x04" + "\ufeff*Invalid selection*\n".encode("utf-16-be"),
        b"\x0b" + "命令： ；　错误：参数太少\r\n需要点或选项关键字。\r\n".encode("gbk"),
        b"\x00Unknown command \x93ZZZ\x94.  Press F1 for help.\r\n",
        b"\x02x\\U+4E2D\\U+D83D\\U+DE00\\U+DE00\\U+12G4\r<\"a.pc3\"> not found.\r",
        b"\xff", b"\x01\xe4\xb8", b"\x00\xff\xfe\x3d\xd8",
    ],
    "docking": [
        docking_seed((512, 700), (893, 53, 1024, 662), (15, 15), (1024, 768)),
        docking_seed((1022, 300), (1021, 53, 1152, 662), (15, 15), (1024, 768)),
        docking_seed((10, 300), (-128, 53, 3, 662), (15, 15), (1024, 768)),
        docking_seed((60, 1), (40, -606, 171, 3), (15, 15), (1024, 768)),
        docking_seed((500, 500), (400, 100, 531, 709), (12, 12), (1280, 1024)),
        docking_seed((0, 0), (0, 0, 0, 0), (0, 0), (0, 0)),
        docking_seed((2**31 - 1, -2**31), (-2**31, -2**31, 2**31 - 1, 2**31 - 1), (15, 15),
                     (2**31 - 1, 2**31 - 1)),
        docking_seed((5, 5), (0, 0, 10, 10), (float("inf"), float("nan")), (100, 100), raw=True),
        docking_seed((5, 5), (0, 0, 10, 10), (15, 15), (100, 100), minimised=True),
    ],
}


def write(target, out):
    out = pathlib.Path(out)
    listed = []
    for kind, inputs in (("seeds", SEEDS[target]), ("regressions", kept(target))):
        folder = out / kind
        folder.mkdir(parents=True, exist_ok=True)
        for old in folder.iterdir():
            old.unlink()
        for name, data in inputs:
            path = folder / name
            path.write_bytes(data)
            listed.append(str(path))
    (out / "inputs.txt").write_text(",".join(listed))


def kept(target):
    folder = HERE / "regressions" / target
    for path in sorted(folder.glob("*.hex")) if folder.is_dir() else []:
        lines = [line for line in path.read_text().splitlines() if not line.startswith("#")]
        yield path.stem, bytes.fromhex("".join(lines))


def keep(target, crash, note):
    data = pathlib.Path(crash).read_bytes()
    folder = HERE / "regressions" / target
    folder.mkdir(parents=True, exist_ok=True)
    path = folder / (hashlib.sha1(data).hexdigest()[:12] + ".hex")
    hexed = data.hex()
    body = "\n".join(hexed[i:i + 64] for i in range(0, len(hexed), 64))
    path.write_text("# " + note + "\n" + body + "\n")
    print(path)


def main(argv):
    if len(argv) == 4 and argv[1] == "write":
        seeds = SEEDS[argv[2]]
        SEEDS[argv[2]] = [("seed-%02d" % i, data) for i, data in enumerate(seeds)]
        write(argv[2], argv[3])
    elif len(argv) >= 5 and argv[1] == "keep":
        keep(argv[2], argv[3], " ".join(argv[4:]))
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main(sys.argv)
