#!/usr/bin/env bash
# Times kestal over a generated hub inbound (with 0, 200 and 1000 rules) against
# a plain `cp -r` of the same inbound, bodies crafted against a long mask, and
# the writing of many reports into one netmail directory against a `cp -r` of
# those reports. It prints figures and asserts nothing: the machine
# decides the numbers.
#
#   bash bench/run.sh <build dir> [inbound megabytes, default 200]
#
# The build directory must hold kestal, english.lng and pktgen (a Release build).
# Work files go to <build dir>/bench-data, removed at the end.
set -eu

build=$(cd "${1:?usage: run.sh <build dir> [megabytes]}" && pwd)
megabytes=${2:-200}
source_dir=$(cd "$(dirname "$0")/.." && pwd)
data=$build/bench-data
seed=20261210
rule_count=200
trials=3

for needed in "$build/kestal" "$build/english.lng" "$build/pktgen" "$build/macrobench"; do
  [ -e "$needed" ] || { echo "bench: $needed is missing; build first" >&2; exit 1; }
done
[ -x /usr/bin/time ] || { echo "bench: /usr/bin/time is missing (make bench installs it)" >&2; exit 1; }

rm -rf "$data"
mkdir -p "$data"
trap 'rm -rf "$data"' EXIT

# ---------------------------------------------------------------- measuring

# Flushes this benchmark's files to disk, each with fsync. A plain sync would also
# wait for whatever else the machine is writing.
flush() { find "$@" -print0 | xargs -0 -r sync --; }

# Runs a command with its output in $data/out; sets wall and cpu (user + system)
# in seconds and rss (peak resident KB).
measure() {
  local start end
  start=$(date +%s%N)
  if ! /usr/bin/time -f '%M %U %S' -o "$data/usage" "$@" >"$data/out" 2>&1; then
    echo "bench: failed: $*" >&2
    tail -n 20 "$data/out" >&2
    exit 1
  fi
  end=$(date +%s%N)
  wall=$(awk -v ns=$((end - start)) 'BEGIN { printf "%.3f", ns / 1e9 }')
  read -r rss user system < <(tail -n 1 "$data/usage")
  cpu=$(awk -v u="$user" -v s="$system" 'BEGIN { printf "%.2f", u + s }')
}

median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
largest() { printf '%s\n' "$@" | sort -g | tail -n 1; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }'; }

# The "Messages: N, Removed: M" summary line of a kestal run.
summary() { tr -d '\r' <"$data/out" | grep '^Messages: ' | tail -n 1; }
messages_scanned() { summary | sed 's/^Messages: \([0-9]*\).*/\1/'; }
messages_removed() { summary | sed 's/.*Removed: \([0-9]*\).*/\1/'; }

# ---------------------------------------------------------------- kestal's home

home=$data/home
mkdir -p "$home/templates" "$home/netmail"
cp "$build/kestal" "$build/english.lng" "$home/"
cp "$source_dir"/templates/{save,main,trf,stat}.tpl "$home/templates/"

# [General] for an inbound directory, as a sysop sets it up (log of every packet
# and every caught message, no backups); rules follow.
general() {
  cat <<EOF
[General]
Address=2:5020/100
EchoMailPath=$1
ReportPath=netmail
TemplatePath=templates
Log=Kestal.Log
LogLevel=2
EOF
}

# Words of pktgen's texts, for subject and body masks.
words=(the node packet echo mail area read only sysop point hub modem night call file
  request nodelist zone net today why not again please thanks rules moderator off-topic linux)
word() { echo "${words[$(($1 % ${#words[@]}))]}"; }

