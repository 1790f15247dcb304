"""Checks the JSON that qelsys writes. Reads it from standard input.

Usage: json_checks.py KIND [ARGS...]; see CHECKS.
"""
import json, sys

FAMILIES = {
    # the component set's name, its roles in install order, whether the NT services belong
    "nt5": ("NT 5 or later", ["service", "kernel driver", "library copy", "uninstaller"], True),
    "nt4": ("NT 4", ["service", "kernel driver", "system library", "library copy", "uninstaller"], True),
    "9x": ("Windows 9x", ["device driver", "system library", "library copy", "uninstaller"], False),
}
# Nothing counts the library in use, nothing waits for the restart.
SETTLED = {"inUseCount": None, "pendingOperations.operations": []}
# Nothing left of the shared components' registration.
UNREGISTERED = {"uninstallEntry.present": False, "productsKey": False, "products": [],
                "knownVxd.value": None}
CLOSERS = ("CloseHandle", "RegCloseKey", "CloseServiceHandle", "fclose", "FreeLibrary")

problems = []


def expect(condition, message):
    if not condition:
        problems.append(message)


def values(data, wanted):
    """Each dotted path of wanted ("uninstallEntry.present") has its value in data."""
    for path, value in wanted.items():
        found = data
        for key in path.split("."):
            found = found[key]
        expect(found == value, "%s is %r, expected %r" % (path, found, value))


def version(text):
    return tuple(int(part) for part in text.split("."))


def component(status, role, field="path"):
    return next(c[field] for c in status["components"] if c["role"] == role)


def no_services(status):
    expect(not any(s["registered"] for s in status["services"]), "services %s" % status["services"])


def present(status, kept=(), system_library=True):
    """Only the components at the paths kept are present, and the system
    library (installed, never removed) as system_library says; None: either."""
    for c in status["components"]:
        wanted = system_library if c["role"] == "system library" else c["path"].upper() in kept
        expect(wanted is None or c["present"] == wanted, "%s present: %s" % (c["name"], c["present"]))


def pending(status, store):
    expect(store.upper() in (status["pendingOperations"]["source"] or "").upper(),
           "restart-time operations in %s" % status["pendingOperations"]["source"])
    return [(o["source"].upper(), (o["target"] or "").upper())
            for o in status["pendingOperations"]["operations"]]


def check_installed(status, family, other=None):
    set_name, roles, nt = FAMILIES[family]
    components = status["components"]
    values(status, {"platform.componentSet": set_name, "sharedCount.value": 65535, **SETTLED})
    expect([c["role"] for c in components] == roles, "components are %s" % [c["role"] for c in components])
    for c in components:  # a system library newer than the carried one is left in place
        newer = c["role"] == "system library"
        current = c["version"] and c["carried"] and (
            version(c["version"]) >= version(c["carried"]) if newer else c["version"] == c["carried"])
        expect(c["present"] and current, "%s: present %s, version %s, carried %s" %
               (c["name"], c["present"], c["version"], c["carried"]))
    if nt:
        services = {s["name"]: s for s in status["services"]}
        for name, kind in (("OrbanetQelC11BA", "own process"), ("QelC15BA", "kernel driver")):
            values(services[name], dict(registered=True, state="running", startType="automatic", type=kind))
        values(status, {"serviceAnswer": component(status, "service", "carried"), "knownVxd.value": None})
    else:
        values(status, {"knownVxd.value": component(status, "device driver")})
        no_services(status)
    uninstaller = component(status, "uninstaller")
    values(status["uninstallEntry"], {
        "present": True, "versionMajor": 2, "versionMinor": 20, "displayName": "Lumasett Shared Components",
        "publisher": "Ostravik", "applet": uninstaller, "uninstallString": uninstaller + " /uninstall",
        "installer": component(status, "library copy"), "installLocation": status["folders"]["install"]})
    lib = status["library"]
    expect([p["brandingCode"] for p in status["products"]] == [other] if other else
           {"brandingCode": lib["brandingCode"], "name": lib["productName"], "layout": "current"}
           in status["products"], "products %s" % status["products"])


def check_removed(status, uninstalled):
    present(status, (), uninstalled or None)
    no_services(status)
    # The shared count is pinned at every install and never lowered.
    values(status, {"serviceAnswer": None, "sharedCount.value": 65535 if uninstalled else None,
                    **UNREGISTERED, **SETTLED})


def check_outdated(status):
    for c in status["components"]:
        if c["role"] not in ("library copy", "system library"):
            expect(c["version"] and version(c["version"]) < version(c["carried"]),
                   "%s is %s, carried %s" % (c["name"], c["version"], c["carried"]))


def check_replaces(status, path, store):
    ops = pending(status, store)
    expect(len(ops) == 1 and path.upper() in ops[0][1], "pending %s" % ops)


