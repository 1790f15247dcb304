"""Checks the JSON that qelsys writes. Reads it from standard input.

Usage: json_checks.py KIND [ARGS...]
  installed FAMILY        every component of the family's set is present and
                          current; NT services run and the service answers
  installed-for-another FAMILY CODE  the same, but only product CODE is registered
  outdated                the drivers and the program are older than carried
  replaces PATH STORE     the one restart-time operation, in STORE, replaces PATH
  deletes-itself PROGRAM LIBRARY  the drivers and the entry are gone; the program
                          and the library copy are deleted at the restart
  kept ROLE VERSION        the component is still VERSION, nothing is pending
  replayed COMMAND TRACE   a run with one call failed (TRACE: its JSON lines) left
                          nothing open, its codes agree with its result and the
                          product is filed as the result says
  run COMMAND RESULT LAST_ERROR [SITE/CODE...]  the last run, its codes newest first
  removed                 nothing of the shared components is there
  uninstalled             the same after an uninstall: ShFolder.dll and the
                          shared count stay
  error SITE OPERATION    the errors hold SITE, recorded by OPERATION, with advice
  pending NAME            a restart-time operation concerns the file NAME
  products N              N products are registered
  in-use-count N          the in-use counter is N ("null" when not set)
  unsupported             status of a Windows the library does not support
  succeeded COMMAND       the last run was COMMAND and succeeded without failures
  nothing-recorded        no run was recorded yet
  trace CALL...           JSON lines of qelsys trace: calls numbered from 1,
                          each CALL ("Function" or "Function service-or-value")
                          in this order, nothing left open, the run succeeded
"""
import json
import sys

FAMILIES = {
    # component roles in install order, and whether the NT services belong
    "nt5": (["service", "kernel driver", "library copy", "uninstaller"], True),
    "nt4": (["service", "kernel driver", "system library", "library copy", "uninstaller"], True),
    "9x": (["device driver", "system library", "library copy", "uninstaller"], False),
}
SET_NAMES = {"nt5": "NT 5 or later", "nt4": "NT 4", "9x": "Windows 9x"}

problems = []


def expect(condition, message):
    if not condition:
        problems.append(message)


def version(text):
    return tuple(int(part) for part in text.split("."))


def check_installed(status, family, other=None):
    roles, nt = FAMILIES[family]
    expect(status["platform"]["componentSet"] == SET_NAMES[family],
           "component set is %s" % status["platform"]["componentSet"])
    components = status["components"]
    expect([c["role"] for c in components] == roles,
           "components are %s" % [c["role"] for c in components])
    for c in components:
        if not c["present"] or not c["version"] or not c["carried"]:
            problems.append("%s: present %s, version %s, carried %s" %
                            (c["name"], c["present"], c["version"], c["carried"]))
            continue
        # A system library newer than the carried one is left in place.
        expect(version(c["version"]) >= version(c["carried"]),
               "%s is %s, older than the carried %s" % (c["name"], c["version"], c["carried"]))
        if c["role"] != "system library":
            expect(c["version"] == c["carried"], "%s is %s, carried %s" % (c["name"], c["version"], c["carried"]))
    services = {s["name"]: s for s in status["services"]}
    if nt:
        for name, typ in (("OrbanetQelC11BA", "own process"), ("QelC15BA", "kernel driver")):
            s = services[name]
            expect(s["registered"] and s["state"] == "running" and s["startType"] == "automatic"
                   and s["type"] == typ, "%s: %s" % (name, s))
        carried = next(c["carried"] for c in components if c["role"] == "service")
        expect(status["serviceAnswer"] == carried,
               "the service answered %s, carried %s" % (status["serviceAnswer"], carried))
        expect(status["knownVxd"]["value"] is None, "KnownVxDs value %s" % status["knownVxd"]["value"])
    else:
        vxd = next(c["path"] for c in components if c["role"] == "device driver")
        expect(status["knownVxd"]["value"] == vxd, "KnownVxDs value %s" % status["knownVxd"]["value"])
        expect(not any(s["registered"] for s in status["services"]), "services on 9x: %s" % services)
    entry = status["uninstallEntry"]
    uninstaller = next(c["path"] for c in components if c["role"] == "uninstaller")
    library = next(c["path"] for c in components if c["role"] == "library copy")
    expect(entry["present"] and (entry["versionMajor"], entry["versionMinor"]) == (2, 20),
           "uninstall entry %s" % entry)
    expect(entry["uninstallString"] == uninstaller + " /uninstall", "UninstallString %s" % entry["uninstallString"])
    expect(entry["installer"] == library, "Installer %s" % entry["installer"])
    expect(entry["installLocation"] == status["folders"]["install"], "InstallLocation %s" % entry["installLocation"])
    expect((entry["displayName"], entry["publisher"], entry["applet"]) ==
           ("Lumasett Shared Components", "Ostravik", uninstaller), "uninstall entry %s" % entry)
    lib = status["library"]
    if other:
        expect([p["brandingCode"] for p in status["products"]] == [other],
               "products %s" % status["products"])
    else:
        expect({"brandingCode": lib["brandingCode"], "name": lib["productName"], "layout": "current"}
               in status["products"], "products %s" % status["products"])
    expect(status["inUseCount"] is None, "in-use counter %s" % status["inUseCount"])
    expect(status["pendingOperations"]["operations"] == [],
           "pending %s" % status["pendingOperations"]["operations"])
    expect(status["sharedCount"]["value"] == 65535, "shared count %s" % status["sharedCount"])


