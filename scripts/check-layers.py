#!/usr/bin/env python3
"""Checks from the #include lines that every folder of src/ includes only the layers
it may: ground floor up, never upward or sideways. The Qt widgets the dialogs share
sit in widgets/, below every ui/ folder, so no ui/ folder but the window's own
reaches into app/. Prints each broken rule and exits 1."""
import pathlib
import re
import sys

FEATURES = ["search", "download", "library", "hotwords", "update"]
BELOW_FEATURES = {"text", "core", "net", "storage"}
ALLOWED = {
    "text": {"text"},
    "core": {"text", "core"},
    "net": {"text", "core", "net"},
    "storage": {"text", "core", "storage"},
    "app": BELOW_FEATURES | set(FEATURES) | {"app"},
    "cli": BELOW_FEATURES | set(FEATURES) | {"app", "cli"},
    "widgets": {"text", "core", "widgets"},
}
for feature in FEATURES:
    ALLOWED[feature] = BELOW_FEATURES | {feature}
UI_FOLDERS = {f"{name}/ui" for name in ["app", "storage"] + FEATURES}


def allowed_for(folder):
    if folder == "app/ui":
        # The window composes every dialog; it reaches the network only through
        # the controllers.
        return (ALLOWED["app"] - {"net"}) | UI_FOLDERS | {"widgets"}
    if folder.endswith("/ui"):
        own = folder[: -len("/ui")]
        return {"text", "core", "widgets", own, folder}
    return ALLOWED.get(folder)


def layer_of(include):
    parts = include.split("/")
    if len(parts) >= 3 and parts[1] == "ui":
        return f"{parts[0]}/ui"
    return parts[0]


def main():
    src = pathlib.Path(__file__).resolve().parent.parent / "src"
    broken = []
    for path in sorted(src.rglob("*")):
        if path.suffix not in (".h", ".cpp"):
            continue
        rel = path.relative_to(src)
        folder = "/".join(rel.parts[:-1])
        allowed = allowed_for(folder)
        if allowed is None:
            broken.append(f"src/{rel}: folder {folder} has no layer")
            continue
        for number, line in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
            match = re.match(r'\s*#\s*include\s+"([^"]+)"', line)
            if not match:
                continue
            layer = layer_of(match.group(1))
            if layer not in allowed:
                broken.append(f"src/{rel}:{number}: {folder} may not include {match.group(1)}")
    for line in broken:
        print(line)
    return 1 if broken else 0


if __name__ == "__main__":
    sys.exit(main())
