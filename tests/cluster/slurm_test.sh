#!/usr/bin/env bash
# larkspan's command line over a whole tree as a Slurm job array, on a one-node cluster that this test starts
# on the machine itself: munged and the Slurm daemons with their configuration, sockets, state and logs in a
# temporary folder, stopped at the end. Nothing of the system's is touched: no service, nothing under /etc.
# Where the daemons cannot run here it says why and exits 77 (skipped).
# Usage: slurm_test.sh LARKSPAN SAMPLES_DIR
set -uo pipefail
larkspan=$(realpath "$1")
samples=$(realpath "$2")
shards=4

skip() {
  echo "SKIPPED: $*"
  exit 77
}
[[ $EUID -eq 0 ]] || skip "the Slurm daemons and munged run as root here, and this is not root"
for tool in munged mungekey slurmctld slurmd sbatch sinfo squeue scancel scontrol jq pandoc; do
  command -v "$tool" >/dev/null || skip "$tool is not installed (scripts/packages.txt lists its package)"
done

work=$(mktemp -d -t larkspan-slurm.XXXXXX)
# munged refuses a socket whose folders not everyone may enter.
chmod 755 "$work"
mkdir -p "$work/munge" "$work/state" "$work/spool" "$work/logs" "$work/cache"
chmod 755 "$work/munge"
source "$(dirname "${BASH_SOURCE[0]}")/../install/check.sh"
export XDG_CACHE_HOME=$work/cache SLURM_CONF=$work/slurm.conf
unset LARKSPAN_JOBS

