#!/usr/bin/env bash
# The test command. Runs, in order:
#   1. scripts/setup.sh (packages and MinGW dependencies; quick when all is there),
#   2. native: the portable half built with g++ under ASan and UBSan, its tests by CTest,
#   2b. tsan: every suite of the programs that hold the threads (core, the app model and the
#       sources: the search worker and what it reads) built with g++ under ThreadSanitizer,
#   3. windows: the MinGW build, its test programs by CTest under Wine, with one
#      Xvfb display and one fresh WINEPREFIX (HOME an empty folder) for the whole run,
#   4. fuzz: every libFuzzer target for a short run, as CTest tests (inputs that make one
#      fail stay in build/fuzz/fuzz/<target>.smoke/artifacts).
# Every stage runs even when an earlier one failed. CTest runs every test case on its own and
# counts them; its JUnit reports of all stages end up together in build/junit.xml. A test
# program that does not build, crashes or leaves a sanitizer report fails its tests, and a
# stage that cannot configure or build counts as one failure more. The last lines give the
# size of the tests against the code and "N passed, M failed, K skipped".
#
# Environment knobs: LORVEX_FUZZ_SECONDS (default 20) per fuzz target,
# LORVEX_TEST_TIMEOUT (default 600) seconds before CTest ends a hung test,
# LORVEX_CORPORA the folder of the test corpora (default: ../shared/corpora beside the clone;
# the tests that read them skip when it is missing).
set -uo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$ROOT" || exit 1
source "$ROOT/scripts/xvfb.sh"

JOBS="$(nproc)"
FUZZ_SECONDS="${LORVEX_FUZZ_SECONDS:-20}"
TEST_TIMEOUT="${LORVEX_TEST_TIMEOUT:-600}"
CORPORA_OPTION=(${LORVEX_CORPORA:+"-DLORVEX_CORPORA=$LORVEX_CORPORA"})
JUNIT="$ROOT/build/junit.xml"
START_SECONDS=$SECONDS
TMP="$(mktemp -d "${TMPDIR:-/tmp}/lorvex-test.XXXXXX")" || exit 1

PASSED=0 FAILED=0 SKIPPED=0
PROBLEMS=()
XVFB_PID= WINE_STARTED=
WINE_ENV=()
CTEST_ENV=()  # what a stage adds to CTest's environment

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

# Prints one of the totals CTest writes on the <testsuite> element of its JUnit report.
junit_total() { sed -n "s/^[[:space:]]*$2=\"\([0-9]*\)\"$/\1/p" "$1" | head -n 1; }

# Runs CTest with one test preset ($1, also the stage's name; more options follow) and adds up
# its JUnit report. CTest counts failures, disabled and skipped tests itself; it reports a test
# whose program is missing (it did not build) as skipped, which is a failure here. A CTest run
# that fails with no failing test (it could not list a program's tests) is one failure.
run_ctest() {
  local stage=$1 rc junit="$TMP/$1-junit.xml"; shift
  env "${CTEST_ENV[@]}" ctest --preset "$stage" --timeout "$TEST_TIMEOUT" --output-junit "$junit" "$@" </dev/null
  rc=$?
  local tests=0 failures=0 disabled=0 skipped=0 missing=0 name
  if [[ -f $junit ]]; then
    tests=$(junit_total "$junit" tests) failures=$(junit_total "$junit" failures)
    disabled=$(junit_total "$junit" disabled) skipped=$(junit_total "$junit" skipped)
    missing=$(grep -c '<skipped message="Unable to find executable"' "$junit")
    while read -r name; do
      problem "$stage: $name failed"
    done < <(sed -n 's/^[[:space:]]*<testcase name="\([^"]*\)".* status="fail">$/\1/p' "$junit")
  fi
  failures=$((failures + missing)) skipped=$((skipped + disabled - missing))
  [[ $missing -gt 0 ]] && problem "$stage: $missing test(s) have no program (it did not build)"
  if [[ $rc -ne 0 && $failures -eq 0 ]]; then
    failures=1 tests=$((tests + 1))
    problem "$stage: ctest exited with $rc"
  fi
  local passed=$((tests - failures - skipped))
  printf -- '--- %s: %d passed, %d failed, %d skipped\n' "$stage" "$passed" "$failures" "$skipped"
  PASSED=$((PASSED + passed)) FAILED=$((FAILED + failures)) SKIPPED=$((SKIPPED + skipped))
}

# Writes the JUnit reports of the stages that ran into one, each stage a test suite of its name.
write_junit() {
  local stage report
  {
    echo '<?xml version="1.0" encoding="UTF-8"?>'
    echo '<testsuites>'
    for stage in native tsan windows fuzz; do
      report="$TMP/$stage-junit.xml"
      [[ -f $report ]] && sed -e '1{/^<?xml/d}' -e "s/^<testsuite name=\"[^\"]*\"/<testsuite name=\"$stage\"/" "$report"
    done
    echo '</testsuites>'
  } >"$JUNIT"
}