# Rules of five kinds, narrow enough that together they catch about 1% of the
# messages, as a hub's read-only rules do: most never fire. Bans of a writer
# cover a group of areas; subject and body filters watch an area or two each.
rules() {
  local i area
  for ((i = 1; i <= ${1:-$rule_count}; i++)); do
    area=$((i % 50 + 1))
    echo
    echo "[Ro]"
    case $((i % 5)) in
      0) # an area list with exclusions and one writer
        echo "Area=BENCH.$((i % 4 + 1))* !BENCH.$((i % 4 + 1)) !BENCH.$((i % 4 + 1))5"
        echo "NameFrom=Writer $((i * 37 % 5000 + 1))" ;;
      1) # a name with a wildcard: a writer or an addressee
        echo "Area=BENCH.$area"
        echo "Name=Writer $((100 + i * 7 % 400))*" ;;
      2) # address masks of the writer
        echo "Area=BENCH.2* BENCH.3* !BENCH.2 !BENCH.3"
        echo "AddrFrom=2:$((5000 + i % 25))/$((i % 200 + 1)) 2:$((5000 + i % 25))/$((i % 200 + 1)).* !2:5020/*" ;;
      3) # a subject
        echo "Area=BENCH.$area BENCH.$(((i + 17) % 50 + 1))"
        echo "Subj=*$(word "$i") $(word $((i * 7)))*" ;;
      4) # a text in the body
        echo "Area=BENCH.$area BENCH.$(((i + 29) % 50 + 1))"
        echo "BodyMask=$(word "$i") $(word $((i * 3))) $(word $((i * 5))) $(word $((i * 11)))" ;;
    esac
    echo "ReportToMain="
  done
}

work=$data/work
general "$work" >"$home/none.ini"
{ general "$work"; rules; } >"$home/rules.ini"
many_rules=1000
{ general "$work"; rules "$many_rules"; } >"$home/many.ini"

# ---------------------------------------------------------------- the inbound

inbound=$data/inbound
mkdir -p "$inbound"
"$build/pktgen" random --seed "$seed" --size-mb "$megabytes" --areas 50 --writers 5000 \
  --out "$inbound" >/dev/null
packets=$(find "$inbound" -type f | wc -l)
bytes=$(find "$inbound" -type f -printf '%s\n' | awk '{ s += $1 } END { print s + 0 }')
mb=$(awk -v b="$bytes" 'BEGIN { printf "%.1f", b / 1048576 }')

# A copy of the inbound to work on, flushed so that kestal does not pay for its
# writeback.
fresh_copy() { rm -rf "$work" && cp -r "$inbound" "$work" && flush "$work"; }

echo "Machine: $(nproc) CPUs, $(sed -n 's/^model name\s*: //p' /proc/cpuinfo | head -n 1)," \
  "load average $(cut -d ' ' -f 1-3 /proc/loadavg)"
echo "Inbound: $packets packets, $bytes bytes ($mb MB), seed $seed, 50 areas, 5000 writers"
echo "Median of $trials runs; the inbound is read once before, so every run starts warm."
echo

# ---------------------------------------------------------------- inbound scan

