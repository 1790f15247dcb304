#!/usr/bin/env bash
# Splits the time of the real DLL's fresh install and install-again under
# Wine (XP personality) with qelsys trace: the waits the design fixes (Sleep),
# the time inside the other Windows calls, and the library's own time (the
# export's time less both; it includes the imports the trace does not
# decode). Each run in a fresh prefix. Goal: the library's own time under 5%
# of each journey; exits 1 when a median misses it.
# Usage: trace-split.sh BIN WORK RUNS
#   BIN   folder with qelsys.exe, QelC14BA.dll and its payload files
set -euo pipefail
bin=$(realpath "$1")
work=$(realpath -m "$2")
runs=$3
root=$(cd "$(dirname "$0")/.." && pwd)
wine=/usr/lib/wine/wine64
server=/usr/lib/wine/wineserver
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$work"
trap 'WINEPREFIX=$work/prefix "$server" -k 2>/dev/null || true' EXIT

# trace NAME: one traced install into $work/NAME.jsonl.
trace() {
  (cd "$bin" && "$wine" qelsys.exe trace install --json --output "Z:${work//\//\\}\\$1.jsonl") \
    >/dev/null 2>&1 </dev/null || true
  tail -n 1 "$work/$1.jsonl" >>"$work/$1.summaries"
}

rm -f "$work"/*.summaries
for run in $(seq "$runs"); do
  QEL_ARCH=x86_64 bash "$root/tools/wine-personality.sh" "$work/template" "$work/prefix" winxp
  export WINEPREFIX=$work/prefix
  "$server" -p </dev/null >/dev/null 2>&1
  trace fresh
  trace again
  "$server" -k 2>/dev/null || true
  "$server" -w 2>/dev/null || true
done

python3 - "$work" <<'EOF'
import json, statistics, sys
work = sys.argv[1]
status = 0
print("Journey        | export ms | waits ms | Windows calls ms | own ms | own share")
for name, title in (("fresh", "fresh install"), ("again", "install again")):
    rows = []
    for line in open(f"{work}/{name}.summaries"):
        s = json.loads(line)
        total = s["exportMicroseconds"]
        inside = min(s["microseconds"], total)
        waits = min(s["sleeps"]["microseconds"], inside)
        rows.append((total, waits, inside - waits, total - inside))
    med = [statistics.median(col) / 1000 for col in zip(*rows)]
    shares = sorted(r[3] / r[0] * 100 for r in rows if r[0])
    share = statistics.median(shares)
    print(f"{title:14} | {med[0]:9.1f} | {med[1]:8.1f} | {med[2]:16.1f} | {med[3]:6.1f} | "
          f"{share:.1f}% [{shares[0]:.1f} - {shares[-1]:.1f}]")
    if share >= 5:
        print(f"  goal missed: the library's own share of the {title} is {share:.1f}% (goal under 5%)")
        status = 1
sys.exit(status)
EOF