def check_deletes_itself(status, *paths):
    nt = status["platform"]["componentSet"] != "Windows 9x"
    ops = pending(status, "PendingFileRenameOperations" if nt else "WININIT.INI")
    wanted = [p.upper() for p in paths]
    expect(len(ops) == len(wanted) and all(w in o[0] and not o[1] for o, w in zip(ops, wanted)),
           "pending %s" % ops)
    present(status, wanted)
    no_services(status)
    values(status, UNREGISTERED)


def check_kept(status, role, wanted):
    found = [c["version"] for c in status["components"] if c["role"] == role]
    expect(found == [wanted], "%s: %s" % (role, found))
    values(status, {"pendingOperations.operations": []})


def check_run(errors, command, result, last_error=None, *codes):
    values(errors, {"recorded": True, "command": command, "result": int(result), "succeeded": result == "1"})
    if last_error is not None:
        values(errors, {"lastError.code": int(last_error)})
        found = ["%s/%d" % (e["site"], e["code"]) for e in errors["errors"]]
        expect([c.upper() for c in found] == [c.upper() for c in codes],
               "tracked %s, expected %s" % (found, codes))


def check_error(errors, site, operation):
    found = [e for e in errors.get("errors", []) if e["site"].lower() == site.lower()]
    expect(errors["recorded"] and found,
           "no error at site %s in %s, recorded %s" % (site, [e["site"] for e in errors.get("errors", [])],
                                                       errors["recorded"]))
    for e in found:
        expect(e["known"] and e["operation"] == operation and e["advice"] and e["condition"],
               "site %s decoded as %s" % (site, e))


def check_pending(status, name):
    ops = status["pendingOperations"]["operations"]
    expect(any(name.upper() in (o["source"] + " " + (o["target"] or "")).upper() for o in ops),
           "no pending operation on %s in %s" % (name, ops))


def check_trace(lines, *wanted):
    calls, summary = lines[:-1], lines[-1]
    expect([c["call"] for c in calls] == list(range(1, len(calls) + 1)) and summary["calls"] == len(calls),
           "calls not numbered 1 to %d" % summary["calls"])
    expect(summary["leftOpen"] == [] and summary["run"]["succeeded"], "summary %s" % summary)
    expect(all(line["schemaVersion"] == 1 for line in lines) and
           all(c["windowsError"] is None for c in calls if not c["failed"]), "a stale error or no schemaVersion")
    seen = [(c["function"] + " " + (c["args"].get("service") or c["args"].get("value") or "")).strip()
            for c in calls]
    where = [seen.index(w) if w in seen else -1 for w in wanted]
    expect(-1 not in where and where == sorted(where), "calls %s found at %s" % (wanted, where))


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
    # A success ends with 0 or an outcome, a failure says why.
    expect(code == 0 or 2001 <= code <= 2006 if result == 1 else code not in (0, None),
           "result %s with last error %s" % (result, code))
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


# KIND ARGS: installed FAMILY [CODE]; outdated; replaces PATH STORE; deletes-itself
# PATH... (left for the restart, in order); kept ROLE VERSION; replayed COMMAND TRACE;
# run COMMAND RESULT [LAST_ERROR [SITE/CODE...]]; removed; uninstalled; error SITE
# OPERATION; pending NAME; products N; in-use-count N|null; unsupported;
# nothing-recorded; trace CALL... ("Function [service-or-value]", in order).
CHECKS = {
    "installed": check_installed, "installed-for-another": check_installed, "outdated": check_outdated,
    "replaces": check_replaces, "deletes-itself": check_deletes_itself, "kept": check_kept,
    "replayed": check_replayed, "run": check_run, "error": check_error, "pending": check_pending,
    "trace": check_trace,
    "removed": lambda s: check_removed(s, False),
    "uninstalled": lambda s: check_removed(s, True),
    "products": lambda status, n: expect(len(status["products"]) == int(n), "products %s" % status["products"]),
    "in-use-count": lambda status, n: values(status, {"inUseCount": None if n == "null" else int(n)}),
    "unsupported": lambda status: values(status, {"platform.componentSet": "unsupported", "components": []}),
    "nothing-recorded": lambda errors: values(errors, {"recorded": False, "command": None, "errors": []}),
}


def main():
    kind, args = sys.argv[1], sys.argv[2:]
    if kind not in CHECKS:
        sys.exit("unknown check %s; known: %s" % (kind, " ".join(CHECKS)))
    text = sys.stdin.read()
    data = [json.loads(line) for line in text.splitlines()] if kind == "trace" else json.loads(text)
    CHECKS[kind](data, *args)
    print(*problems, sep="\n")
    sys.exit(1 if problems else 0)


main()
