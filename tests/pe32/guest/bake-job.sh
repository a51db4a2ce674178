# The first boot, whose changes are kept in the image: finish what the
# root file system's installation could not do outside the guest, and make
# the pristine prefixes the scenarios copy: a 32-bit one, and a 64-bit one
# (both Wines installed) where 32-bit programs run under WoW64.
set -euo pipefail
wine_dir=$(cat /job/wine-dir)

# Two of libglib2.0-0:i386's maintainer scripts run 32-bit programs, which
# the machine that built the image could not.
/usr/lib/i386-linux-gnu/glib-2.0/glib-compile-schemas /usr/share/glib-2.0/schemas
/usr/lib/i386-linux-gnu/glib-2.0/gio-querymodules /usr/lib/i386-linux-gnu/gio/modules

WINEARCH=win32 "$wine_dir/make-pristine-prefix.sh" /var/lib/qalm/pristine-prefix
WINEARCH=win64 "$wine_dir/make-pristine-prefix.sh" /var/lib/qalm/pristine-prefix-wow64
# A WoW64 prefix has the 32-bit system folder.
test -f /var/lib/qalm/pristine-prefix-wow64/drive_c/windows/syswow64/kernel32.dll
