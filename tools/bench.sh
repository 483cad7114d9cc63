#!/usr/bin/env bash
# Measures Kestrum against loopback responders and its peers, and writes BENCHMARKS.md at the
# root: one table, every row measured in this run on this machine. Run as root (the peers need
# ports 123 and 37 on 127.0.0.1). Nothing here may set the clock: ntpdig and rdate only query
# (no -S/-s, -p prints), chronyd runs only with -Q -x (and from a scratch copy that is never
# installed, so no package script can start a chronyd that disciplines the clock), the accuracy
# step and Kestrum.exe run in user namespaces that have no right to the clock, with only a
# loopback network (Kestrum.exe's 同　期 is pressed there).
#
#   tools/bench.sh            everything (about eight minutes; the first build takes longer)
#   tools/bench.sh --no-wine  without the Windows builds and the run under Wine
#   tools/bench.sh --accuracy only the accuracy section of BENCHMARKS.md, measured anew
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
with_wine=1 accuracy_only=0
[ "${1:-}" = "--no-wine" ] && with_wine=0
[ "${1:-}" = "--accuracy" ] && with_wine=0 accuracy_only=1

out=build/bench/results
peers=build/bench/peers
mkdir -p "$out" "$peers"
rm -f "$out"/*

step() { printf '\n=== %s ===\n' "$*"; }

step "Packages"
if [ $accuracy_only = 1 ]; then
  tools/install-deps.sh ntpsec-ntpdig
else
  tools/install-deps.sh hyperfine ntpsec-ntpdig rdate time
fi
if [ $with_wine = 1 ]; then
  status=0
  tools/check-wine.sh || status=$?
  if [ "$status" -eq 3 ]; then
    echo "NOT RUN: the rows of Kestrum.exe under Wine (this kernel runs no 32-bit code)."
    with_wine=0
  elif [ "$status" -ne 0 ]; then
    exit "$status"
  fi
fi
# chrony conflicts with the machine's time service: a scratch copy, never installed (a
# chronyd already installed by hand is used as it is: it too runs only with -Q -x here).
chronyd=$peers/chrony/usr/sbin/chronyd
[ ! -x "$chronyd" ] && [ -x /usr/sbin/chronyd ] && chronyd=/usr/sbin/chronyd
if [ ! -x "$chronyd" ]; then
  (cd "$peers" && rm -f chrony_*.deb && apt-get download chrony >/dev/null 2>&1)
  dpkg-deb -x "$peers"/chrony_*.deb "$peers/chrony"
fi

step "Builds"
cmake --preset bench >/dev/null
cmake --build --preset bench -j2 --target kestrum-bench kestrum-responder
bin=build/bench
if [ $with_wine = 1 ]; then
  cmake --preset win32 >/dev/null
  cmake --build --preset win32 -j2 --target Kestrum kestrum-floor-window kestrum-startwatch
  cmake --preset win64 >/dev/null
  cmake --build --preset win64 -j2 --target Kestrum
fi

step "Accuracy: a responder 1.2 s ahead behind a delayed path"
# In a user and network namespace of its own: only loopback exists, port 123 is free, and no
# process there has the right to set the machine's clock (chronyd also runs with -Q -x). The
# path is made in user space (no netem here): kestrum-bench serve holds each request before it
# stamps the receive time and each reply after it stamps the transmit time.
cat >"$peers/chrony-path.conf" <<EOF
server 127.0.0.1 port 123 iburst minpoll -1 maxpoll -1
pidfile $root/$peers/chronyd-path.pid
cmdport 0
port 0
EOF
unshare -Urn --fork bash -s -- "$root/$bin" "$root/$out" "$chronyd" "$root/$peers" \
  <<'PATHS' || { echo "accuracy step failed" >&2; exit 1; }
set -euo pipefail
bin=$1 out=$2 chronyd=$3 peers=$4
shift_s=1.2
ip link set lo up
# out back jitter (ms); the file names carry them.
for path in "0 0 0" "50 50 0" "150 150 0" "200 20 0" "20 200 0" "50 50 20"; do
  read -r o b j <<<"$path"
  name=${o}_${b}_${j}
  rm -f "$out/path_ready"
  "$bin/bench/kestrum-bench" serve 123 "$shift_s" "$o" "$b" "$j" 900 "$out/path_ready" &
  server=$!
  for _ in $(seq 50); do [ -s "$out/path_ready" ] && break; sleep 0.1; done
  "$bin/bench/kestrum-bench" offset "$shift_s" 20 123 >"$out/accuracy_${name}_kestrum.txt"
  for _ in $(seq 10); do ntpdig -t 2 127.0.0.1 || true; done >"$out/accuracy_${name}_ntpdig.txt" 2>&1
  for _ in $(seq 3); do
    timeout 60 "$chronyd" -Q -x -u root -f "$peers/chrony-path.conf" -L 0 || true
  done >"$out/accuracy_${name}_chronyd.txt" 2>&1
  if [ "$name" = 150_150_0 ]; then
    # The whole sequence, a press of 時刻取得 headless; its local clock is Japan's.
    TZ=Asia/Tokyo "$bin/bench/kestrum-bench" headless 10 123 "$shift_s" \
      >"$out/accuracy_headless.txt"
  fi
  kill "$server"
  wait "$server" || true
done
PATHS
cat "$out"/accuracy_*_kestrum.txt "$out/accuracy_headless.txt"
if [ $accuracy_only = 1 ]; then
  python3 tools/bench_report.py --accuracy-only "$out" BENCHMARKS.md >"$out/BENCHMARKS.md"
  mv "$out/BENCHMARKS.md" BENCHMARKS.md
  sed -n '/^## Accuracy/,/^Notes:/p' BENCHMARKS.md
  exit 0
fi

step "Client exchanges against their floors, interleaved (twice, to see that they agree)"
for run in 1 2; do
  "$bin/bench/kestrum-bench" interleaved 9 300 | tee "$out/interleaved_$run.txt"
done

step "Offset error"
"$bin/bench/kestrum-bench" offset 3.25 200 | tee "$out/offset_plus.txt"
"$bin/bench/kestrum-bench" offset -0.994 200 | tee "$out/offset_minus.txt"

step "Headless get time"
"$bin/bench/kestrum-bench" headless 50 | tee "$out/headless.txt"
# Peak memory of one whole sequence, in a process of its own.
"$bin/bench/kestrum-bench" headless 1 | tee "$out/headless_once.txt"

step "Peers"
responder_pid=
stop_responder() { [ -z "$responder_pid" ] || kill "$responder_pid" 2>/dev/null || true; }
trap stop_responder EXIT
"$bin/tests/responders/kestrum-responder" --sntp-port 123 --time-port 37 --http-port off \
  --duration 900 --ready-file "$out/peer_ports.txt" >/dev/null &
responder_pid=$!
for _ in $(seq 50); do [ -s "$out/peer_ports.txt" ] && break; sleep 0.1; done
[ -s "$out/peer_ports.txt" ] || { echo "responder did not start on 123/37" >&2; exit 1; }
cat >"$peers/chrony.conf" <<EOF
server 127.0.0.1 port 123 iburst minpoll -6 maxpoll -6
pidfile $root/$peers/chronyd.pid
cmdport 0
port 0
EOF
hyperfine -N --warmup 2 --runs 20 --export-json "$out/peers.json" \
  -n ntpdig "ntpdig -t 2 127.0.0.1" \
  -n chronyd "$chronyd -Q -x -u root -f $root/$peers/chrony.conf -L 3" \
  -n rdate "rdate -p 127.0.0.1"
stop_responder
responder_pid=

if [ $with_wine = 1 ]; then
  step "Kestrum.exe (PE32) under Wine: start-up against the floor, then one synchronise"
  tools/wine-prefix.sh
  . tools/wine-env.sh
  . tools/xvfb.sh
  [ -n "${DISPLAY:-}" ] || start_virtual_display
  # A prefix of its own, so that its wineserver starts inside the namespace.
  prefix=$root/build/bench/wineprefix
  [ -d "$prefix" ] || cp -a "$WINEPREFIX" "$prefix"
  run=$root/build/bench/wine-run
  rm -rf "$run" && mkdir -p "$run"
  cp build/win32/app/Kestrum.exe build/win32/bench/win32/kestrum-floor-window.exe \
    build/win32/bench/win32/kestrum-startwatch.exe "$run/"
  wine32=${KESTRUM_WINE32:-/usr/lib/wine/wine}
  winrun="Z:${run//\//\\}"
  hosts="127.0.0.1 localhost www.msftconnecttest.com"
  for h in $(sed -n '/kServers = {/,/};/p' app/servers.h | grep -o '"[^"]*"' | tr -d '"'); do
    hosts="$hosts $h"
  done
  printf '%s\n' "$hosts" >"$run/hosts"
  printf 'hosts: files\n' >"$run/nsswitch.conf"
  # Process start to the painted window, in turn: the main window, the progress window of an
  # unattended run (/S 0, whose network probe and queries meet the loopback responders), and
  # the floor, a minimal window program of the same toolchain; in the namespace described below.
  unshare -Urnm --fork bash -c "
    ip link set lo up
    mount --bind '$run/hosts' /etc/hosts
    mount --bind '$run/nsswitch.conf' /etc/nsswitch.conf
    '$root/$bin/tests/responders/kestrum-responder' --sntp-port 123 --time-port 37 \
      --http-port 80 --duration 900 --ready-file '$run/ready-start' >/dev/null &
    responder=\$!
    for _ in \$(seq 50); do [ -s '$run/ready-start' ] && break; sleep 0.1; done
    export WINEPREFIX='$prefix' TZ=Asia/Tokyo
    cd '$run'
    timeout 900 '$wine32' kestrum-startwatch.exe 15 \
      main 311 172 '$winrun\\Kestrum.exe' -- \
      progress 263 99 '$winrun\\Kestrum.exe' /S 0 -- \
      floor 311 172 '$winrun\\kestrum-floor-window.exe' >'$run/startwatch.txt' || true
    '$KESTRUM_WINESERVER' -k || true
    kill \$responder
  " </dev/null >"$run/startwatch-log.txt" 2>&1 || true
  cat "$run/startwatch.txt" || true
  rm -f "$run/Environ.ini"

  # User namespace: root inside, no right to the machine's clock; only loopback exists. The
  # program is stopped by the time-out once the button has been pressed; /usr/bin/time still
  # reports its peak.
  unshare -Urnm --fork bash -c "
    ip link set lo up
    mount --bind '$run/hosts' /etc/hosts
    mount --bind '$run/nsswitch.conf' /etc/nsswitch.conf
    '$root/$bin/tests/responders/kestrum-responder' --sntp-port 123 --time-port 37 \
      --http-port 80 --duration 120 --ready-file '$run/ready' >/dev/null &
    for _ in \$(seq 50); do [ -s '$run/ready' ] && break; sleep 0.1; done
    export WINEPREFIX='$prefix' TZ=Asia/Tokyo
    cd '$run'
    /usr/bin/time -f '%M %e' -o '$run/time.txt' timeout 40 '$wine32' Kestrum.exe || true
    '$KESTRUM_WINESERVER' -w || true
  " </dev/null >"$run/log.txt" 2>&1 &
  wine_pid=$!
  window=
  for _ in $(seq 120); do
    window=$(xdotool search --name '^Kestrum$' 2>/dev/null | head -1) && [ -n "$window" ] && break
    sleep 0.25
  done
  if [ -n "$window" ]; then
    sleep 2
    # 同　期: right button of the centred 311 x 172 window on the 1024 x 768 virtual desktop.
    xdotool mousemove 607 416 click 1
    sleep 5
    import -window root "$out/wine-sync.png" || true
  fi
  wait "$wine_pid" || true
  cp "$run/time.txt" "$out/wine_time.txt" 2>/dev/null || true
  cp "$run/startwatch.txt" "$out/startwatch.txt" 2>/dev/null || true
  [ -f "$run/Environ.ini" ] && cp "$run/Environ.ini" "$out/wine_environ.ini"
fi

step "BENCHMARKS.md"
python3 tools/bench_report.py "$out" build/win32/app/Kestrum.exe build/win64/app/Kestrum.exe \
  build/win32/bench/win32/kestrum-floor-window.exe >BENCHMARKS.md
cat BENCHMARKS.md
