#!/bin/sh
# The state folder's peak size during a large run and its undo, against the
# log database's final size. Prints the figures; writes only under SCRATCH.
#   bench/statepeak.sh [QUENLOCK] [COUNT] [SCRATCH]
set -eu
quenlock=$(realpath "${1:-build/bin/quenlock}")
count=${2:-200000}
scratch=${3:-$(mktemp -d)}
export XDG_CONFIG_HOME="$scratch/config" XDG_STATE_HOME="$scratch/state" XDG_DATA_HOME="$scratch/data"
store="$scratch/store"
mkdir -p "$store/contacts" "$XDG_STATE_HOME"
i=0
while [ "$i" -lt "$count" ]; do
    printf 'BEGIN:VCARD\r\nVERSION:3.0\r\nUID:c%d\r\nFN:Person %d\r\nN:%d;Person;;;\r\nTEL;TYPE=WORK,VOICE:(503) 555-%04d\r\nEND:VCARD\r\n' \
        "$i" "$i" "$i" "$((i % 10000))" > "$store/contacts/c$i.vcf"
    i=$((i + 1))
done
"$quenlock" set 'SearchFor=\(503\)' 'ReplaceWith=(458)' BusinessPhone=1 FolderCount=1 \
    FolderName1=contacts FolderEntryId1=contacts "FolderStoreId1=$(realpath "$store")" >/dev/null

# Samples the state folder every 20 ms while the command runs; prints the peak.
peak_of() {
    "$@" >/dev/null 2>&1 &
    pid=$!
    peak=0
    while kill -0 "$pid" 2>/dev/null; do
        size=$(du -sb "$XDG_STATE_HOME" 2>/dev/null | cut -f1)
        [ "${size:-0}" -gt "$peak" ] && peak=$size
        sleep 0.02
    done
    wait "$pid" || true
    echo "$peak"
}
start=$(date +%s.%N)
run_peak=$(peak_of "$quenlock" run --yes --quiet --store "$store")
run_time=$(echo "$(date +%s.%N) - $start" | bc)
run_db=$(stat -c %s "$XDG_STATE_HOME/quenlock/logs.sqlite")
start=$(date +%s.%N)
undo_peak=$(peak_of "$quenlock" undo --last --yes --quiet --store "$store")
undo_time=$(echo "$(date +%s.%N) - $start" | bc)
undo_db=$(stat -c %s "$XDG_STATE_HOME/quenlock/logs.sqlite")
echo "$count contacts changed"
echo "run:  ${run_time}s, state folder peak $run_peak bytes, database after $run_db bytes, peak/database $(echo "scale=2; $run_peak / $run_db" | bc)"
echo "undo: ${undo_time}s, state folder peak $undo_peak bytes, database after $undo_db bytes, peak/database $(echo "scale=2; $undo_peak / $undo_db" | bc)"
echo "scratch left in $scratch"
