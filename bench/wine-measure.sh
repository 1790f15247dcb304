#!/usr/bin/env bash
# Times the real x86_64 DLL under 64-bit Wine against plain hosts, each run
# in a fresh copy of a template prefix whose wineserver is kept alive for the
# run and stopped after it.
# Usage: wine-measure.sh BIN TEMPLATE WORK RUNS [COUNTS [SCAN_SIZES]]
#   BIN       folder with QelC14BA.dll, its payload files and the bench hosts
#   TEMPLATE  an initialised Wine prefix, copied for every run
#   WORK      scratch folder for the prefixes and the figures
#   RUNS      number of runs
#   COUNTS    optional output of "journey_counts --details", to estimate what
#             the calls of a journey cost by themselves
#   SCAN_SIZES  optional file sizes in MB ("1,16,128") for the version scan
set -euo pipefail
bin=$(realpath "$1")
template=$(realpath "$2")
work=$(realpath -m "$3")
runs=$4
counts=${5:-}
scan_sizes=${6:-}
wine=/usr/lib/wine/wine64
server=/usr/lib/wine/wineserver
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

rm -rf "$work"
mkdir -p "$work/values"
prefix=""
stop_server() {
  if [ -n "$prefix" ]; then
    WINEPREFIX=$prefix "$server" -k 2>/dev/null || true
    WINEPREFIX=$prefix "$server" -w 2>/dev/null || true
  fi
}
trap stop_server EXIT

# field NAME TEXT: the number after "NAME=" in the text.
field() { sed -n "s/.*\b$1=\([-0-9.]*\).*/\1/p" <<<"$2" | head -n 1; }
keep() { echo "$2" >>"$work/values/$1"; }
# Runs a host in the bin folder; prints its output, warns when it failed.
# The output goes through a file: the services that Wine starts inherit it
# and would keep a pipe open.
host() {
  local rc=0
  (cd "$bin" && "$wine" "$@" >"$work/host.out" 2>&1 </dev/null) || rc=$?
  [ "$rc" -eq 0 ] || echo "warning: $* exited with $rc: $(cat "$work/host.out")" >&2
  cat "$work/host.out"
}
expect() {  # expect OUTPUT LAST_ERROR
  [ "$(field result "$1")" = 1 ] && [ "$(field last_error "$1")" = "$2" ] ||
    echo "warning: expected result=1 last_error=$2, got: $1" >&2
}

for run in $(seq 1 "$runs"); do
  prefix=$work/prefix$run
  cp -a "$template" "$prefix"
  export WINEPREFIX=$prefix
  "$server" -p
  host bench_read.exe >/dev/null  # boots the prefix's services before anything is timed

  copy=$(host bench_copy.exe)
  fresh=$(host bench_export.exe install)
  expect "$fresh" 2003
  reads=$(host bench_read.exe)
  again=$(host bench_export.exe install)
  expect "$again" 2002
  start=$(host bench_service.exe)
  costs=$(host bench_call_costs.exe)
  uninstall=$(host bench_export.exe uninstall)
  expect "$uninstall" 2004

  keep copy "$(field ms "$(grep '^copy' <<<"$copy")")"
  keep delete "$(field ms "$(grep '^delete' <<<"$copy")")"
  keep fresh "$(field ms "$fresh")"
  keep read "$(field ms "$reads")"
  keep again "$(field ms "$again")"
  keep uninstall "$(field ms "$uninstall")"
  keep start "$(field ms "$(grep '^start total' <<<"$start")")"
  for service in OrbanetQelC11BA QelC15BA; do
    line=$(grep "^start $service " <<<"$start" || true)
    keep "start_$service" "$(field ms "$line")"
    keep "call_$service" "$(field call_ms "$line")"
  done
  while read -r _ name value; do
    keep "cost_$name" "${value#ms=}"
  done <<<"$costs"
  echo "run $run: fresh $(field ms "$fresh") ms, copy $(field ms "$copy") ms," \
    "again $(field ms "$again") ms, read $(field ms "$reads") ms," \
    "uninstall $(field ms "$uninstall") ms, own start $(field ms "$(grep '^start total' <<<"$start")") ms"

  stop_server
  rm -rf "$prefix"
  prefix=""
done

# Median, lowest and highest of the figures on stdin, with $1 decimals.
stats() { sort -g | awk -v d="${1:-1}" '{v[NR]=$1} END {
  m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
  f = "%." d "f"; printf f " " f " " f, m, v[1], v[NR] }'; }
median() { stats 3 <"$work/values/$1" | cut -d' ' -f1; }
show() { read -r m lo hi <<<"$(stats <"$work/values/$1")"; printf "%8.1f  [%s - %s]" "$m" "$lo" "$hi"; }
# Per-run ratios A/B, as median and spread.
ratio() { paste "$work/values/$1" "$work/values/$2" | awk '{printf "%.3f\n", $1 / $2}' | stats 2; }
show_ratio() { read -r m lo hi <<<"$(ratio "$1" "$2")"; printf "%6.2f  [%s - %s]" "$m" "$lo" "$hi"; }

