#!/usr/bin/env python3
"""Turns the decoding table (tracked_codes.tsv) into the advice each example
setup shows for a tracked code: an NSIS include, an Inno Setup include and a
C header.

Usage: make_decoders.py TABLE OUTPUT_DIR
Writes OUTPUT_DIR/QelSysCodes.nsh, QelSysCodes.iss and qelsys_codes.h.
"""
import os
import sys

# A code a transaction rewrites after recording it is decoded with the row of
# the code it was recorded as, at the same site.
REWRITTEN_FROM = {1010: 1001, 0: 1002}


def read_rows(table):
    rows = []
    with open(table, encoding="utf-8") as f:
        for line in f:
            if line.startswith("#") or line.startswith("site\t"):
                continue
            cells = line.rstrip("\n").split("\t")
            if len(cells) != 7:
                sys.exit("%s: malformed row: %r" % (table, line))
            site, code, kind, operation, _action, _condition, advice = cells
            if kind != "failure":
                continue
            rows.append((int(site, 0), int(code, 0), operation, advice))
    return rows


def plain(text):
    # Every setup language here quotes with double quotes; keep the text ASCII.
    text = text.replace('"', "'").replace("\\", "/").replace("$", "")
    return text.encode("ascii", "replace").decode("ascii")


def rows_with_rewrites(rows):
    known = {(site, code) for site, code, _, _ in rows}
    extra = []
    for new, old in REWRITTEN_FROM.items():
        for site, code, operation, advice in rows:
            if code == old and (site, new) not in known:
                extra.append((site, new, operation, advice))
    return rows + extra


def nsis(rows):
    # A macro, so that the installer and the uninstaller (whose functions
    # must start with "un.") can both have it. It is inserted inside loops,
    # so a match jumps to a label of its own insertion, never returns.
    out = ["; Generated from tracked_codes.tsv by make_decoders.py: do not edit.",
           "; $0 = tracked code; sets $1 to its advice, or to \"\" when the table lacks it.",
           "!macro QELSYS_DECODE", "  !define QELSYS_DECODED qelsys_decoded_${__COUNTER__}",
           "  IntFmt $1 \"0x%08X\" $0"]
    for site, code, operation, advice in rows:
        out.append('  StrCmp $1 "0x%08X" 0 +3' % ((site << 16) | code))
        out.append('    StrCpy $1 "%s: %s"' % (plain(operation), plain(advice)))
        out.append("    Goto ${QELSYS_DECODED}")
    out += ['  StrCpy $1 ""', "  ${QELSYS_DECODED}:", "  !undef QELSYS_DECODED", "!macroend", ""]
    return "\n".join(out)


def inno(rows):
    out = ["{ Generated from tracked_codes.tsv by make_decoders.py: do not edit. }",
           "function QelSysDecode(Tracked: Cardinal): String;", "begin",
           "  case Tracked of"]
    for site, code, operation, advice in rows:
        out.append("    $%08X: Result := '%s: %s';" % ((site << 16) | code, plain(operation).replace("'", "''"),
                                                      plain(advice).replace("'", "''")))
    out += ["  else", "    Result := '';", "  end;", "end;", ""]
    return "\n".join(out)


def header(rows):
    out = ["/* Generated from tracked_codes.tsv by make_decoders.py: do not edit. */",
           "#ifndef QELSYS_CODES_H", "#define QELSYS_CODES_H", "",
           "static const struct { unsigned long tracked; const char* text; } kQelSysCodes[] = {"]
    for site, code, operation, advice in rows:
        out.append('    {0x%08XUL, "%s: %s"},' % ((site << 16) | code, plain(operation), plain(advice)))
    out += ["};", "", "#endif", ""]
    return "\n".join(out)


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    rows = rows_with_rewrites(read_rows(sys.argv[1]))
    os.makedirs(sys.argv[2], exist_ok=True)
    for name, make in (("QelSysCodes.nsh", nsis), ("QelSysCodes.iss", inno), ("qelsys_codes.h", header)):
        with open(os.path.join(sys.argv[2], name), "w", encoding="ascii", newline="\n") as f:
            f.write(make(rows))


if __name__ == "__main__":
    main()
