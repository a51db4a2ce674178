#!/usr/bin/env bash
# Runs one scenario end to end: the Windows program under Wine on a machine
# imported from a fixture, checked for exit code 18, its exact standard output
# and what is left of the machine; then the same fixture through the stand-in
# (the preview tool), whose leftovers must be Wine's.
#
#   run-scenario.sh --exe EXE --tools DIR --prefix PRISTINE --preview TOOL --work DIR [--twin EXE64]
#                   --profile NAME --fixture FILE.reg --expect FILE
#                   [--message] [--service] [--without-setupapi] [--without-twin]
#                   [--deny PATH]... [--read-only PATH]... [--runs N]
#                   [--differs REASON --standin-expect FILE] [--check FILE]
#
# The program runs from a folder of its own, WORK/program, with its check
# and, given --twin, its 64-bit twin beside it: what lies beside the program
# is what the scenario says.
#
# --message   standard output is exactly the unsupported-platform message
# --service   the driver service is registered with the service control
#             manager before the import, and its presence is checked after
# --without-setupapi
#             the program runs without setupapi.dll (Wine's DLL is turned off
#             for its runs only), and so does the stand-in
# --without-twin
#             the twin is not put beside the program, and the stand-in runs
#             without it too
# --deny      after the import, PATH (under HKLM) denies Everyone any access
# --read-only after the import, PATH (under HKLM) lets Everyone read it only
# --runs      the program runs this many times on the same machine
# --differs   the stand-in legitimately ends elsewhere, for this one-line
#             reason; its leftovers must then match --standin-expect
# --check     the check of EXE's build, beside it (qalm-check.exe beside
#             qalm-uninstall.exe, qalm-check64.exe beside qalm-uninstall64.exe),
#             runs before the first run and after each; its exit codes and
#             lines must be FILE, and after each run they must be the
#             preview's "Still present after this run"
set -uo pipefail
here=$(dirname "$0")
source "$here/wine-env.sh"
source "$here/wine-session.sh"

runs=1
message=no
service=no
without_setupapi=no
twin=""
without_twin=no
deny=()
read_only=()
differs=""
standin_expect=""
check_expect=""
while [ $# -gt 0 ]; do
    case $1 in
        --exe) exe=$2; shift ;;
        --tools) tools=$2; shift ;;
        --prefix) pristine=$2; shift ;;
        --preview) preview=$2; shift ;;
        --work) work=$2; shift ;;
        --profile) profile=$2; shift ;;
        --fixture) fixture=$2; shift ;;
        --expect) expect=$2; shift ;;
        --message) message=yes ;;
        --service) service=yes ;;
        --without-setupapi) without_setupapi=yes ;;
        --twin) twin=$2; shift ;;
        --without-twin) without_twin=yes ;;
        --deny) deny+=("$2"); shift ;;
        --read-only) read_only+=("$2"); shift ;;
        --runs) runs=$2; shift ;;
        --differs) differs=$2; shift ;;
        --standin-expect) standin_expect=$2; shift ;;
        --check) check_expect=$2; shift ;;
        *) echo "run-scenario.sh: unknown argument $1"; exit 2 ;;
    esac
    shift
done

for required in exe tools pristine preview work profile fixture expect; do
    [ -n "${!required:-}" ] || { echo "run-scenario.sh: --${required/pristine/prefix} is missing"; exit 2; }
done
if { [ -n "$differs" ] && [ -z "$standin_expect" ]; } || { [ -z "$differs" ] && [ -n "$standin_expect" ]; }; then
    echo "run-scenario.sh: --differs and --standin-expect go together"
    exit 2
fi
if [ "$without_setupapi" = yes ] && [ "$without_twin" = yes ]; then
    echo "run-scenario.sh: the stand-in takes one of --without-setupapi and --without-twin"
    exit 2
fi

if [ ! -f "$exe" ]; then
    echo "FAIL: $exe is not built (cmake --build --preset win64)"
    exit 1
fi
exe_name=$(basename "$exe")
check_exe=$(dirname "$exe")/${exe_name/qalm-uninstall/qalm-check}
needed_files=("$tools/machine-state.exe" "$tools/deny-key-access.exe" "$tools/volatile-keys.exe" "$preview" "$pristine/system.reg")
[ -n "$check_expect" ] && needed_files+=("$check_exe")
[ -n "$twin" ] && needed_files+=("$twin")
for needed in "${needed_files[@]}"; do
    [ -e "$needed" ] || { echo "FAIL: $needed is missing"; exit 1; }
done

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

