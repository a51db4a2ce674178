#!/usr/bin/env bash
# Prints the Debian mirror this machine's apt takes its release from (the
# first "deb" source for the release's codename), for debootstrap.
#   apt-mirror.sh CODENAME
set -euo pipefail
codename=$1

shopt -s nullglob
lists=(/etc/apt/sources.list /etc/apt/sources.list.d/*.list)
deb822=(/etc/apt/sources.list.d/*.sources)

mirror=$(
    {
        for file in "${lists[@]}"; do
            [ -f "$file" ] || continue
            # deb [options] URI SUITE COMPONENT...
            sed -e 's/#.*//' -e 's/\[[^]]*\]//' "$file" |
                awk -v suite="$codename" '$1 == "deb" && $3 == suite { print $2 }'
        done
        for file in "${deb822[@]}"; do
            awk -v suite="$codename" '
                function flush() {
                    if (enabled && types ~ /(^| )deb( |$)/ && (" " suites " ") ~ (" " suite " "))
                        print uris
                    types = uris = suites = ""; enabled = 1
                }
                BEGIN { enabled = 1 }
                /^[ \t]*$/ { flush(); next }
                /^#/ { next }
                { value = $0; sub(/^[^:]*:[ \t]*/, "", value) }
                tolower($1) == "types:" { types = value }
                tolower($1) == "uris:" { split(value, first, " "); uris = first[1] }
                tolower($1) == "suites:" { suites = value }
                tolower($1) == "enabled:" { enabled = (value != "no") }
                END { flush() }' "$file"
        done
    } | head -n 1
)
if [ -z "$mirror" ]; then
    echo "apt-mirror.sh: no 'deb' source for $codename in /etc/apt/sources.list*" >&2
    exit 1
fi
echo "$mirror"
