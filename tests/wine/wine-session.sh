# Sourced by run-scenario.sh: one prefix copy and the one wineserver that
# lives from the import of a machine to the check of what is left of it.
# shellcheck shell=bash

# The DLLs are hard links (the prefix is 700 MB); the files Wine writes are
# real copies. Copying .update-timestamp keeps Wine from "updating" the copy,
# which would rewrite the linked files in place.
copy_prefix() {
    local pristine=$1 copy=$2 file
    rm -rf "$copy"
    cp -al "$pristine" "$copy"
    for file in system.reg user.reg userdef.reg .update-timestamp; do
        rm -f "$copy/$file"
        cp -p "$pristine/$file" "$copy/$file"
    done
}

# HKLM\HARDWARE is volatile: it lasts only as long as this server.
# The session's first process waits for Wine's start-up (wineboot, which
# waits for the service manager to start its services), so nothing is
# imported while the platform still sets itself up; a start-up that outlasts
# Wine's own wait fails here instead of racing the import. It then makes the
# serial-port map, which no driver of the prefix makes (make-pristine-prefix.sh).
#   begin_session PREFIX TOOLS
begin_session() {
    export WINEPREFIX=$1
    local boot_log=$1.boot
    wineserver -p
    WINEDEBUG=-all,err+environ wine "$2/volatile-keys.exe" 'HARDWARE\DEVICEMAP\SERIALCOMM' >"$boot_log" 2>&1 || {
        echo "FAIL: could not make the serial-port map: $(cat "$boot_log")"
        return 1
    }
    if grep -q 'boot event wait timed out' "$boot_log"; then
        echo "FAIL: Wine's start-up in $1 outlasted its own wait"
        return 1
    fi
}

end_session() {
    if [ -n "${WINEPREFIX:-}" ]; then
        wineserver -k 2>/dev/null || true
    fi
    unset WINEPREFIX
}

# Wine hands arguments over as they are; Z: is the Unix root.
windows_path() {
    local absolute
    absolute=$(realpath "$1")
    printf 'Z:%s' "${absolute//\//\\}"
}
