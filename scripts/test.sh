#!/usr/bin/env bash
# The test command. Runs, in order:
#   1. scripts/setup.sh (packages and MinGW dependencies; quick when all is there),
#   2. native: the portable half built with g++ under ASan and UBSan, its tests by CTest,
#   2b. tsan: the search engine's suites built with g++ under ThreadSanitizer,
#   3. windows: the MinGW build, its test programs by CTest under Wine, with one
#      Xvfb display and one fresh WINEPREFIX (HOME an empty folder) for the whole run,
#   4. fuzz: every libFuzzer target for a short run.
# Every stage runs even when an earlier one failed. The counts come from the
# GoogleTest XML reports (one per test program) and CTest's JUnit report; a fuzz
# target counts as one test. The last line reads "N passed, M failed, K skipped".
#
# Environment knobs: LORVEX_FUZZ_SECONDS (default 20) per fuzz target,
# LORVEX_TEST_TIMEOUT (default 600) seconds before CTest ends a hung test program.
set -uo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$ROOT" || exit 1

JOBS="$(nproc)"
FUZZ_SECONDS="${LORVEX_FUZZ_SECONDS:-20}"
TEST_TIMEOUT="${LORVEX_TEST_TIMEOUT:-600}"
START_SECONDS=$SECONDS
TMP="$(mktemp -d "${TMPDIR:-/tmp}/lorvex-test.XXXXXX")" || exit 1

PASSED=0 FAILED=0 SKIPPED=0
PROBLEMS=()
XVFB_PID= WINE_STARTED=
WINE_ENV=()

banner() { printf '\n===== %s =====\n' "$*"; }
problem() {
  PROBLEMS+=("$1")
  printf '*** %s\n' "$1"
}

# Runs one step of a stage; a failing step counts as one failure.
step() {
  local what=$1; shift
  printf -- '--- %s: %s\n' "$what" "$*"
  if ! "$@"; then
    FAILED=$((FAILED + 1))
    problem "$what failed"
    return 1
  fi
}