# Everything this test started, ended by its id: the cluster's jobs first (every job on it is ours), so that
# no larkspan outlives the cluster, then the daemons.
daemons=()
teardown() {
  if ((${#daemons[@]})); then
    local ids
    ids=$(squeue -h -o %A 2>/dev/null)
    [[ -n $ids ]] && scancel $ids 2>/dev/null
    for _ in $(seq 90); do
      [[ -z $(squeue -h -o %A 2>/dev/null) ]] && break
      sleep 1
    done
  fi
  for pid in "${daemons[@]}"; do kill "$pid" 2>/dev/null; done
  for pid in "${daemons[@]}"; do wait "$pid" 2>/dev/null; done
  daemons=()
  if [[ -s $work/munge/munged.pid ]]; then
    local munged_pid
    munged_pid=$(cat "$work/munge/munged.pid")
    kill "$munged_pid" 2>/dev/null
    # Gone, or a zombie (no command line) that init reaps.
    for _ in $(seq 100); do [[ -s /proc/$munged_pid/cmdline ]] || break; sleep 0.1; done
    rm -f "$work/munge/munged.pid"
  fi
}
finish() {
  local status=$?
  teardown
  if ((status == 0 || status == 77)); then
    rm -rf "$work"
  else
    echo "Kept for a look: $work (logs/ holds the daemons' and the tasks' logs)"
  fi
}
trap finish EXIT
trap 'exit 130' INT TERM

# A port that nothing listens on, below the ephemeral range so that no outgoing connection takes it meanwhile.
free_port() {
  local port
  while :; do
    port=$((20000 + RANDOM % 10000))
    grep -qi "^ *[0-9]*: [0-9A-F]*:$(printf %04X "$port") " /proc/net/tcp /proc/net/tcp6 2>/dev/null || break
  done
  echo "$port"
}

# --- The cluster --------------------------------------------------------------------------------------------
mungekey --create --keyfile="$work/munge/munge.key" >/dev/null 2>&1 ||
  dd if=/dev/urandom of="$work/munge/munge.key" bs=1024 count=1 status=none
chmod 600 "$work/munge/munge.key"
# munged returns once its socket takes requests.
munged --socket="$work/munge/socket" --key-file="$work/munge/munge.key" --pid-file="$work/munge/munged.pid" \
  --log-file="$work/logs/munged.log" --seed-file="$work/munge/seed" >"$work/logs/munged.out" 2>&1 ||
  skip "munged does not start: $(cat "$work/logs/munged.out")"

host=$(hostname -s)
# The node as slurmd finds it: its real CPUs, cores and memory.
node=$(slurmd -C 2>/dev/null | head -n 1)
[[ $node == NodeName=$host\ * ]] || node="NodeName=$host CPUs=$(nproc)"
# Every address is the loopback one: the cluster talks to nothing but this machine.
cat >"$SLURM_CONF" <<EOF
ClusterName=larkspan-test
SlurmctldHost=$host(127.0.0.1)
SlurmUser=root
SlurmdUser=root
SlurmctldPort=$(free_port)
SlurmdPort=$(free_port)
AuthType=auth/munge
CredType=cred/munge
AuthInfo=socket=$work/munge/socket
StateSaveLocation=$work/state
SlurmdSpoolDir=$work/spool
SlurmctldPidFile=$work/slurmctld.pid
SlurmdPidFile=$work/slurmd.pid
SlurmctldLogFile=$work/logs/slurmctld.log
SlurmdLogFile=$work/logs/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
MpiDefault=none
MailProg=/bin/true
ReturnToService=2
# sbatch --wait polls every 2 s while this is under 8, instead of backing off to 32 s, which the array's wall
# time would show; the test reads a finished task's record at once.
MinJobAge=4
$node NodeAddr=127.0.0.1 State=UNKNOWN
PartitionName=test Nodes=ALL Default=YES MaxTime=INFINITE State=UP
EOF
slurmctld -D >"$work/logs/slurmctld.out" 2>&1 &
daemons+=($!)
slurmd -D >"$work/logs/slurmd.out" 2>&1 &
daemons+=($!)
for second in $(seq 60); do
  [[ $(sinfo -h -n "$host" -o %t 2>/dev/null) == idle ]] && break
  for pid in "${daemons[@]}"; do
    kill -0 "$pid" 2>/dev/null ||
      { tail -n 5 "$work"/logs/slurm*.out; skip "a Slurm daemon ended on start (its last words above)"; }
  done
  ((second < 60)) || skip "the node is not idle after 60 s: $(sinfo 2>&1)"
  sleep 1
done
echo "A one-node cluster is up: node $host, $(sinfo -h -n "$host" -o %c) CPUs"

# --- The tree -----------------------------------------------------------------------------------------------
# Mostly .doc copies of the report, each converted; a few .docx ones, copied as they are already the format.
in=$work/in
folders=("Berichte 2024/Q1 März" "Berichte 2024/Q2 Juni/Entwürfe für Jürgen" "Ελληνικά/φάκελος α/βαθύ επίπεδο"
  "Été à Montréal" "plain/a/b/c/d/e" "Ølbryggeri/Årsrapport/Sjøkart og Ærø" "Документы/старые отчёты" "top")
for folder in "${folders[@]}"; do
  mkdir -p "$in/$folder"
  for i in $(seq 1 52); do cp "$samples/report.doc" "$in/$folder/Bericht Nr. $i – Übersicht.doc"; done
  for i in 1 2 3; do
    cp "$samples/memo.docx" "$in/$folder/memo $i für Zoë.docx"
    cp "$samples/letter.docx" "$in/$folder/письмо $i.docx"
  done
done
# Skipped by -r: a hidden folder and a symlinked one.
mkdir -p "$in/.hidden"
cp "$samples/report.doc" "$in/.hidden/secret.doc"
ln -s "$in/Été à Montréal" "$in/link to Montréal"

# The sources by path below IN, and the targets that mirror them below an output folder.
(cd "$in" && find . -type f -name '*.doc*' -not -path './.*' | sed 's|^\./||' | LC_ALL=C sort) \
  >"$work/sources"
sed -E 's/\.docx?$/.docx/' "$work/sources" | LC_ALL=C sort >"$work/targets"
total=$(wc -l <"$work/sources")
documents=$(grep -c '\.doc$' "$work/sources")
echo "The tree: $total documents ($documents .doc, $((total - documents)) .docx) in ${#folders[@]} folders"

# LibreOffice's profile made before anything is timed.
mkdir -p "$work/warm"
"$larkspan" "$samples/report.doc" docx "$work/warm" >"$work/logs/warm.out" 2>&1 ||
  { echo "FAILED: larkspan does not convert a sample:"; cat "$work/logs/warm.out"; exit 1; }

# One task of the array: its shard of the tree, through one engine (each task has one CPU).
cat >"$work/shard.sh" <<'SCRIPT'
#!/bin/bash
# Usage: shard.sh LARKSPAN IN OUT REPORTS-FOLDER
task=$SLURM_ARRAY_TASK_ID
date +%s.%N >"$4/start-$task"
LARKSPAN_JOBS=1 "$1" -r --update --shard-index-env SLURM_ARRAY_TASK_ID --shard-count 4 \
  --report "$4/report-$task.jsonl" "$2" docx "$3"
status=$?
date +%s.%N >"$4/end-$task"
exit $status
SCRIPT
# submit OUT REPORTS-FOLDER [SBATCH-OPTION...]: the array over the whole tree.
submit() {
  local out=$1 reports=$2
  shift 2
  mkdir -p "$out" "$reports"
  sbatch --parsable --array=0-$((shards - 1)) --job-name=larkspan --chdir="$work" \
    --output="$work/logs/%x-%A_%a.out" "$@" "$work/shard.sh" "$larkspan" "$in" "$out" "$reports"
}

# --- Checks -------------------------------------------------------------------------------------------------
# same_lines A B: the two files hold the same lines, each as often; the difference is shown.
same_lines() {
  local difference
  difference=$(diff <(LC_ALL=C sort "$1") <(LC_ALL=C sort "$2")) && return
  head -n 20 <<<"$difference"
  echo "($(wc -l <<<"$difference") lines of difference)"
  return 1
}
# Each line of each report is one whole JSON object.
valid_json_lines() { cat "$@" | jq -R -e 'fromjson | type == "object"' >/dev/null; }
# outcomes OUTCOME... -- REPORT...: the sources reported with one of those outcomes, by path below IN.
outcomes() {
  local wanted=()
  while [[ $1 != -- ]]; do wanted+=("$1") && shift; done
  shift
  cat "$@" | jq -r --arg in "$in/" --args 'select(.type == "file" and (.outcome | IN($ARGS.positional[])))
    | .source | ltrimstr($in)' "${wanted[@]}"
}
file_lines() { jq -c 'select(.type == "file")' "$1" 2>/dev/null | wc -l; }
# totals REPORT...: the totals lines summed over the shards.
totals() {
  cat "$@" | jq -s -c '[.[] | select(.type == "totals")] | {shards: length, files: (map(.files) | add),
    converted: (map(.converted) | add), copied: (map(.copied) | add), skipped: (map(.skipped) | add),
    failed: (map(.failed) | add), refused: (map(.refused) | add)}'
}
expect_totals() { # SHARDS FILES CONVERTED COPIED SKIPPED REPORT...
  local want
  want="{\"shards\":$1,\"files\":$2,\"converted\":$3,\"copied\":$4,\"skipped\":$5,\"failed\":0,\"refused\":0}"
  shift 5
  local got
  got=$(totals "$@")
  [[ $got == "$want" ]] || { echo "totals $got, expected $want" && return 1; }
}
# Each report opens with the run line of its own shard; all four shards are there.
run_lines() {
  local shards_seen
  shards_seen=$(for report in "$@"; do head -n 1 "$report" | jq -r 'select(.type == "run") | .shard'; done |
    LC_ALL=C sort | paste -sd ' ')
  echo "shards: $shards_seen"
  [[ $shards_seen == "0/4 1/4 2/4 3/4" ]]
}
# The sorted sources dealt out by index modulo 4: the shards' sizes differ by one at most.
even_shards() {
  local counts
  counts=$(for report in "$@"; do file_lines "$report"; done | sort -n)
  echo "files per shard:" $counts
  (($(tail -n 1 <<<"$counts") - $(head -n 1 <<<"$counts") <= 1))
}
closes_with_totals() { [[ $(tail -n 1 "$1" | jq -r .type) == totals ]]; }
# The targets below OUT, by path.
list_targets() { (cd "$1" && find . -type f | sed 's|^\./||'); }
# reads_back TARGET: an independent reader finds the words of the sample the target was made from.
reads_back() {
  local words="Quarterly report"
  case $1 in *memo*) words="This memo is short" ;; *письмо*) words="Dear printers" ;; esac
  pandoc -t plain "$1" 2>/dev/null | tr -s ' \n' '  ' | grep -qF "$words"
}
all_read_back() { # OUT: every target expected there
  local bad=0 target
  while IFS= read -r target; do
    reads_back "$1/$target" || { echo "does not read back: $target" && bad=1; }
  done <"$work/targets"
  return $bad
}
no_hidden_files() {
  local hidden
  hidden=$(find "$1" -name '.*')
  [[ -z $hidden ]] || { echo "$hidden" && return 1; }
}
wait_for_array() { # JOB-ID: bounded, the array's tasks may queue behind each other on a busy machine
  local deadline=$((SECONDS + 900))
  while [[ -n $(squeue -h -o %A -j "$1" 2>/dev/null) ]] && ((SECONDS < deadline)); do sleep 1; done
  [[ -z $(squeue -h -o %A -j "$1" 2>/dev/null) ]]
}
cancelled() { # TASK: its record says so within a minute
  local deadline=$((SECONDS + 60))
  until [[ $(scontrol -o show job "$1" 2>&1) == *JobState=CANCELLED* ]]; do
    ((SECONDS < deadline)) || { scontrol -o show job "$1" && return 1; }
    sleep 0.2
  done
}
# Seconds from A to B, clock readings of date +%s.%N.
difference() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.1f", b - a }'; }
per_second() { awk -v n="$1" -v s="$2" 'BEGIN { if (s > 0) printf "%.1f", n / s; else printf "-" }'; }
# When the first task started and the last one ended, as the tasks wrote them down.
first_start() { cat "$1"/start-* | sort -n | head -n 1; }
last_end() { cat "$1"/end-* | sort -n | tail -n 1; }
task_times() {
  local task
  for task in $(seq 0 $((shards - 1))); do
    difference "$(cat "$1/start-$task")" "$(cat "$1/end-$task")" && echo
  done
}
grep '\.doc$' "$work/sources" >"$work/sources.doc"
grep '\.docx$' "$work/sources" >"$work/sources.docx"
copies=$((total - documents))

