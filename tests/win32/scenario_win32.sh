#!/usr/bin/env bash
# A scenario with the real programs on both systems: vbhost.exe launching WNORB16.EXE over DDE
# under Wine, on Debian's RCS through the test wrappers, and Linux's vbhost with its WNORB16.EXE
# over D-Bus (a private bus of the run's). The transcripts must be the same but for the folder
# each system names (C:\ mapped on Linux, Wine's Z:), the short names each chooses, where each
# engine program lies, the dates of a history and how often a launched engine was waited for.
#   examples/timesheet.scn: the sample, run in a copy of examples/ by vbhost's own engine.
#   tests/host/scenarios/NAME.scn: each case in a folder of its own, as the scenario tests write
#   it (CASE_TOOL, tests/host/scenario_case.cpp), with the real engine in the project's bin/;
#   with "real" after it, without the scripted engine's lines, so each case meets the real engine.
# Usage: scenario_win32.sh SOURCE_DIR WINDOWS_BIN RCS_WRAPPERS LINUX_BIN CASE_TOOL SCENARIO [real] -- WINE_COMMAND...
set -euo pipefail
source_dir=$1 windows_bin=$2 rcs_wrappers=$3 linux_bin=$4 case_tool=$5 scenario=$6
real=()
[[ $7 == real ]] && real=(--real) && shift
shift 7
wine_run=("$@")
if [[ ! -x $linux_bin/vbhost || ! -x $linux_bin/WNORB16.EXE || ! -x $case_tool ]]; then
  echo "no Linux build in $linux_bin (scripts/test builds it first): nothing to compare with" >&2
  exit 1
fi
work=$(mktemp -d /tmp/norbvb5-scn-XXXXXX)
# NORB_SCENARIO_KEEP=1 keeps the run folders and transcripts, to look at a difference.
[[ -n ${NORB_SCENARIO_KEEP:-} ]] && echo "kept in $work" || trap 'rm -rf "$work"' EXIT
mkdir -p "$work/win-bin" "$work/config/norbvb5"
cp "$windows_bin/vbhost.exe" "$windows_bin/WNORB16.EXE" "$work/win-bin/"
# Wine's Z: is Linux's root.
windows_path() { echo "Z:${1//\//\\}"; }
# The settings of everyone beside the Windows engine; the Linux engine's in its own config folder.
printf '[Engine]\r\nLocking=Y\r\nUserID=ann\r\nStore=rcs\r\nRcsPrograms=%s\r\n' "$(windows_path "$rcs_wrappers")" \
  >"$work/win-bin/WNORB.INI"
printf '[Engine]\r\nLocking=Y\r\nUserID=ann\r\nStore=rcs\r\n' >"$work/linux.ini"
cp "$work/linux.ini" "$work/config/norbvb5/WNORB.INI"
linux_config=$work/config

