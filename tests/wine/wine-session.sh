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
begin_session() {
    export WINEPREFIX=$1
    wineserver -p
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