# --- 1. The whole tree as an array of 4 tasks ---------------------------------------------------------------
started=$(date +%s.%N)
submit "$work/out" "$work/a" --wait >"$work/logs/sbatch-a.out" 2>&1
status=$?
array_seconds=$(difference "$started" "$(date +%s.%N)")
check "the array ends with status 0 (sbatch --wait: $status)" test "$status" -eq 0
check "every document has its target in its mirrored place" \
  same_lines <(list_targets "$work/out") "$work/targets"
reports=("$work"/a/report-*.jsonl)
check "one report per task" test "${#reports[@]}" -eq "$shards"
check "every report line is one whole JSON object" valid_json_lines "${reports[@]}"
check "each report opens with the run line of its shard" run_lines "${reports[@]}"
for report in "${reports[@]}"; do
  check "${report##*/} closes with its totals" closes_with_totals "$report"
done
check "each .doc converted in exactly one report" \
  same_lines <(outcomes converted -- "${reports[@]}") "$work/sources.doc"
check "each .docx copied in exactly one report" \
  same_lines <(outcomes copied -- "${reports[@]}") "$work/sources.docx"
check "the shards are even" even_shards "${reports[@]}"
check "the merged totals" expect_totals "$shards" "$total" "$documents" "$copies" 0 "${reports[@]}"
check "nothing of the hidden or the symlinked folder" \
  test ! -e "$work/out/.hidden" -a ! -e "$work/out/link to Montréal"
