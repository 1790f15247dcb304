#!/usr/bin/env python3
"""Every shipped binary can load on each Windows it is meant for.

Usage: check_targets.py targets OBJDUMP IMPORTS.tsv BUILD FILE=TARGETS...
       check_targets.py sizes SIZES.tsv BUILD FILE...
TARGETS is a comma list of 95 (Windows 95 and later) and ntX.Y (NT X.Y and
later). "targets" checks the machine type, the subsystem and system versions
that the i686 loaders of Windows 9x and NT 4 accept, relocations where a
loader may move the image, and every import against IMPORTS.tsv; "sizes"
checks each file against its limit for BUILD in SIZES.tsv.
"""
import os
import re
import subprocess
import sys

MACHINES = {"i686": "pei-i386", "x86_64": "pei-x86-64"}


def read_tsv(path):
    with open(path, encoding="utf-8") as handle:
        rows = [line.rstrip("\n").split("\t") for line in handle
                if line.strip() and not line.startswith("#")]
    return rows[0], rows[1:]


def describe(path, objdump):
    text = subprocess.run([objdump, "-p", "-h", path], check=True, capture_output=True,
                          text=True).stdout
    info = {"imports": [], "sections": set(re.findall(r"^\s*\d+ (\.\S+)", text, re.M))}
    info["format"] = re.search(r"file format (\S+)", text).group(1)
    for field in ("MajorOSystemVersion", "MinorOSystemVersion",
                  "MajorSubsystemVersion", "MinorSubsystemVersion"):
        info[field] = int(re.search(field + r"\s+(\d+)", text).group(1))
    dll = None
    for line in text.splitlines():
        match = re.match(r"\tDLL Name: (\S+)", line)
        if match:
            dll = match.group(1).lower()
        elif dll and re.match(r"\t[0-9a-f]+\t\s*\d+\s+\S", line):
            info["imports"].append((dll, line.split()[-1]))
        elif not line.startswith("\t"):
            dll = None
    # A changed objdump layout must not pass as a binary without imports.
    info["unread"] = "DLL Name:" in text and not info["imports"]
    return info


def import_problems(name, targets, imports, known, imports_tsv):
    problems = []
    for dll, function in imports:
        row = known.get((dll, function))
        if row is None:
            problems.append(f"{name} imports {dll} {function}, which {imports_tsv} does not "
                            f"list: add a row with the oldest Windows 9x and NT that export it")
            continue
        for target in targets:
            if target == "95":
                ok = row["9x"] in ("95", "redist") or (row["9x"] == "stub" and row["note"])
                why = f"9x {row['9x']}"
            else:
                ok = row["nt"] != "none" and float(row["nt"]) <= float(target[2:])
                why = f"NT {row['nt']}"
            if not ok:
                problems.append(f"{name} imports {dll} {function} ({why}), "
                                f"which Windows {target} lacks")
    return problems


def check_targets(objdump, imports_tsv, build, items):
    _, rows = read_tsv(imports_tsv)
    known = {(r[0].lower(), r[1]): {"9x": r[2], "nt": r[3], "note": r[5] if len(r) > 5 else ""}
             for r in rows}
    problems = []
    for item in items:
        path, targets = item.rsplit("=", 1)
        name = os.path.basename(path)
        info = describe(path, objdump)
        if info["format"] != MACHINES[build]:
            problems.append(f"{name} is {info['format']}, not {MACHINES[build]}")
        if build == "i686":
            for kind in ("OSystem", "Subsystem"):
                version = (info[f"Major{kind}Version"], info[f"Minor{kind}Version"])
                if version > (4, 0):
                    problems.append(f"{name} asks for {kind} version {version[0]}.{version[1]};"
                                    " Windows 9x and NT 4 load only 4.0 or lower")
        if info["unread"]:
            problems.append(f"{name}: its import table could not be read")
        if re.search(r"\.(dll|sys)$", name, re.I) and ".reloc" not in info["sections"]:
            problems.append(f"{name} has no .reloc section: a loader cannot move it")
        # NT 4 has no Global directory, and Wine, which has one under every
        # personality, cannot show a link made there failing.
        driver_for_nt4 = name.lower().endswith(".sys") and "nt4.0" in targets
        if driver_for_nt4 and "\\Global\\".encode("utf-16-le") in open(path, "rb").read():
            problems.append(f"{name} names a Global\\ object, which NT 4 lacks")
        problems += import_problems(name, targets.split(","), info["imports"], known,
                                    imports_tsv)
        print(f"{name}: {info['format']}, {len(info['imports'])} imports, targets {targets}")
    return problems


def check_sizes(sizes_tsv, build, paths):
    _, rows = read_tsv(sizes_tsv)
    limits = {(r[0], r[1]): int(r[2]) for r in rows}
    problems = []
    for path in paths:
        name, size = os.path.basename(path), os.path.getsize(path)
        limit = limits.get((build, name))
        print(f"{build} {name}: {size} bytes, limit {limit}")
        if limit is None:
            problems.append(f"{name}: {sizes_tsv} has no {build} limit for it")
        elif size > limit:
            problems.append(f"{name} is {size} bytes, over its {build} limit of {limit}")
    return problems


def main():
    if sys.argv[1] == "targets":
        problems = check_targets(sys.argv[2], sys.argv[3], sys.argv[4], sys.argv[5:])
    else:
        problems = check_sizes(sys.argv[2], sys.argv[3], sys.argv[4:])
    for problem in problems:
        print(problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