rm -rf "$work"
mkdir -p "$work/program"
cp "$exe" "$work/program/"
[ -f "$check_exe" ] && cp "$check_exe" "$work/program/"
[ -n "$twin" ] && [ "$without_twin" = no ] && cp "$twin" "$work/program/"
exe=$work/program/$exe_name
check_exe=$work/program/$(basename "$check_exe")
trap end_session EXIT
mapfile -t targets < <("$here/fixture-targets.sh" "$fixture")
[ ${#targets[@]} -gt 0 ] || { echo "FAIL: $fixture writes no key under HKEY_LOCAL_MACHINE"; exit 1; }

expected_stdout=$work/expected-stdout
if [ "$message" = yes ]; then
    printf 'This program requires WINDOWS 95 or NT' >"$expected_stdout"
else
    : >"$expected_stdout"
fi

# The program and the check answer GetVersionExA as this profile; the
# helpers keep Wine's own version.
cat >"$work/version.reg" <<REG
REGEDIT4

[HKEY_CURRENT_USER\\Software\\Wine\\AppDefaults\\$exe_name]
"Version"="$profile"

[HKEY_CURRENT_USER\\Software\\Wine\\AppDefaults\\$(basename "$check_exe")]
"Version"="$profile"
REG
if [ -n "$twin" ]; then
    printf '\n[HKEY_CURRENT_USER\\Software\\Wine\\AppDefaults\\%s]\n"Version"="%s"\n' "$(basename "$twin")" "$profile" >>"$work/version.reg"
fi

# The check's exit code and lines, under a heading that says when it ran.
run_check() {
    local heading=$1 status
    wine "$check_exe" >"$work/check.out"
    status=$?
    printf '%s: exit %s\n' "$heading" "$status" >>"$work/check.wine"
    tr -d '\r' <"$work/check.out" >>"$work/check.wine"
}

# Wine: the machine, the program, what is left.
copy_prefix "$pristine" "$work/wine-prefix"
begin_session "$work/wine-prefix" "$tools" || exit 1
if [ "$service" = yes ]; then
    # The service control manager reads the Services keys once, when it
    # starts: a live service has to be registered through it.
    wine sc create QalmPort type= kernel start= demand binPath= 'C:\windows\system32\drivers\qalmport.sys' \
        >"$work/sc-create.out" || fail "sc create QalmPort: $(cat "$work/sc-create.out")"
fi
wine regedit /s "$(windows_path "$work/version.reg")" || fail "regedit could not import the version"
wine regedit /s "$(windows_path "$fixture")" || fail "regedit could not import $fixture"
if [ ${#deny[@]} -gt 0 ]; then
    wine "$tools/deny-key-access.exe" "${deny[@]}" || fail "could not deny access to ${deny[*]}"
fi
if [ ${#read_only[@]} -gt 0 ]; then
    wine "$tools/deny-key-access.exe" --read-only "${read_only[@]}" || fail "could not make ${read_only[*]} read-only"
fi
service_targets=()
[ "$service" = yes ] && service_targets=(--service QalmPort)
program_overrides=$WINEDLLOVERRIDES
preview_platform=()
if [ "$without_setupapi" = yes ]; then
    program_overrides="$WINEDLLOVERRIDES;setupapi=d"
    preview_platform=(--without setupapi.dll)
fi
[ "$without_twin" = yes ] && preview_platform=(--without qalm-uninstall64.exe)

[ -n "$check_expect" ] && run_check "before the first run"
for run in $(seq "$runs"); do
    WINEDLLOVERRIDES=$program_overrides wine "$exe" >"$work/stdout.$run"
    status=$?
    [ "$status" -eq 18 ] || fail "run $run: exit code $status, expected 18"
    cmp -s "$expected_stdout" "$work/stdout.$run" ||
        fail "run $run: standard output is [$(cat -v "$work/stdout.$run")], expected [$(cat "$expected_stdout")]"
    [ -n "$check_expect" ] && run_check "after run $run"
done
wine "$tools/machine-state.exe" "${service_targets[@]}" "${targets[@]}" >"$work/wine.after" ||
    fail "machine-state failed under Wine"
end_session
if ! diff -u "$expect" "$work/wine.after" >"$work/wine.diff"; then
    fail "the machine under Wine is not as expected ($expect):"
    cat "$work/wine.diff"
fi

# The stand-in: the same fixture through the preview, its machine afterwards
# imported into a fresh prefix and printed by the same checker. --strict: a
# fixture line the reader would leave out is a mistake in the fixture.
state=$fixture
for run in $(seq "$runs"); do
    if ! "$preview" --strict --os "$profile" "${preview_platform[@]}" --after "$work/standin.$run.reg" "$state" >"$work/preview.$run.out" 2>&1; then
        fail "the preview failed on run $run:"
        cat "$work/preview.$run.out"
        exit 1
    fi
    state=$work/standin.$run.reg
done
copy_prefix "$pristine" "$work/standin-prefix"
begin_session "$work/standin-prefix" "$tools" || exit 1
wine regedit /s "$(windows_path "$state")" || fail "regedit could not import the stand-in's machine"
wine "$tools/machine-state.exe" "${targets[@]}" >"$work/standin.after" || fail "machine-state failed on the stand-in's machine"
end_session

if [ -n "$check_expect" ] && ! diff -u "$check_expect" "$work/check.wine" >"$work/check.diff"; then
    fail "qalm-check under Wine does not say what is expected ($check_expect):"
    cat "$work/check.diff"
fi
# The preview's section after each run against the check under Wine.
if [ -n "$check_expect" ] && [ -z "$differs" ]; then
    for run in $(seq "$runs"); do
        sed -n "/^after run $run: exit /,/^result: /p" "$work/check.wine" | tail -n +2 >"$work/check.wine.$run"
        sed -n '/^Still present after this run:$/,/^$/s/^  //p' "$work/preview.$run.out" >"$work/check.standin.$run"
        if ! diff -u "$work/check.wine.$run" "$work/check.standin.$run" >"$work/check.standin.diff"; then
            fail "after run $run the preview's still-present lines are not the check's under Wine (- Wine, + stand-in):"
            cat "$work/check.standin.diff"
        fi
    done
fi

if [ -n "$differs" ]; then
    echo "note: the stand-in ends elsewhere than Wine: $differs"
    if ! diff -u "$standin_expect" "$work/standin.after" >"$work/standin.diff"; then
        fail "the stand-in's machine is not as expected ($standin_expect):"
        cat "$work/standin.diff"
    fi
elif ! diff -u <(grep -v '^service ' "$work/wine.after") "$work/standin.after" >"$work/standin.diff"; then
    fail "the stand-in leaves a different machine than Wine (- Wine, + stand-in):"
    cat "$work/standin.diff"
fi

[ "$failures" -eq 0 ] && echo "ok: $(basename "$fixture") as $profile, $runs run(s)"
[ "$failures" -eq 0 ]
