#!/usr/bin/env bash
# The sample scenario (examples/timesheet.scn) with the real engine on both systems: vbhost.exe
# launching WNORB16.EXE over DDE under Wine, on Debian's RCS through the test wrappers, and
# Linux's vbhost with its WNORB16.EXE over D-Bus. The transcripts must be the same but for the
# folder each system names (C:\ mapped on Linux, Wine's Z:), the short names each chooses and
# where each engine program lies.
# Usage: sample_scenario_win32.sh SOURCE_DIR WINDOWS_BIN RCS_WRAPPERS LINUX_BIN -- WINE_COMMAND...
set -euo pipefail
source_dir=$1 windows_bin=$2 rcs_wrappers=$3 linux_bin=$4
shift 5
wine_run=("$@")
if [[ ! -x $linux_bin/vbhost || ! -x $linux_bin/WNORB16.EXE ]]; then
  echo "no Linux build in $linux_bin (scripts/test builds it first): nothing to compare with" >&2
  exit 1
fi
work=$(mktemp -d /tmp/norbvb5-sample-XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/win/bin" "$work/linux/config/norbvb5"
cp -r "$source_dir/examples/." "$work/win/"
cp -r "$source_dir/examples/." "$work/linux/"
cp "$windows_bin/vbhost.exe" "$windows_bin/WNORB16.EXE" "$work/win/bin/"
wrappers=$("${wine_run[@]}" winepath -w "$rcs_wrappers" 2>/dev/null | tr -d '\r')
# The settings of everyone beside the Windows engine; the Linux engine's in its own config folder.
printf '[Engine]\r\nLocking=Y\r\nUserID=ann\r\nStore=rcs\r\nRcsPrograms=%s\r\n' "$wrappers" >"$work/win/bin/WNORB.INI"
printf '[Engine]\r\nLocking=Y\r\nUserID=ann\r\nStore=rcs\r\n' >"$work/linux/config/norbvb5/WNORB.INI"

# Every output to a file: an engine left running must not hold the test's own output open.
(cd "$work/win" && "${wine_run[@]}" bin/vbhost.exe run timesheet.scn </dev/null >transcript.jsonl 2>errors.txt)
(cd "$work/linux" && XDG_CONFIG_HOME="$work/linux/config" "$linux_bin/vbhost" run timesheet.scn \
  </dev/null >transcript.jsonl 2>errors.txt)

# Each system's own folder names and short names, then the dates of the history.
win_root=$("${wine_run[@]}" winepath -w "$work/win" 2>/dev/null | tr -d '\r' | sed 's/\\/\\\\\\\\/g')
linux_root="C:$(echo "$work/linux" | sed 's|/|\\\\\\\\|g')"
normal() {
  tr -d '\r' <"$1" | sed -E "s/$2/ROOT/g; s/[A-Z0-9]{1,6}~[A-Z0-9]{1,3}(\.[A-Z]{1,3})?/SHORT\1/g;
    s/[CZ]:\\\\\\\\tmp\\\\\\\\SHORT\\\\\\\\(win|linux)/ROOT/g;
    s/\"launch\",\"command\":\"[^\"]*WNORB16 -L/\"launch\",\"command\":\"BIN WNORB16 -L/;
    s#[0-9]{4}/[0-9]{2}/[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}#DATE#g"
}
normal "$work/win/transcript.jsonl" "$win_root" >"$work/win.txt"
normal "$work/linux/transcript.jsonl" "$linux_root" >"$work/linux.txt"
if ! grep -q '"lockmode","value":1' "$work/win.txt" || ! grep -q 'archive created with revision 1.1' "$work/win.txt"; then
  echo "the Windows run did not reach the engine:" >&2
  cat "$work/win.txt" >&2
  exit 1
fi
if ! diff -u "$work/linux.txt" "$work/win.txt"; then
  echo "the Windows transcript differs from Linux's (above: - Linux, + Windows)" >&2
  exit 1
fi
echo "the sample scenario's $(wc -l <"$work/win.txt") transcript lines are the same on Windows as on Linux"