# Each system's own names for the run's folder (JSON doubles the backslashes), short names, where
# the sample's engine was launched from (each build's own folder), the dates of a history; the
# waits for a launched engine depend on how fast it starts.
sample=$([[ $scenario == examples/* ]] && echo 1 || true)
normal() { # FILE WINDOWS_FOLDER
  tr -d '\r' <"$1" | ROOT="${2//\\/\\\\}" RAW=$2 SAMPLE=$sample perl -ne '
    next if /"event":"await"/;
    s/\Q$ENV{ROOT}\E/ROOT/g; s/\Q$ENV{RAW}\E/ROOT/g;
    s/[A-Z0-9]{1,6}~[A-Z0-9]{1,3}(\.[A-Z]{1,3})?/SHORT$1/g;
    s/[CZ]:\\\\tmp\\\\SHORT\\\\(win|linux)(\\\\[0-9]+)?/SHORT-ROOT/g;
    s/"launch","command":"[^"]*WNORB16 -L/"launch","command":"BIN WNORB16 -L/ if $ENV{SAMPLE};
    s#[0-9]{4}/[0-9]{2}/[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}#DATE#g;
    print'
}

# Runs SCRIPT in the folders win/N and linux/N with each system's programs and compares.
failed=0
compare() { # N TITLE SCRIPT LINUX_VBHOST
  local win=$work/win/$1 linux=$work/linux/$1 status
  # Every output to a file: an engine left running must not hold the test's own output open.
  status=0
  (cd "$win" && "${wine_run[@]}" "$work/win-bin/vbhost.exe" run "$3" </dev/null >transcript.jsonl 2>errors.txt) ||
    status=$?
  echo "exit $status" >>"$win/errors.txt"
  # An engine the run launched serves on under Wine: it must not answer the next case's links.
  if grep -q '"event":"launch".*"started":true' "$win/transcript.jsonl"; then
    "${wine_run[@]}" taskkill /F /IM WNORB16.EXE >/dev/null 2>&1 || true
  fi
  status=0
  # A bus of the run's own, as the Linux scenario tests have: on a session bus another engine
  # (a developer's) could answer.
  (cd "$linux" && env -u DBUS_SESSION_BUS_ADDRESS XDG_CONFIG_HOME="$linux_config" "$4" run "$3" </dev/null \
    >transcript.jsonl 2>errors.txt) ||
    status=$?
  echo "exit $status" >>"$linux/errors.txt"
  local win_root linux_root
  win_root=$(windows_path "$win") linux_root="C:${linux//\//\\}"
  for side in win linux; do
    local root=$win_root folder=$win
    [[ $side == linux ]] && root=$linux_root folder=$linux
    { normal "$folder/transcript.jsonl" "$root"; normal "$folder/errors.txt" "$root" | sed 's/^/stderr: /'; } |
      sed "s|Z:$folder|ROOT|g; s|$folder|ROOT|g" >"$work/$side.$1.txt"
  done
  if ! diff -u "$work/linux.$1.txt" "$work/win.$1.txt" >"$work/diff.$1.txt"; then
    echo "case $1 ($2): the Windows transcript differs from Linux's (- Linux, + Windows):"
    cat "$work/diff.$1.txt"
    failed=1
  else
    echo "case $1 ($2): $(wc -l <"$work/win.$1.txt") lines the same on both"
  fi
}

if [[ $scenario == examples/* ]]; then
  mkdir -p "$work/win/1" "$work/linux/1"
  cp -r "$source_dir/examples/." "$work/win/1/"
  cp -r "$source_dir/examples/." "$work/linux/1/"
  # vbhost.exe's own folder holds the engine, as Linux's build folder does.
  compare 1 "$scenario" "$(basename "$scenario")" "$linux_bin/vbhost"
  if ! grep -q '"lockmode","value":1' "$work/win.1.txt" ||
    ! grep -q 'archive created with revision 1.1' "$work/win.1.txt"; then
    echo "the Windows run did not reach the engine:" >&2
    cat "$work/win.1.txt" >&2
    exit 1
  fi
  exit $failed
fi

# A configuration folder with no settings: the engines read theirs beside them.
linux_config=$work/no-config
cases=$("$case_tool" "$source_dir/$scenario")
for ((n = 1; n <= cases; n++)); do
  mkdir -p "$work/win/$n" "$work/linux/$n"
  title=$("$case_tool" "${real[@]}" "$source_dir/$scenario" "$n" "$work/win/$n" "$(windows_path "$work/win/$n")")
  "$case_tool" "${real[@]}" "$source_dir/$scenario" "$n" "$work/linux/$n" "C:${work//\//\\}\\linux\\$n" >/dev/null
  # The real engines in the project's bin/, where the case installs the add-in, each with its
  # settings beside it (so both name them in the same place: CONFIG's answer shows where).
  cp "$work/win-bin/WNORB16.EXE" "$work/win-bin/WNORB.INI" "$work/win/$n/bin/"
  cp "$work/linux.ini" "$work/linux/$n/bin/WNORB.INI"
  # (the fixture's empty stand-in goes first: a copy over it would keep its mode, not executable)
  rm "$work/linux/$n/bin/WNORB16.EXE" && cp "$linux_bin/WNORB16.EXE" "$work/linux/$n/bin/"
  compare "$n" "${title:-one case}" s.scn "$linux_bin/vbhost"
  # Without the scripted engine every case connects, so both runs must have reached a real one:
  # two engines that never started would give equal transcripts too.
  if [[ ${#real[@]} -gt 0 ]] && ! grep -q '"event":"link".*"ok":true' "$work/win.$n.txt"; then
    echo "case $n: the Windows run never linked to the engine"
    failed=1
  fi
done
exit $failed
