#!/usr/bin/env python3
"""Checks the translations in po/: every source text has a translation, no English
translation still holds Chinese (CJK) characters, and every %1/%2 of a source text
is in its translation. Exits 1 naming each fault."""
import pathlib
import re
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent
CJK = re.compile("[\u3000-\u303f\u3400-\u4dbf\u4e00-\u9fff\uf900-\ufaff\uff00-\uffef]")
MARK = re.compile(r"%[12]")


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
    for fault in faults:
        print(f"check-catalog: {fault}", file=sys.stderr)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