def check_removed(status, uninstalled):
    for c in status["components"]:
        # The system library is installed but never removed.
        if c["role"] == "system library":
            expect(not uninstalled or c["present"], "%s was removed" % c["name"])
        else:
            expect(not c["present"], "%s is still present" % c["name"])
    expect(not any(s["registered"] for s in status["services"]), "services %s" % status["services"])
    expect(status["serviceAnswer"] is None, "the service still answers")
    expect(not status["uninstallEntry"]["present"], "the uninstall entry is still there")
    expect(status["products"] == [] and not status["productsKey"], "products %s" % status["products"])
    expect(status["knownVxd"]["value"] is None, "KnownVxDs value %s" % status["knownVxd"]["value"])
    expect(status["inUseCount"] is None, "in-use counter %s" % status["inUseCount"])
    expect(status["pendingOperations"]["operations"] == [],
           "pending %s" % status["pendingOperations"]["operations"])
    # The shared count is pinned at every install and never lowered.
    expect(status["sharedCount"]["value"] == (65535 if uninstalled else None),
           "shared count %s" % status["sharedCount"])


def check_outdated(status):
    for c in status["components"]:
        if c["role"] not in ("library copy", "system library"):
            expect(c["version"] and version(c["version"]) < version(c["carried"]),
                   "%s is %s, carried %s" % (c["name"], c["version"], c["carried"]))


def pending(status, store):
    expect(store.upper() in (status["pendingOperations"]["source"] or "").upper(),
           "restart-time operations in %s" % status["pendingOperations"]["source"])
    return [(o["source"].upper(), (o["target"] or "").upper())
            for o in status["pendingOperations"]["operations"]]


def check_replaces(status, path, store):
    ops = pending(status, store)
    path = path.upper()
    found = [o for o in ops if path in o[1]]
    expect(len(ops) == 1 and found, "pending %s" % ops)


def check_deletes_itself(status, program, library):
    nt = status["platform"]["componentSet"] != "Windows 9x"
    ops = pending(status, "PendingFileRenameOperations" if nt else "WININIT.INI")
    wanted = [p.upper() for p in (program, library)]
    expect(len(ops) == 2 and all(w in o[0] and not o[1] for o, w in zip(ops, wanted)),
           "pending %s" % ops)
    for c in status["components"]:
        kept = c["path"].upper() in wanted or c["role"] == "system library"
        expect(c["present"] == kept, "%s present: %s" % (c["name"], c["present"]))
    expect(not any(s["registered"] for s in status["services"]), "services %s" % status["services"])
    expect(not status["uninstallEntry"]["present"], "the uninstall entry is still there")
    expect(not status["productsKey"], "the installed-products key is still there")
    expect(status["knownVxd"]["value"] is None, "KnownVxDs value %s" % status["knownVxd"]["value"])


def check_run(errors, command, result, last_error, codes):
    expect(errors["recorded"] and errors["command"] == command, "run %s" % errors)
    expect((errors["result"], errors["lastError"]["code"]) == (int(result), int(last_error)),
           "%s returned %s, last error %s" % (command, errors["result"], errors["lastError"]["code"]))
    found = ["%s/%d" % (e["site"], e["code"]) for e in errors["errors"]]
    expect([c.upper() for c in found] == [c.upper() for c in codes],
           "tracked %s, expected %s" % (found, codes))


def check_error(errors, site, operation):
    expect(errors["recorded"], "nothing recorded")
    found = [e for e in errors.get("errors", []) if e["site"].lower() == site.lower()]
    expect(found, "no error at site %s in %s" % (site, [e["site"] for e in errors.get("errors", [])]))
    for e in found:
        expect(e["known"] and e["operation"] == operation and e["advice"] and e["condition"],
               "site %s decoded as %s" % (site, e))


def check_pending(status, name):
    ops = status["pendingOperations"]["operations"]
    expect(any(name.upper() in (o["source"] + " " + (o["target"] or "")).upper() for o in ops),
           "no pending operation on %s in %s" % (name, ops))


