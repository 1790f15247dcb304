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
LOADS = {"files:QelC14BA.dll": "setuponly", r"{app}\QelC14BA.dll": "uninstallonly"}


def c_prototypes(header):
    found = {}
    text = open(header).read()
    for ret, name, args in re.findall(r"(\w+)\s+WINAPI\s+(\w+)\s*\(([^)]*)\)\s*;", text):
        words = [a.replace("*", " * ").split() for a in args.split(",") if a.strip() not in ("", "void")]
        found[name] = (ret, [w[0] + "*" * w.count("*") for w in words])
    return found


def pascal_declarations(script):
    pattern = (r"function\s+(\w+)\s*(?:\(([^)]*)\))?\s*:\s*(\w+)\s*;\s*"
               r"external\s+'(\w+)@([^'\s]+)\s+(\w+)(?:\s+(setuponly|uninstallonly))?'")
    text = open(script).read()
    for pascal_name, args, ret, export, source, convention, when in re.findall(pattern, text):
        params = []
        for group in filter(None, (a.strip() for a in args.split(";"))):
            var = group.startswith("var ")
            names, typ = group[4 if var else 0:].split(":")
            params += [("var " if var else "") + typ.strip()] * len(names.split(","))
        yield "%s (%s)" % (pascal_name, export), params, ret, export, source, convention, when


def main():
    exports = c_prototypes(sys.argv[1])
    declared = list(pascal_declarations(sys.argv[2]))
    problems = [] if declared else ["no external declarations found"]
    for where, params, ret, export, source, convention, when in declared:
        if export not in exports:
            problems.append("%s: qelsys.h has no export %s" % (where, export))
            continue
        c_ret, c_args = exports[export]
        found = [convention != "stdcall" and "%s, the exports are WINAPI (stdcall)" % convention,
                 ret not in PASCAL[c_ret] and "returns %s, qelsys.h %s" % (ret, c_ret),
                 len(params) != len(c_args) and "%d arguments, qelsys.h %d" % (len(params), len(c_args)),
                 when != LOADS.get(source) and "loads %s %s" % (source, when or "always")]
        found += ["argument %d is %s, qelsys.h %s" % (i + 1, p, c)
                  for i, (p, c) in enumerate(zip(params, c_args)) if p not in PASCAL.get(c, set())]
        problems += ["%s: %s" % (where, f) for f in found if f]
    needed = ("QelSysInstall", "QelSysUnInstall", "QelSysGetLastError", "QelSysGetTrackedErrors")
    problems += ["%s is not declared" % e for e in needed if e not in {d[3] for d in declared}]
    for p in problems:
        print("FAILED:", p)
    print("%d declarations checked, %d problems" % (len(declared), len(problems)))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