for target in "top/Bericht Nr. 1 – Übersicht.docx" \
  "Ελληνικά/φάκελος α/βαθύ επίπεδο/Bericht Nr. 52 – Übersicht.docx" \
  "Ølbryggeri/Årsrapport/Sjøkart og Ærø/memo 2 für Zoë.docx" "Документы/старые отчёты/письмо 3.docx"; do
  check "$target reads back" reads_back "$work/out/$target"
done
array_task_seconds=$(difference "$(first_start "$work/a")" "$(last_end "$work/a")")
array_queued_seconds=$(difference "$started" "$(first_start "$work/a")")
# What follows builds on this round: past a failure here it would only repeat it.
if ((failed)); then
  echo "The first task's log:" && sed 's/^/    /' "$work"/logs/larkspan-*_0.out
  report slurm
  exit 1
fi

# --- 2. A task cancelled in the middle, and the rerun with --update that resumes it -------------------------
id=$(submit "$work/out-b" "$work/b")
# Task 1 goes once it has done a few documents, long before its shard is done.
victim=1
deadline=$((SECONDS + 600))
until (($(file_lines "$work/b/report-$victim.jsonl") >= 3)) || ((SECONDS > deadline)) ||
  [[ -z $(squeue -h -o %A -j "$id" 2>/dev/null) ]]; do sleep 0.2; done
scancel "${id}_$victim"
check "task $victim was cancelled" cancelled "${id}_$victim"
check "the array with a cancelled task ends" wait_for_array "$id"
check "every line of the cut reports is one whole JSON object" valid_json_lines "$work"/b/report-*.jsonl
# Its larkspan ends on the SIGTERM once nothing half-written is left: with no totals, or totals that say so.
check "the cancelled task's report claims no finished run" \
  jq -s -e '[.[] | select(.type == "totals")] | all(.stopped == true)' "$work/b/report-$victim.jsonl"
