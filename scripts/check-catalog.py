#!/usr/bin/env python3
"""Checks the translations in po/: every Chinese text of the program (a string
literal under src/ holding CJK characters) has an English translation, every source
text of a catalog has a translation, no English translation still holds Chinese
(CJK) characters, and every %1 to %9 of a source text is in its translation. Exits 1
naming each fault."""
import pathlib
import re
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent
CJK = re.compile("[\u3000-\u303f\u3400-\u4dbf\u4e00-\u9fff\uf900-\ufaff\uff00-\uffef]")
MARK = re.compile(r"%[1-9]")


def unquote(text):
    return bytes(text, "utf-8").decode("unicode_escape").encode("latin-1").decode("utf-8")


def entries(path):
    """(line, msgid, msgstr) of each entry but the header."""
    found, key, parts, line = [], None, {}, 0
    for number, raw in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
        raw = raw.strip()
        if raw.startswith("#") or not raw:
            continue
        match = re.match(r'^(msgid|msgstr)\s+"(.*)"$', raw)
        if match:
            if match.group(1) == "msgid" and "msgid" in parts:
                found.append((line, parts.get("msgid", ""), parts.get("msgstr", "")))
                parts = {}
            key = match.group(1)
            if key == "msgid":
                line = number
            parts[key] = unquote(match.group(2))
        elif raw.startswith('"') and key:
            parts[key] += unquote(raw[1:-1])
    if "msgid" in parts:
        found.append((line, parts.get("msgid", ""), parts.get("msgstr", "")))
    return [e for e in found if e[1]]


ESCAPES = {"n": "\n", "t": "\t", '"': '"', "\\": "\\", "'": "'", "r": "\r", "0": "\0"}
# Texts of web pages that the parsers look for; no one is shown them.
NOT_SHOWN = {"src/search/baidu_parser.cpp", "src/search/yahoo_parser.cpp"}
# A list's columns (",25;文件名,100;..."): each heading is a text of its own.
SCHEMA = re.compile(r"^,\d+(;[^;,]*,\d+)+$")


def literals(text):
    """(line, value, code before it) of each C++ string literal, adjacent ones joined,
    comments and character literals skipped."""
    found, pending, line, i = [], None, 1, 0
    while i < len(text):
        c = text[i]
        if c == "\n":
            line += 1
        elif text.startswith("//", i):
            end = text.find("\n", i)
            i = len(text) if end < 0 else end
            continue
        elif text.startswith("/*", i):
            end = text.index("*/", i + 2)
            line += text.count("\n", i, end)
            i = end + 2
            continue
        elif c in "\"'":
            start, j, value = i, i + 1, []
            while text[j] != c:
                if text[j] == "\\":
                    value.append(ESCAPES.get(text[j + 1], "\\" + text[j + 1]))
                    j += 2
                else:
                    value.append(text[j])
                    j += 1
            i = j + 1
            if c == "'":
                if pending:
                    found.append(pending)
                pending = None
            elif pending:
                pending = (pending[0], pending[1] + "".join(value), pending[2])
            else:
                pending = (line, "".join(value), text[max(0, start - 40) : start])
            continue
        elif not c.isspace() and pending:
            found.append(pending)
            pending = None
        i += 1
    if pending:
        found.append(pending)
    return found


def chinese_texts(root):
    """Each Chinese text of the program with the first place it is written."""
    found = {}
    for path in sorted((root / "src").rglob("*")):
        relative = path.relative_to(root).as_posix()
        if path.suffix not in (".h", ".cpp") or relative in NOT_SHOWN:
            continue
        for line, value, _ in literals(path.read_text(encoding="utf-8")):
            if not CJK.search(value):
                continue
            parts = [p.split(",")[0] for p in value.split(";")[1:]] if SCHEMA.match(value) else [value]
            for part in parts:
                if CJK.search(part):
                    found.setdefault(part, f"{relative}:{line}")
    return found


# The command line's own English texts: what its code hands to the catalog, and its
# usage and help constants.
ENGLISH_PLACES = ["src/cli", "src/app/launch_options.h"]
HANDED = re.compile(r"(texts_?(\.Fill)?\(|k\w*(Usage|Help|Places) =)\s*$")


def english_texts(root):
    """Each English source text of the command line with the first place it is written."""
    found = {}
    for place in ENGLISH_PLACES:
        paths = sorted((root / place).rglob("*")) if (root / place).is_dir() else [root / place]
        for path in paths:
            if path.suffix not in (".h", ".cpp"):
                continue
            for line, value, before in literals(path.read_text(encoding="utf-8")):
                if HANDED.search(before) and not CJK.search(value):
                    found.setdefault(value, f"{path.relative_to(root).as_posix()}:{line}")
    return found


# The program's name, as the desktop entry and the AppStream metainfo carry it.
PROGRAM_NAME = "维松MP3"


def desktop_faults(root, translations):
    """The desktop files' names out of step with the catalog's."""
    english = translations.get(PROGRAM_NAME, "")
    wanted = {"Name": english, "Name[zh_CN]": PROGRAM_NAME}
    faults = []
    entry = root / "data" / "io.github.vexon.Vexon.desktop"
    for line in entry.read_text(encoding="utf-8").splitlines():
        key, _, value = line.partition("=")
        if key in wanted and value != wanted[key]:
            faults.append(f"{entry.relative_to(root)}: {key}={value}, the catalog says {wanted[key]!r}")
    metainfo = root / "data" / "io.github.vexon.Vexon.metainfo.xml"
    text = metainfo.read_text(encoding="utf-8")
    for name in (f"<name>{english}</name>", f'<name xml:lang="zh_CN">{PROGRAM_NAME}</name>'):
        if name not in text:
            faults.append(f"{metainfo.relative_to(root)}: no {name}")
    return faults


def main():
    faults = []
    for po in sorted((ROOT / "po").glob("*.po")):
        english = po.stem == "en"
        seen = set()
        for line, source, translation in entries(po):
            where = f"{po.relative_to(ROOT)}:{line}"
            if source in seen:
                faults.append(f"{where}: translated twice: {source!r}")
            seen.add(source)
            if not translation:
                faults.append(f"{where}: no translation of {source!r}")
                continue
            if english and CJK.search(translation):
                faults.append(f"{where}: Chinese left in {translation!r}")
            if sorted(MARK.findall(source)) != sorted(MARK.findall(translation)):
                faults.append(f"{where}: the placeholders of {source!r} differ in {translation!r}")
    english_entries = {source: translation for _, source, translation in entries(ROOT / "po" / "en.po")}
    english = set(english_entries)
    faults += desktop_faults(ROOT, english_entries)
    for source, where in chinese_texts(ROOT).items():
        if source not in english:
            faults.append(f"{where}: no English translation of {source!r}")
    chinese = {source for _, source, _ in entries(ROOT / "po" / "zh.po")}
    for source, where in english_texts(ROOT).items():
        if source not in chinese:
            faults.append(f"{where}: no Chinese translation of {source!r}")
    for fault in faults:
        print(f"check-catalog: {fault}", file=sys.stderr)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
