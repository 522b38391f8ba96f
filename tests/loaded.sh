#!/usr/bin/env bash
# The whole suite on a busy machine: `./run.sh test` in fresh clones of this
# checkout's last commit, one run after another, each with stress-ng's busy
# workers beside it from start to end. Prints each run's result and wall
# time; exits non-zero when any run failed. A run's log and, where it
# failed, its clone stay in the folder.
#   tests/loaded.sh [runs] [workers] [folder]
# Three runs beside four workers by default; no workers gives the same runs
# on an idle machine, to compare with.
set -euo pipefail
runs=${1:-3}
workers=${2:-4}
here=$(cd "$(dirname "$0")/.." && pwd)
folder=${3:-$(mktemp -d "${TMPDIR:-/var/tmp}/zindle-loaded.XXXXXX")}
mkdir -p "$folder"

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
if [ "$workers" -gt 0 ] && ! command -v stress-ng >/dev/null; then
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq stress-ng
fi

stress=""
stop_stress() {
  [ -z "$stress" ] && return
  kill "$stress" 2>/dev/null || true
  wait "$stress" 2>/dev/null || true
  stress=""
}
trap stop_stress EXIT

echo "$runs run(s) of $(git -C "$here" log -1 --format='%h %s'), beside $workers busy worker(s), in $folder"
failed=0
for run in $(seq "$runs"); do
  clone="$folder/run-$run"
  log="$folder/run-$run.log"
  rm -rf "$clone"
  git clone -q "$here" "$clone"
  if [ "$workers" -gt 0 ]; then
    stress-ng --cpu "$workers" --quiet &
    stress=$!
  fi
  start=$(date +%s)
  status=0
  (cd "$clone" && ./run.sh test) >"$log" 2>&1 || status=$?
  seconds=$(( $(date +%s) - start ))
  stop_stress
  summary=$(grep -E 'tests passed, [0-9]+ tests failed' "$log" || echo 'no test summary')
  echo "run $run: $summary; exit $status after $((seconds / 60)) min $((seconds % 60)) s (log: $log)"
  if [ "$status" -ne 0 ]; then
    failed=1
    grep -E '^\s+[0-9]+ - ' "$log" || true
  else
    rm -rf "$clone"
  fi
done
exit "$failed"