echo
echo "Wall time under Wine, $runs run(s): median [lowest - highest], milliseconds"
printf "  %-26s %s\n" "fresh install" "$(show fresh)"
printf "  %-26s %s\n" "  plain CopyFileA baseline" "$(show copy)"
printf "  %-26s %s\n" "  ratio" "$(show_ratio fresh copy)"
printf "  %-26s %s\n" "  services' own start" "$(show start)"
printf "  %-26s %s\n" "same install again" "$(show again)"
printf "  %-26s %s\n" "  load-and-read baseline" "$(show read)"
printf "  %-26s %s\n" "  ratio" "$(show_ratio again read)"
printf "  %-26s %s\n" "uninstall" "$(show uninstall)"
printf "  %-26s %s\n" "  plain DeleteFileA baseline" "$(show delete)"
printf "  %-26s %s\n" "  ratio" "$(show_ratio uninstall delete)"

# Goals: fresh <= 3 x copy + own start; again <= 3 x load-and-read.
paste "$work/values/copy" "$work/values/start" | awk '{printf "%.3f\n", 3 * $1 + $2}' \
  >"$work/values/fresh_goal"
paste "$work/values/read" | awk '{printf "%.3f\n", 3 * $1}' >"$work/values/again_goal"
verdict() { awk -v r="$(ratio "$1" "$2" | cut -d' ' -f1)" \
  'BEGIN {print (r <= 1 ? "met" : "not met"), "(measured/limit " r ")"}'; }
echo
echo "Goals (per-run limits, medians):"
echo "  fresh install <= 3 x copy + own start ($(median fresh_goal) ms): $(verdict fresh fresh_goal)"
echo "  same install again <= 3 x load-and-read ($(median again_goal) ms): $(verdict again again_goal)"

echo
echo "Single calls under Wine (median per call, ms):"
for f in "$work"/values/cost_*; do
  name=${f##*/cost_}
  printf "  %-16s %8.3f\n" "$name" "$(median "cost_$name")"
done

# What the design's waits and questions cost by themselves.
echo
echo "Floors fixed by the design (from the medians above):"
for service in OrbanetQelC11BA QelC15BA; do
  own=$(median "start_$service")
  call=$(median "call_$service")
  # The start loop reads the state it asked for before each 200 ms pause,
  # so a service that runs after t ms is seen after 200 x (ceil(t/200) + 1).
  awk -v s="$service" -v own="$own" -v call="$call" 'BEGIN {
    t = own - call; if (t < 0) t = 0
    k = (t <= 0) ? 0 : int((t + 199.999) / 200) + 1
    printf "  start of %s: runs %.0f ms after StartServiceA returns (%.0f ms), seen after %d x 200 ms = %d ms\n", s, t, call, k, 200 * k }'
done
if [ -n "$counts" ] && [ -f "$counts" ]; then
  for journey in "fresh install" "install again"; do
    line=$(awk -v j="WinXP, $journey:" '$0 == j {getline; print; exit}' "$counts")
    n() { sed -n "s/.* $1=\([0-9]*\).*/\1/p" <<<" ${line#*calls:}" | head -n 1; }
    awk -v j="$journey" -v scm="$(n OpenSCManagerA)" -v svc="$(n OpenServiceA)" \
      -v cfg="$(n QueryServiceConfigA)" -v st="$(n QueryServiceStatus)" \
      -v ver="$(n GetFileVersionInfoSizeA)" -v pipe="$(n CallNamedPipeA)" \
      -v c_scm="$(median cost_scm_connect)" -v c_svc="$(median cost_service_open)" \
      -v c_cfg="$(median cost_service_config)" -v c_st="$(median cost_service_status)" \
      -v c_ver="$(median cost_version_info)" -v c_pipe="$(median cost_pipe_version)" 'BEGIN {
      scm += 0; svc += 0; cfg += 0; st += 0; ver += 0; pipe += 0
      total = scm * c_scm + svc * c_svc + cfg / 2 * c_cfg + st * c_st + ver * c_ver + pipe * c_pipe
      printf "  %s (call counts of the simulated XP): %d SCM connections, %d service opens, %d configuration queries, %d status queries, %d version-resource reads, %d pipe exchanges = %.0f ms\n", j, scm, svc, cfg / 2, st, ver, pipe, total }'
  done
fi

if [ -n "$scan_sizes" ]; then
  prefix=$work/prefix-scan
  cp -a "$template" "$prefix"
  export WINEPREFIX=$prefix
  "$server" -p
  echo
  echo "Version scan under Wine (files in the prefix's temporary folder, median of 5):"
  host bench_version_scan.exe --sizes "$scan_sizes" --repeat 5 | sed 's/^/  /'
  stop_server
  rm -rf "$prefix"
  prefix=""
fi
