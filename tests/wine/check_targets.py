#!/usr/bin/env python3
"""The shipped binaries as built, read with objdump.

Usage: check_targets.py targets OBJDUMP IMPORTS.tsv BUILD FILE=TARGETS...
       check_targets.py sizes SIZES.tsv BUILD FILE...
       check_targets.py exports OBJDUMP DLL DEF
       check_targets.py resources OBJDUMP DLL PAYLOAD_DIR
TARGETS is a comma list of 95 (Windows 95 and later) and ntX.Y (NT X.Y and
later). "targets" checks the machine type, the subsystem and system versions
that the i686 loaders of Windows 9x and NT 4 accept, relocations where a
loader may move the image, and every import against IMPORTS.tsv; "sizes"
each file against its limit for BUILD in SIZES.tsv; "exports" that the DLL
exports exactly the names of DEF, undecorated, and does not read the Wine
test build's QEL_TEST_MUTEX_WAIT_MS; "resources" that it carries each
payload program as a "BINARY" resource the size of the built file under its
id, a string table and a version.
"""
import os
import re
import subprocess
import sys

MACHINES = {"i686": "pei-i386", "x86_64": "pei-x86-64"}
PAYLOADS = {102: "QELC11BA.VXD", 112: "QELC13BA.EXE", 114: "QELC15BA.SYS", 115: "ShFolder.dll",
            10001: "QELC11BA.EXE"}  # BINARY resource id: the payload file it carries
STRING_TABLE, VERSION = 6, 16  # resource types
# Only a general statement says Windows 95's advapi32 has its service functions
# even as stubs; one missing there would keep the library from loading at all.
NO_STUBS = {"qelc14ba.dll": {"advapi32.dll"}}


def read_tsv(path):
    with open(path, encoding="utf-8") as handle:
        return [line.rstrip("\n").split("\t") for line in handle
                if line.strip() and not line.startswith("#")][1:]


def objdump(tool, path, *options):
    return subprocess.run([tool, *options, path], check=True, capture_output=True, text=True).stdout


def describe(path, tool):
    text = objdump(tool, path, "-p", "-h")
    info = {"imports": [], "sections": set(re.findall(r"^\s*\d+ (\.\S+)", text, re.M)),
            "format": re.search(r"file format (\S+)", text).group(1)}
    for kind in ("OSystem", "Subsystem"):
        info[kind] = tuple(int(re.search(part + kind + r"Version\s+(\d+)", text).group(1))
                           for part in ("Major", "Minor"))
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
                stub = row["9x"] == "stub" and row["note"] and dll not in NO_STUBS.get(name.lower(), ())
                ok = row["9x"] in ("95", "redist") or stub
                why = f"9x {row['9x']}" + (", look it up when called" if row["9x"] == "stub" else "")
            else:
                ok = row["nt"] != "none" and float(row["nt"]) <= float(target[2:])
                why = f"NT {row['nt']}"
            if not ok:
                problems.append(f"{name} imports {dll} {function} ({why}), which Windows {target} lacks")
    return problems


def check_targets(tool, imports_tsv, build, *items):
    known = {(r[0].lower(), r[1]): {"9x": r[2], "nt": r[3], "note": r[5] if len(r) > 5 else ""}
             for r in read_tsv(imports_tsv)}
    problems = []
    for item in items:
        path, targets = item.rsplit("=", 1)
        name = os.path.basename(path)
        info = describe(path, tool)
        if info["format"] != MACHINES[build]:
            problems.append(f"{name} is {info['format']}, not {MACHINES[build]}")
        for kind in ("OSystem", "Subsystem"):
            if build == "i686" and info[kind] > (4, 0):
                problems.append(f"{name} asks for {kind} version {info[kind][0]}.{info[kind][1]};"
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
        problems += import_problems(name, targets.split(","), info["imports"], known, imports_tsv)
        print(f"{name}: {info['format']}, {len(info['imports'])} imports, targets {targets}")
    return problems


def check_sizes(sizes_tsv, build, *paths):
    limits = {(r[0], r[1]): int(r[2]) for r in read_tsv(sizes_tsv)}
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


def check_exports(tool, dll, definition):
    table = objdump(tool, dll, "-p").split("[Ordinal/Name Pointer] Table\n", 1)[-1]
    exported = sorted(re.findall(r"^\s*\[\s*\d+\] (\S+)$", table.split("\n\n", 1)[0], re.M))
    with open(definition) as handle:
        wanted = sorted(line.strip() for line in handle if re.match(r"\s+[A-Za-z_]", line))
    print("exports:", " ".join(exported))
    problems = [] if exported == wanted else [f"export names {exported} differ from {definition}: {wanted}"]
    if b"QEL_TEST_MUTEX_WAIT_MS" in open(dll, "rb").read():
        problems.append("the shipped DLL reads QEL_TEST_MUTEX_WAIT_MS")
    return problems


def check_resources(tool, dll, payload_dir):
    listing = objdump(tool, dll, "-p").split("The .rsrc Resource Directory section:")[-1]
    found, key = {}, [None, None]  # (type, id): size; key: the type and id of the entry being read
    for line in listing.split("\n\n", 1)[0].splitlines():
        entry = re.match(r"[0-9a-f]+( +)Entry: (?:ID: (0x[0-9a-f]+)|name: .*: (\w+)),", line)
        leaf = re.search(r"Leaf: .*Size: (0x[0-9a-f]+)", line)
        if entry and len(entry.group(1)) in (3, 5):  # 3: a type, 5: a resource of that type
            value = int(entry.group(2), 16) if entry.group(2) else entry.group(3)
            key = [value, None] if len(entry.group(1)) == 3 else [key[0], value]
        elif leaf:
            found[tuple(key)] = int(leaf.group(1), 16)
    binary = {ident: size for (kind, ident), size in found.items() if kind == "BINARY"}
    wanted = {ident: os.path.getsize(os.path.join(payload_dir, name)) for ident, name in PAYLOADS.items()}
    print("BINARY resources (id: size):", binary)
    problems = [] if binary == wanted else [f"BINARY resources differ from the payload files: {wanted}"]
    return problems + [f"no resource of type {kind}" for kind in (STRING_TABLE, VERSION)
                       if not any(k == kind for k, _ in found)]


def main():
    checks = {"targets": check_targets, "sizes": check_sizes, "exports": check_exports,
              "resources": check_resources}
    problems = checks[sys.argv[1]](*sys.argv[2:])
    for problem in problems:
        print(problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