cleanup() {
  stop_wine
  rm -rf "$TMP" 2>/dev/null
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# --- counting --------------------------------------------------------------

# Prints "tests failures disabled skipped" of one GoogleTest XML report: the
# totals of its top-level <testsuites> element, skipped tests counted by their
# <skipped> elements.
gtest_totals() {
  awk '
    function attr(name,   m) {
      if (match(top, " " name "=\"[0-9]+\"")) {
        m = substr(top, RSTART, RLENGTH); gsub(/[^0-9]/, "", m); return m + 0
      }
      return 0
    }
    /<testsuites / && top == "" { top = $0 }
    /<skipped/ { skipped++ }
    END { print attr("tests"), attr("failures") + attr("errors"), attr("disabled"), skipped + 0 }
  ' "$1"
}

# Prints one line "name<TAB>outcome" per test of CTest's JUnit report, the
# outcome being passed, failed or skipped (a disabled test, or one that asked
# to be skipped with its SKIP_RETURN_CODE; a test whose program is missing failed).
ctest_outcomes() {
  awk '
    function flush() { if (name != "") print name "\t" outcome; name = "" }
    /<testcase / {
      flush()
      name = $0; sub(/.*<testcase name="/, "", name); sub(/".*/, "", name)
      status = $0; sub(/.* status="/, "", status); sub(/".*/, "", status)
      outcome = status == "run" ? "passed" : status == "disabled" ? "skipped" : "failed"
    }
    /<skipped message="SKIP_RETURN_CODE/ { outcome = "skipped" }
    END { flush() }
  ' "$1"
}

# Adds up one CTest run ($2 its exit code). The GoogleTest reports in $3 give
# the test cases. CTest's JUnit report $4 adds what they cannot show: a test
# program that failed with no failing test case in any report (it crashed,
# a sanitizer spoke at exit, it timed out, it is missing) is one failure more,
# and tests that are not GoogleTest programs count one each.
count_ctest_run() {
  local stage=$1 ctest_rc=$2 xml_dir=$3 junit=$4
  local p=0 f=0 s=0 tests failures disabled skipped report name outcome
  local reports_failed=0 reports_passed=0 ctest_failed=0 ctest_passed=0 ctest_skipped=0
  for report in "$xml_dir"/*.xml; do
    [[ -f $report ]] || continue
    read -r tests failures disabled skipped < <(gtest_totals "$report")
    p=$((p + tests - failures - disabled - skipped))
    f=$((f + failures))
    s=$((s + disabled + skipped))
    if [[ $failures -gt 0 ]]; then
      reports_failed=$((reports_failed + 1))
      problem "$stage: $failures test case(s) failed in $(basename "$report" .xml)"
    else
      reports_passed=$((reports_passed + 1))
    fi
  done
  if [[ -f $junit ]]; then
    while IFS=$'\t' read -r name outcome; do
      case $outcome in
        passed) ctest_passed=$((ctest_passed + 1)) ;;
        skipped) ctest_skipped=$((ctest_skipped + 1)) ;;
        *) ctest_failed=$((ctest_failed + 1)); problem "$stage: CTest test $name failed" ;;
      esac
    done < <(ctest_outcomes "$junit")
  fi
  # Each report with failing test cases belongs to one failed CTest test.
  if [[ $ctest_failed -gt $reports_failed ]]; then
    f=$((f + ctest_failed - reports_failed))
    problem "$stage: $((ctest_failed - reports_failed)) test program(s) failed outside their test cases (a crash, a sanitizer report, an exit code, a time-out or a missing program)"
  fi
  if [[ $ctest_passed -gt $reports_passed ]]; then
    p=$((p + ctest_passed - reports_passed))
  fi
  s=$((s + ctest_skipped))
  # CTest failed for a reason none of the above shows.
  if [[ $ctest_rc -ne 0 && $f -eq 0 ]]; then
    f=1
    problem "$stage: ctest exited with $ctest_rc"
  fi
  printf -- '--- %s: %d passed, %d failed, %d skipped\n' "$stage" "$p" "$f" "$s"
  PASSED=$((PASSED + p)); FAILED=$((FAILED + f)); SKIPPED=$((SKIPPED + s))
}

# --- stages ----------------------------------------------------------------

stage_setup() {
  banner "setup"
  step "setup" bash "$ROOT/scripts/setup.sh"
}

stage_native() {
  banner "native (g++, ASan + UBSan)"
  step "native configure" cmake --preset native || return
  # A build error fails the run, but what did build is still tested.
  step "native build" cmake --build --preset native -j "$JOBS" -- -k 0
  local xml="$TMP/native-xml" junit="$TMP/native-junit.xml" rc
  mkdir -p "$xml"
  GTEST_OUTPUT="xml:$xml/" ctest --preset native -j "$JOBS" --timeout "$TEST_TIMEOUT" \
    --output-junit "$junit" </dev/null
  rc=$?
  count_ctest_run native "$rc" "$xml" "$junit"
}

# The search engine's worker under ThreadSanitizer: only the test program that holds it, and
# only its search suites (about 15 s from a clean build on eight cores).
stage_tsan() {
  banner "tsan (g++, ThreadSanitizer, the search suites)"
  step "tsan configure" cmake --preset tsan || return
  step "tsan build" cmake --build --preset tsan -j "$JOBS" --target core_tests || return
  local xml="$TMP/tsan.xml" rc tests=0 failures=0 disabled=0 skipped=0
  mkdir -p "$TMP/tsan-tmp"
  LORVEX_TEST_TMP="$TMP/tsan-tmp" TSAN_OPTIONS="halt_on_error=1" \
    "$ROOT/build/tsan/tests/core_tests" --gtest_filter='Search*' --gtest_brief=1 --gtest_output="xml:$xml" </dev/null
  rc=$?
  [[ -f $xml ]] && read -r tests failures disabled skipped < <(gtest_totals "$xml")
  local p=$((tests - failures - disabled - skipped)) f=$failures s=$((disabled + skipped))
  [[ $failures -gt 0 ]] && problem "tsan: $failures test case(s) failed"
  if [[ $rc -ne 0 && $failures -eq 0 ]]; then
    f=1
    problem "tsan: core_tests exited with $rc (a data race, a crash or a missing report)"
  fi
  printf -- '--- tsan: %d passed, %d failed, %d skipped\n' "$p" "$f" "$s"
  PASSED=$((PASSED + p)); FAILED=$((FAILED + f)); SKIPPED=$((SKIPPED + s))
}

# Starts one Xvfb display on a free display number, waiting until it is ready.
start_xvfb() {
  local n i
  for n in $(seq 99 199); do
    [[ -e /tmp/.X$n-lock || -e /tmp/.X11-unix/X$n ]] && continue
    : >"$TMP/xvfb.ready"
    # Xvfb writes the display number to fd 3 once it accepts clients.
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp -displayfd 3 \
      3>"$TMP/xvfb.ready" >"$TMP/xvfb.log" 2>&1 </dev/null &
    XVFB_PID=$!
    for i in $(seq 300); do
      if [[ -s $TMP/xvfb.ready ]]; then
        XVFB_DISPLAY=":$n"
        return 0
      fi
      kill -0 "$XVFB_PID" 2>/dev/null || break
      sleep 0.1
    done
    kill "$XVFB_PID" 2>/dev/null; wait "$XVFB_PID" 2>/dev/null; XVFB_PID=
  done
  cat "$TMP/xvfb.log" >&2
  return 1
}

# One fresh 32-bit Wine prefix for the whole run, HOME an empty folder (Wine
# links Desktop and Documents into it). The Wine server is kept running and
# Wine's background services are started here, with no pipes of ours: a
# service started by a test program would hold CTest's output pipe open.
start_wine() {
  mkdir -p "$TMP/home" "$TMP/wineprefix"
  WINE_ENV=(
    HOME="$TMP/home" WINEPREFIX="$TMP/wineprefix" WINEARCH=win32 WINEDEBUG=-all
    WINEDLLOVERRIDES="winemenubuilder.exe=d"
    DISPLAY="$XVFB_DISPLAY" LC_ALL=C.UTF-8
    XDG_CONFIG_HOME="$TMP/home/.config" XDG_DATA_HOME="$TMP/home/.local/share"
    XDG_CACHE_HOME="$TMP/home/.cache"
  )
  local log="$TMP/wine.log"
  WINE_STARTED=1
  # No Mono or Gecko: their install prompts would wait for a click.
  env "${WINE_ENV[@]}" WINEDLLOVERRIDES="mscoree,mshtml=" wineboot -i >"$log" 2>&1 </dev/null || return 1
  env "${WINE_ENV[@]}" wineserver -w >>"$log" 2>&1 </dev/null || return 1
  env "${WINE_ENV[@]}" wineserver -p >>"$log" 2>&1 </dev/null || return 1
  env "${WINE_ENV[@]}" wine cmd /c exit >>"$log" 2>&1 </dev/null || return 1
  # Without a window manager an unmanaged window hides at once; a managed one waits 2 s each time.
  env "${WINE_ENV[@]}" wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >>"$log" 2>&1 </dev/null || return 1
}

# Ends what start_wine and start_xvfb started: our prefix's Wine server (and
# with it every Wine process of the prefix), then our Xvfb.
stop_wine() {
  if [[ -n $WINE_STARTED ]]; then
    env "${WINE_ENV[@]}" wineserver -k >/dev/null 2>&1
    WINE_STARTED=
  fi
  if [[ -n $XVFB_PID ]]; then
    kill "$XVFB_PID" 2>/dev/null
    wait "$XVFB_PID" 2>/dev/null
    XVFB_PID=
  fi
}

stage_windows() {
  banner "windows (MinGW-w64, tests under Wine)"
  step "windows configure" cmake --preset windows || return
  # A build error fails the run, but what did build is still tested.
  step "windows build" cmake --build --preset windows -j "$JOBS" -- -k 0
  if ! start_xvfb; then
    FAILED=$((FAILED + 1)); problem "windows: Xvfb did not start"
    return
  fi
  if ! start_wine; then
    FAILED=$((FAILED + 1)); problem "windows: the Wine prefix could not be made"
    cat "$TMP/wine.log" >&2
    stop_wine
    return
  fi
  local xml="$TMP/windows-xml" junit="$TMP/windows-junit.xml" rc
  mkdir -p "$xml"
  # The test programs see Windows paths: Wine's drive Z: is the root of the file system.
  local xml_win="Z:${xml//\//\\}\\"
  # One test program at a time: they share the display, the clipboard and the hot keys.
  env "${WINE_ENV[@]}" GTEST_OUTPUT="xml:$xml_win" \
    ctest --preset windows -j 1 --timeout "$TEST_TIMEOUT" --output-junit "$junit" </dev/null
  rc=$?
  count_ctest_run windows "$rc" "$xml" "$junit"
  stop_wine
}

# Runs one fuzz target briefly; leaves its exit code in $TMP/fuzz/<name>/rc.
run_fuzz_target() {
  local exe=$1 name work seeds=() options=()
  name="$(basename "$exe")"
  work="$TMP/fuzz/$name"
  mkdir -p "$work/corpus" "$work/artifacts"
  [[ -d $ROOT/fuzz/corpus/$name ]] && seeds+=("$ROOT/fuzz/corpus/$name")
  # The JPEG and TIFF markers help the image-metadata targets past their first bytes.
  case $name in
    fuzz_jpegsegments | fuzz_tiffdirectory | fuzz_exifdata | fuzz_makernote) options+=(-dict="$ROOT/fuzz/exif.dict") ;;
  esac
  UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1" \
    "$exe" "${options[@]}" -max_total_time="$FUZZ_SECONDS" -rss_limit_mb=2048 -timeout=25 -print_final_stats=1 \
    -artifact_prefix="$work/artifacts/" "$work/corpus" "${seeds[@]}" \
    >"$work/log" 2>&1 </dev/null
  echo $? >"$work/rc"
}

stage_fuzz() {
  banner "fuzz (clang, libFuzzer + ASan + UBSan, ${FUZZ_SECONDS}s per target)"
  step "fuzz configure" cmake --preset fuzz || return
  # A build error fails the run, but what did build is still tested.
  step "fuzz build" cmake --build --preset fuzz -j "$JOBS" -- -k 0
  local exe targets=() pids=() parallel=$(( JOBS < 4 ? JOBS : 4 ))
  for exe in "$ROOT"/build/fuzz/fuzz/fuzz_*; do
    [[ -f $exe && -x $exe ]] && targets+=("$exe")
  done
  # Up to four targets at a time; each leaves its exit code in a file.
  for exe in "${targets[@]}"; do
    if [[ ${#pids[@]} -ge $parallel ]]; then
      wait "${pids[0]}"
      pids=("${pids[@]:1}")
    fi
    run_fuzz_target "$exe" &
    pids+=($!)
  done
  [[ ${#pids[@]} -eq 0 ]] || wait "${pids[@]}"
  local name work rc p=0 f=0 keep="$ROOT/build/fuzz/crashes"
  for exe in "${targets[@]}"; do
    name="$(basename "$exe")"; work="$TMP/fuzz/$name"
    rc="$(cat "$work/rc" 2>/dev/null || echo 1)"
    if [[ $rc -eq 0 ]]; then
      p=$((p + 1))
      printf -- '--- %s: ok (%s)\n' "$name" "$(grep -o 'stat::number_of_executed_units: [0-9]*' "$work/log" | tail -n 1 || true)"
    else
      f=$((f + 1))
      mkdir -p "$keep/$name"
      cp -r "$work/artifacts/." "$keep/$name/" 2>/dev/null
      cp "$work/log" "$keep/$name/log.txt"
      tail -n 40 "$work/log"
      problem "fuzz: $name failed (exit $rc); inputs and log in ${keep#"$ROOT"/}/$name"
    fi
  done
  printf -- '--- fuzz: %d passed, %d failed\n' "$p" "$f"
  PASSED=$((PASSED + p)); FAILED=$((FAILED + f))
}

stage_setup
stage_native
stage_tsan
stage_windows
stage_fuzz

banner "summary"
if [[ ${#PROBLEMS[@]} -gt 0 ]]; then
  printf '%s\n' "Problems:" "${PROBLEMS[@]/#/  - }"
fi
elapsed=$((SECONDS - START_SECONDS))
printf 'Total time: %dm %02ds\n' $((elapsed / 60)) $((elapsed % 60))
printf '%d passed, %d failed, %d skipped\n' "$PASSED" "$FAILED" "$SKIPPED"
[[ $FAILED -eq 0 ]]