flush "$inbound"
cat "$inbound"/* >/dev/null
declare -A times cpus rsses
for ((trial = 1; trial <= trials; trial++)); do
  rm -rf "$work"
  measure cp -r "$inbound" "$work"
  times[cp]+=" $wall" cpus[cp]+=" $cpu" rsses[cp]+=" $rss"

  # The same copy made durable file by file, as kestal makes each packet it rewrites.
  rm -rf "$work"
  measure sh -c 'cp -r "$1" "$2" && find "$2" -print0 | xargs -0 sync --' sh "$inbound" "$work"
  times[cpsync]+=" $wall" cpus[cpsync]+=" $cpu" rsses[cpsync]+=" $rss"

  fresh_copy
  measure "$home/kestal" "-C$home/none.ini"
  times[none]+=" $wall" cpus[none]+=" $cpu" rsses[none]+=" $rss"
  messages=$(messages_scanned)

  fresh_copy
  measure "$home/kestal" "-C$home/rules.ini"
  times[rules]+=" $wall" cpus[rules]+=" $cpu" rsses[rules]+=" $rss"
  caught=$(messages_removed)
  rewritten=$(tr -d '\r' <"$data/out" | grep -c '^Messages removed:')

  fresh_copy
  measure "$home/kestal" "-C$home/many.ini"
  times[many]+=" $wall" cpus[many]+=" $cpu" rsses[many]+=" $rss"
done

# The same rules over a quarter of the packets: peak memory must not follow the inbound.
rm -rf "$work" && mkdir -p "$work"
find "$inbound" -type f | sort | head -n $(((packets + 3) / 4)) | xargs cp -t "$work"
flush "$work"
measure "$home/kestal" "-C$home/rules.ini"
quarter_rss=$rss
rm -rf "$work"

cp_time=$(median ${times[cp]})
cpsync_time=$(median ${times[cpsync]})
row() { # label, step
  local time
  time=$(median ${times[$2]})
  awk -v label="$1" -v t="$time" -v c="$(median ${cpus[$2]})" -v b="$bytes" -v m="$messages" \
    -v r="$(largest ${rsses[$2]})" -v f="$cp_time" -v s="$cpsync_time" \
    'BEGIN { printf "%-26s %7.3f %6.2f %8.1f %9.0f %7.1f %7.2fx %8.2fx\n", label, t, c, b / 1048576 / t, m / t, r / 1024, t / f, t / s }'
}
printf '%-26s %7s %6s %8s %9s %7s %8s %9s\n' "" "wall s" "cpu s" "MB/s" "msgs/s" "RSS MB" "vs cp" "vs synced"
row "cp -r" cp
row "cp -r, each file synced" cpsync
row "kestal, 0 rules" none
row "kestal, $rule_count rules" rules
row "kestal, $many_rules rules" many
echo
echo "Messages: $messages; caught by the $rule_count rules and removed: $caught" \
  "($(awk -v c="$caught" -v m="$messages" 'BEGIN { printf "%.2f", (m > 0 ? 100 * c / m : 0) }')%)," \
  "packets rewritten: $rewritten of $packets (each to a new file, synced, renamed over the old)"
echo "Peak RSS with $rule_count rules over a quarter of the packets:" \
  "$(awk -v r="$quarter_rss" 'BEGIN { printf "%.1f", r / 1024 }') MB"
echo "Targets: $rule_count rules at most 3x cp ($(ratio "$(median ${times[rules]})" "$cp_time")x)," \
  "0 rules at most 1.5x cp ($(ratio "$(median ${times[none]})" "$cp_time")x), peak RSS under 64 MB."
echo "A rewritten packet is on disk before it replaces the old one, so the synced copy is the"
echo "floor for the rules run: $(ratio "$(median ${times[rules]})" "$cpsync_time")x of it."
echo

# ---------------------------------------------------------------- a crafted body

# Messages of 100 KB bodies of one repeated letter against a 400-byte mask that
# agrees with them everywhere but in its last byte: the time must stay that of
# reading the text.
crafted_inbound=$data/crafted-inbound
mkdir -p "$crafted_inbound"
awk 'BEGIN {
  line = sprintf("%79s", ""); gsub(/ /, "a", line)
  print "orig 2:5020/1"; print "dest 2:5020/100"
  for (m = 0; m < 20; m++) {
    print "message"; print "area BENCH.1"; print "from Writer " m; print "subject Crafted " m
    for (l = 0; l < 1280; l++) print "line " line
  }
}' | "$build/pktgen" write - "$crafted_inbound/crafted.pkt"
crafted_mask=$(printf '%399s' '' | tr ' ' A)B
{ general "$crafted_inbound"; printf '\n[Ro]\nArea=*\nBodyMask=%s\nReportToMain=\n' "$crafted_mask"; } \
  >"$home/crafted.ini"
crafted_bytes=$(stat -c %s "$crafted_inbound/crafted.pkt")
crafted_times=()
for ((trial = 1; trial <= trials; trial++)); do
  measure "$home/kestal" "-C$home/crafted.ini"
  crafted_times+=("$wall")
done
awk -v t="$(median "${crafted_times[@]}")" -v b="$crafted_bytes" \
  'BEGIN { printf "Crafted: 20 bodies of 100 KB against a 400-byte mask: %.3f s, %.1f MB/s\n\n", t, b / 1048576 / t }'

# ---------------------------------------------------------------- reports

# A packet description of `count` messages of about 2 KB, every one in some area.
report_packet() {
  awk -v count="$1" -v first="$2" 'BEGIN {
    print "orig 2:5020/1"; print "dest 2:5020/100"
    for (m = first; m < first + count; m++) {
      w = m % 5000
      addr = "2:" (5000 + int(w / 200)) "/" (w % 200 + 1)
      print "message"; print "area BENCH." (m % 50 + 1); print "from Writer " (w + 1)
      print "subject Message " m; print "fromaddr " addr; print "toaddr 2:5020/1"
      print "kludge MSGID: " addr " " sprintf("%08x", m); print "kludge CHRS: CP866 2"
      for (l = 0; l < 30; l++) print "line the node packet echo mail area read only sysop point hub modem night"
      print "tearline bench"; print "origin A bench node (" addr ")"
      print "seenby 463/1 5020/1 10 100"; print "path 5020/1"
    }
  }'
}

reports_inbound=$data/reports-inbound
{ general "$reports_inbound"; printf '\n[Ro]\nArea=*\nReportToMain=main.tpl\nReportOnly=Yes\n'; } \
  >"$home/reports.ini"

echo "Reports: one rule reports every message to the sysop; ReportOnly, so the packets stay."
echo "The floor is a cp -r of the reports kestal wrote: as many files, as large, in one directory."
printf '%-8s %8s %7s %6s %8s %7s %9s %9s %9s\n' "reports" "written" "wall s" "cpu s" "cp -r s" \
  "vs cp" "wall/1k" "cpu/1k" "cp/1k"
# Reports of earlier trials are moved aside, not deleted, until the end: ext4 skips
# inodes freed in the last 30 seconds when it allocates, so deleting thousands of
# files just before a trial makes each new file dearer for kestal and cp alike.
spent=$data/spent
mkdir -p "$spent"
set_aside() { [ ! -e "$1" ] || mv "$1" "$spent/$(date +%s%N)"; }
base_time="" base_cpu="" base_copy_time=""
for count in 1000 2000 5000 10000; do
  rm -rf "$reports_inbound" && mkdir -p "$reports_inbound"
  for ((first = 0; first < count; first += 500)); do
    report_packet 500 "$first" | "$build/pktgen" write - "$reports_inbound/$(printf '%08x' "$first").pkt"
  done
  flush "$reports_inbound"
  kestal_times=() kestal_cpus=() copy_times=()
  for ((trial = 1; trial <= trials; trial++)); do
    set_aside "$home/netmail" && set_aside "$data/netmail-copy" && mkdir -p "$home/netmail"
    # Each trial reports the same packets afresh: without this, the record of
    # checked packets rightly makes every trial after the first report nothing.
    rm -f "$reports_inbound/.kestal-checked"
    measure "$home/kestal" "-C$home/reports.ini"
    kestal_times+=("$wall") kestal_cpus+=("$cpu")
    measure cp -r "$home/netmail" "$data/netmail-copy"
    copy_times+=("$wall")
  done
  written=$(find "$home/netmail" -type f | wc -l)
  time=$(median "${kestal_times[@]}")
  cpu=$(median "${kestal_cpus[@]}")
  copy_time=$(median "${copy_times[@]}")
  [ -n "$base_time" ] || base_time=$time base_cpu=$cpu base_copy_time=$copy_time
  awk -v n="$count" -v w="$written" -v t="$time" -v u="$cpu" -v c="$copy_time" \
    -v bt="$base_time" -v bu="$base_cpu" -v bc="$base_copy_time" \
    'BEGIN { printf "%-8d %8d %7.3f %6.2f %8.3f %6.2fx %8.2fx %8.2fx %8.2fx\n",
      n, w, t, u, c, t / c, t / bt, (bu > 0 ? u / bu : 0), c / bc }'
done
echo "The last three columns: kestal's wall and cpu time and the cp -r time, each against its"
echo "own time for 1,000 reports; the cp -r column is how the file system itself grows."
echo "Target: 10,000 reports at most 10x the time of 1,000."

# ---------------------------------------------------------------- templates

echo
echo "Templates: texts and values full of macro names; the time per MB should stay flat."
"$build/macrobench"