def check_trace(lines, wanted):
    calls, summary = lines[:-1], lines[-1]
    expect([c["call"] for c in calls] == list(range(1, len(calls) + 1)) and summary["calls"] == len(calls),
           "calls not numbered 1 to %d" % summary["calls"])
    expect(summary["leftOpen"] == [] and summary["run"]["succeeded"], "summary %s" % summary)
    seen = [(c["function"] + " " + (c["args"].get("service") or c["args"].get("value") or "")).strip()
            for c in calls]
    where = [seen.index(w) if w in seen else -1 for w in wanted]
    expect(-1 not in where and where == sorted(where), "calls %s found at %s" % (wanted, where))


CLOSERS = ("CloseHandle", "RegCloseKey", "CloseServiceHandle", "fclose", "FreeLibrary")


def check_replayed(status, command, trace_file):
    with open(trace_file, encoding="utf-8", errors="replace") as f:
        summary = json.loads(f.read().splitlines()[-1])
    fault, run = summary["fault"], summary["run"]
    # fault is None when call K cannot fail (Sleep): then it is a clean run.
    # Only the handle whose close was made to fail may stay open.
    allowed = 1 if fault and fault["function"] in CLOSERS else 0
    expect(len(summary["leftOpen"]) <= allowed, "left open %s" % summary["leftOpen"])
    result, code = run["result"], (run["lastError"] or {}).get("code")
    expect(result in (0, 1), "result %s" % result)
    for e in run["errors"]:
        expect(e["known"] and e["site"] != "0x0", "tracked %s is not in the table" % e["tracked"])
    if result == 1:
        expect(code == 0 or 2001 <= code <= 2006, "a success with last error %s" % code)
    else:
        expect(code not in (0, None), "a failure that does not say why")
    filed = any(p["brandingCode"] == status["library"]["brandingCode"] for p in status["products"])
    if command == "install":
        failed_filing = any(e["tracked"] == "0x0602FFFF" for e in run["errors"])
        expect(filed == ((result == 1 or code == 1001) and not failed_filing),
               "filed %s after result %s, last error %s" % (filed, result, code))
    elif all(c["present"] for c in status["components"]):
        # Also after a success: an entry that could not be deleted still
        # counts as a product, so the components stay with it.
        expect(filed, "an uninstall that removed nothing unfiled the product")
    elif result == 1:
        expect(not filed, "the components are gone but the product is still filed")


def main():
    kind, args = sys.argv[1], sys.argv[2:]
    data = None if kind == "trace" else json.load(sys.stdin)
    if kind == "trace":
        check_trace([json.loads(line) for line in sys.stdin.read().splitlines()], args)
    elif kind == "installed":
        check_installed(data, args[0])
    elif kind == "installed-for-another":
        check_installed(data, args[0], args[1])
    elif kind == "outdated":
        check_outdated(data)
    elif kind == "replaces":
        check_replaces(data, args[0], args[1])
    elif kind == "deletes-itself":
        check_deletes_itself(data, args[0], args[1])
    elif kind == "kept":
        found = [c["version"] for c in data["components"] if c["role"] == args[0]]
        expect(found == [args[1]], "%s: %s" % (args[0], found))
        expect(data["pendingOperations"]["operations"] == [],
               "pending %s" % data["pendingOperations"]["operations"])
    elif kind == "replayed":
        check_replayed(data, args[0], args[1])
    elif kind == "run":
        check_run(data, args[0], args[1], args[2], args[3:])
    elif kind == "removed":
        check_removed(data, False)
    elif kind == "uninstalled":
        check_removed(data, True)
    elif kind == "error":
        check_error(data, args[0], args[1])
    elif kind == "pending":
        check_pending(data, args[0])
    elif kind == "products":
        expect(len(data["products"]) == int(args[0]), "products %s" % data["products"])
    elif kind == "in-use-count":
        wanted = None if args[0] == "null" else int(args[0])
        expect(data["inUseCount"] == wanted, "in-use counter %s" % data["inUseCount"])
    elif kind == "unsupported":
        expect(data["platform"]["componentSet"] == "unsupported" and data["components"] == [],
               "platform %s, components %s" % (data["platform"], data["components"]))
    elif kind == "succeeded":
        expect(data["recorded"] and data["command"] == args[0] and data["succeeded"]
               and data["result"] == 1 and data["errors"] == [], "run %s" % data)
        expect(2001 <= data["lastError"]["code"] <= 2006, "last outcome %s" % data["lastError"])
    elif kind == "nothing-recorded":
        expect(not data["recorded"] and data["command"] is None and data["errors"] == [],
               "errors %s" % data)
    else:
        sys.exit("unknown check " + kind)
    for p in problems:
        print(p)
    sys.exit(1 if problems else 0)


main()
