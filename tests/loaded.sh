#!/usr/bin/env bash
# The whole suite on a busy machine: `./run.sh test` in fresh clones of this
# checkout's last commit, one run after another, each beside stress-ng's busy
# workers from start to end. Prints each run's result and wall time, keeps
# the logs and a failed run's clone, and exits non-zero when a run failed.
#   tests/loaded.sh [runs] [workers]    (3 and 4; 0 workers: an idle machine)
set -euo pipefail
runs=${1:-3} workers=${2:-4}
here=$(cd "$(dirname "$0")/.." && pwd)
folder=$(mktemp -d "${TMPDIR:-/var/tmp}/zindle-loaded.XXXXXX")
if [ "$workers" -gt 0 ] && ! command -v stress-ng >/dev/null; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq stress-ng
fi
stress=""
trap '[ -z "$stress" ] || kill "$stress"' EXIT

echo "$runs run(s) of $(git -C "$here" log -1 --format='%h %s'), beside $workers busy worker(s), in $folder"
failed=0
for run in $(seq "$runs"); do
  clone=$folder/run-$run
  git clone -q "$here" "$clone"
  if [ "$workers" -gt 0 ]; then
    stress-ng --cpu "$workers" --quiet &
    stress=$!
  fi
  start=$(date +%s) status=0
  (cd "$clone" && ./run.sh test) >"$clone.log" 2>&1 || status=$? failed=1
  seconds=$(($(date +%s) - start))
  [ -z "$stress" ] || { kill "$stress"; wait "$stress" || true; stress=""; }
  echo "run $run: $(grep -E 'tests passed, ' "$clone.log" || echo 'no test summary');" \
    "exit $status after $((seconds / 60)) min $((seconds % 60)) s"
  [ "$status" -ne 0 ] || rm -rf "$clone"
done
exit "$failed"