# The lines of C++ source (*.cpp and *.h) among the files git has or would add: build/ is out.
cpp_lines() {
  git -C "$ROOT" ls-files -z --cached --others --exclude-standard -- "$@" \
    | (cd "$ROOT" && xargs -0 cat -- 2>/dev/null) | wc -l
}

# The size of the tests against the code: C++ lines under tests/ over C++ lines outside
# tests/, fuzz/ and bench/.
print_test_ratio() {
  local tests code hundredths
  tests=$(cpp_lines 'tests/*.cpp' 'tests/*.h')
  code=$(cpp_lines '*.cpp' '*.h' ':!tests/' ':!fuzz/' ':!bench/')
  hundredths=$(((tests * 100 + code / 2) / (code > 0 ? code : 1)))
  printf 'Tests against code: %d lines of tests / %d lines of code = %d.%02d (C++ *.cpp and *.h)\n' \
    "$tests" "$code" $((hundredths / 100)) $((hundredths % 100))
}

# --- stages ----------------------------------------------------------------

stage_setup() {
  banner "setup"
  step "setup" bash "$ROOT/scripts/setup.sh"
}

stage_native() {
  banner "native (g++, ASan + UBSan)"
  step "native configure" cmake --preset native "${CORPORA_OPTION[@]}" || return
  # A build error fails the run, but what did build is still tested.
  step "native build" cmake --build --preset native -j "$JOBS" -- -k 0
  run_ctest native -j "$JOBS"
}

# The search worker and what it reads under ThreadSanitizer: every case of the test programs that
# hold them (the preset picks them by label), so that no test of two threads is left out by name.
stage_tsan() {
  banner "tsan (g++, ThreadSanitizer, core, app model and sources)"
  step "tsan configure" cmake --preset tsan || return
  step "tsan build" cmake --build --preset tsan -j "$JOBS" --target core_tests app_model_tests sources_tests || return
  run_ctest tsan -j "$JOBS"
}

# One fresh 32-bit Wine prefix for the whole run, HOME an empty folder (Wine links Desktop and
# Documents into it). The Wine server is kept running and Wine's background services are
# started here, with no pipes of ours.
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
  # A program that crashes ends at once with the exception's code, with no debugger: winedbg's
  # crash dialog would wait for a click that never comes (and its test for CTest's time-out), and
  # without the dialog winedbg can end a crashed test program with the code 0, a pass. (Auto: no
  # question whether to debug it.)
  local aedebug='HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug'
  env "${WINE_ENV[@]}" wine reg add "$aedebug" /v Debugger /d '' /f >>"$log" 2>&1 </dev/null || return 1
  env "${WINE_ENV[@]}" wine reg add "$aedebug" /v Auto /d 1 /f >>"$log" 2>&1 </dev/null || return 1
}

# Ends what start_wine and start_xvfb started: our prefix's Wine server (and with it every Wine
# process of the prefix), then our Xvfb.
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
  step "windows configure" cmake --preset windows "${CORPORA_OPTION[@]}" || return
  # A build error fails the run, but what did build is still tested.
  step "windows build" cmake --build --preset windows -j "$JOBS" -- -k 0
  if ! start_xvfb "$TMP/xvfb.log"; then
    FAILED=$((FAILED + 1)); problem "windows: Xvfb did not start"
    return
  fi
  if ! start_wine; then
    FAILED=$((FAILED + 1)); problem "windows: the Wine prefix could not be made"
    cat "$TMP/wine.log" >&2
    stop_wine
    return
  fi
  # The programs that open windows run alone (they share the display, the clipboard and the hot
  # keys); the portable suites run beside each other. A test that fails gets one more run: on a
  # loaded machine Wine's desktop can take longer to activate a window or end a process than a
  # test waits. One that fails twice fails.
  local CTEST_ENV=("${WINE_ENV[@]}")
  run_ctest windows -j "$JOBS" --repeat until-pass:2
  stop_wine
}

stage_fuzz() {
  banner "fuzz (clang, libFuzzer + ASan + UBSan, ${FUZZ_SECONDS}s per target)"
  step "fuzz configure" cmake --preset fuzz -DLORVEX_FUZZ_SECONDS="$FUZZ_SECONDS" || return
  # A build error fails the run, but what did build is still tested.
  step "fuzz build" cmake --build --preset fuzz -j "$JOBS" -- -k 0
  run_ctest fuzz -j $((JOBS < 4 ? JOBS : 4))
}

stage_setup
stage_native
stage_tsan
stage_windows
stage_fuzz

banner "summary"
write_junit
if [[ ${#PROBLEMS[@]} -gt 0 ]]; then
  printf '%s\n' "Problems:" "${PROBLEMS[@]/#/  - }"
fi
elapsed=$((SECONDS - START_SECONDS))
printf 'Total time: %dm %02ds; the JUnit report: %s\n' $((elapsed / 60)) $((elapsed % 60)) "${JUNIT#"$ROOT"/}"
print_test_ratio
printf '%d passed, %d failed, %d skipped\n' "$PASSED" "$FAILED" "$SKIPPED"
[[ $FAILED -eq 0 ]]