check "the cancelled task left part of its shard undone" \
  test "$(outcomes converted copied -- "$work/b/report-$victim.jsonl" | wc -l)" -lt $((total / shards))
echo "Cancelled task $victim after $(outcomes converted copied -- "$work/b/report-$victim.jsonl" | wc -l)" \
  "documents; $(list_targets "$work/out-b" | wc -l) targets and $(find "$work/out-b" -name '.*' | wc -l)" \
  "hidden files in its output folder"

# The document its one engine had in hand gets no line, or one that says "stopped": the stop cut it short.
# Yet the engine may have put its whole target in place just before the stop reached it (scancel signals
# larkspan and its engine at once); the rerun then skips it, so it counts as done. Every other task ran to
# its end, so only the cancelled task's one document in hand can be such a file.
outcomes converted copied -- "$work"/b/report-*.jsonl >"$work/done-b"
: >"$work/in-hand-b"
while IFS= read -r source; do
  grep -qxF -- "$source" "$work/done-b" && continue
  [[ -e $work/out-b/${source%.doc*}.docx ]] && echo "$source" >>"$work/in-hand-b"
done <"$work/sources"
check "the cancelled task left one document in hand at most" test "$(wc -l <"$work/in-hand-b")" -le 1
while IFS= read -r source; do
  echo "Not reported as done, yet its target was put in place whole as the stop came: $source"
  echo "$source" >>"$work/done-b"
done <"$work/in-hand-b"

submit "$work/out-b" "$work/c" --wait >"$work/logs/sbatch-c.out" 2>&1
status=$?
check "the rerun ends with status 0 (sbatch --wait: $status)" test "$status" -eq 0
check "every line of the rerun's reports is one whole JSON object" valid_json_lines "$work"/c/report-*.jsonl
check "each document converted exactly once over both rounds" \
  same_lines <(cat "$work/done-b"; outcomes converted copied -- "$work"/c/report-*.jsonl) "$work/sources"
check "the rerun skipped what the first round had done" \
  same_lines <(outcomes skipped -- "$work"/c/report-*.jsonl) "$work/done-b"
check "the rerun's totals" expect_totals "$shards" "$total" \
  "$((documents - $(grep -c '\.doc$' "$work/done-b")))" "$((copies - $(grep -c '\.docx$' "$work/done-b")))" \
  "$(wc -l <"$work/done-b")" "$work"/c/report-*.jsonl
check "every document has its target after the rerun" same_lines <(list_targets "$work/out-b") "$work/targets"
check "no temporary is left" no_hidden_files "$work/out-b"
check "every target reads back" all_read_back "$work/out-b"

# --- 3. The same tree by one plain command-line run, for comparison -----------------------------------------
started=$(date +%s.%N)
"$larkspan" -r "$in" docx "$work/out-plain" >"$work/logs/plain.out" 2>&1
status=$?
plain_seconds=$(difference "$started" "$(date +%s.%N)")
check "the plain run ends with status 0 ($status)" test "$status" -eq 0
check "the plain run mirrors the tree too" same_lines <(list_targets "$work/out-plain") "$work/targets"

echo "Figures: $total documents on $(nproc) CPUs"
echo "  array of $shards tasks, one engine each, sbatch --wait: $array_seconds s" \
  "($(per_second "$total" "$array_seconds") documents/s);" \
  "the first task started $array_queued_seconds s after the submission," \
  "the last ended $array_task_seconds s after the first started" \
  "($(per_second "$total" "$array_task_seconds") documents/s); each task took" $(task_times "$work/a") "s"
echo "  one plain command-line run: $plain_seconds s ($(per_second "$total" "$plain_seconds") documents/s)"

# --- Nothing left running -----------------------------------------------------------------------------------
teardown
left_running() {
  local cmdline left=""
  for cmdline in /proc/[0-9]*/cmdline; do
    [[ $(tr '\0' ' ' <"$cmdline" 2>/dev/null) == *"$work"* ]] && left+=" ${cmdline//[^0-9]/}"
  done
  [[ -z $left ]] || { echo "still running:$left" && return 1; }
}
check "no daemon, job or engine of the test is left running" left_running
report slurm
