#!/usr/bin/env python3
"""The Inno Setup example declares every export it calls as qelsys.h does:
the name, stdcall, the number of arguments and types of the same size and
kind; setup-time calls load the carried copy, uninstall-time calls the
installed one. Usage: check_inno_declarations.py qelsys.h QelSysSetup.iss"""
import re
import sys

# C type in qelsys.h -> Pascal types that pass the same thing.
PASCAL = {
    "DWORD": {"Cardinal"},
    "DWORD*": {"Cardinal", "AnsiString", "var Cardinal"},  # 0 for NULL, or a buffer
    "char*": {"AnsiString", "PAnsiChar"},
    "void": set(),
}


def c_prototypes(header):
    text = open(header).read()
    found = {}
    for ret, name, args in re.findall(r"(\w+)\s+WINAPI\s+(\w+)\s*\(([^)]*)\)\s*;", text):
        types = []
        for arg in args.split(","):
            arg = arg.strip()
            if arg in ("", "void"):
                continue
            words = arg.replace("*", " * ").split()
            types.append(words[0] + "*" * words.count("*"))
        found[name] = (ret, types)
    return found


def pascal_declarations(script):
    text = open(script).read()
    pattern = (r"function\s+(\w+)\s*(?:\(([^)]*)\))?\s*:\s*(\w+)\s*;\s*"
               r"external\s+'(\w+)@([^'\s]+)\s+(\w+)(?:\s+(setuponly|uninstallonly))?'")
    for pascal_name, args, ret, export, source, convention, when in re.findall(pattern, text):
        params = []
        for group in filter(None, (a.strip() for a in args.split(";"))):
            var = group.startswith("var ")
            names, typ = group[4 if var else 0:].split(":")
            params += [("var " if var else "") + typ.strip()] * len(names.split(","))
        yield pascal_name, params, ret, export, source, convention, when


def main():
    header, script = sys.argv[1:3]
    exports = c_prototypes(header)
    problems = []
    declared = list(pascal_declarations(script))
    if not declared:
        problems.append("no external declarations found")
    for name, params, ret, export, source, convention, when in declared:
        where = "%s (%s)" % (name, export)
        if export not in exports:
            problems.append("%s: qelsys.h has no export %s" % (where, export))
            continue
        c_ret, c_args = exports[export]
        if convention != "stdcall":
            problems.append("%s: %s, the exports are WINAPI (stdcall)" % (where, convention))
        if ret not in PASCAL[c_ret]:
            problems.append("%s: returns %s, qelsys.h %s" % (where, ret, c_ret))
        if len(params) != len(c_args):
            problems.append("%s: %d arguments, qelsys.h %d" % (where, len(params), len(c_args)))
        for i, (p, c) in enumerate(zip(params, c_args)):
            if p not in PASCAL.get(c, set()):
                problems.append("%s: argument %d is %s, qelsys.h %s" % (where, i + 1, p, c))
        expected = {"files:QelC14BA.dll": "setuponly", r"{app}\QelC14BA.dll": "uninstallonly"}.get(source)
        if when != expected:
            problems.append("%s: loads %s %s" % (where, source, when or "always"))
    for export in ("QelSysInstall", "QelSysUnInstall", "QelSysGetLastError", "QelSysGetTrackedErrors"):
        if export not in {d[3] for d in declared}:
            problems.append("%s is not declared" % export)
    for p in problems:
        print("FAILED:", p)
    print("%d declarations checked, %d problems" % (len(declared), len(problems)))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
