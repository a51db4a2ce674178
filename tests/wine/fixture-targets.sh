#!/usr/bin/env bash
# Prints, one a line, the machine-state arguments that cover what a fixture
# puts on the machine: each topmost key it writes (a key none of whose
# ancestors it writes), with its whole subtree; and, in a key the platform
# fills with values of its own, each value the fixture sets there, one by one.
#   fixture-targets.sh FIXTURE.reg
set -euo pipefail

# Keys the platform fills with values of its own (SERIALCOMM lists the
# machine's serial ports).
platform_keys='HARDWARE\DEVICEMAP\SERIALCOMM'

tr -d '\r' <"$1" | awk -v platform_keys="$platform_keys" '
    function unescape(s,    out, i, c) {
        out = ""
        for (i = 1; i <= length(s); ++i) {
            c = substr(s, i, 1)
            if (c == "\\") c = substr(s, ++i, 1)
            out = out c
        }
        return out
    }
    BEGIN { split(platform_keys, list, ";"); for (i in list) platform[toupper(list[i])] = 1 }
    /^\[-/ { key = ""; next }
    /^\[HKEY_LOCAL_MACHINE\\/ {
        key = substr($0, 21, length($0) - 21)
        if (!(toupper(key) in seen)) { seen[toupper(key)] = 1; keys[++count] = key }
        next
    }
    /^\[/ { key = ""; next }
    key != "" && toupper(key) in platform && /^("|@=)/ {
        if (substr($0, 1, 1) == "@") name = ""
        else { match($0, /^"([^"\\]|\\.)*"/); name = unescape(substr($0, 2, RLENGTH - 2)) }
        values[++valueCount] = key SUBSEP name
    }
    END {
        for (i = 1; i <= count; ++i) {
            if (toupper(keys[i]) in platform) continue
            topmost = 1
            path = toupper(keys[i])
            while ((cut = match(path, /\\[^\\]*$/)) > 0) {
                path = substr(path, 1, cut - 1)
                if (path in seen) { topmost = 0; break }
            }
            if (topmost) print keys[i]
        }
        for (i = 1; i <= valueCount; ++i) {
            split(values[i], parts, SUBSEP)
            print "--value"; print parts[1]; print parts[2]
        }
    }'
