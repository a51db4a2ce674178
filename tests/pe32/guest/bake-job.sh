# The first boot, whose changes are kept in the image: finish what the
# root file system's installation could not do outside the guest, and make
# the pristine 32-bit prefix every scenario copies.
set -euo pipefail
wine_dir=$(cat /job/wine-dir)

# Two of libglib2.0-0:i386's maintainer scripts run 32-bit programs, which
# the machine that built the image could not.
/usr/lib/i386-linux-gnu/glib-2.0/glib-compile-schemas /usr/share/glib-2.0/schemas
/usr/lib/i386-linux-gnu/glib-2.0/gio-querymodules /usr/lib/i386-linux-gnu/gio/modules

WINEARCH=win32 "$wine_dir/make-pristine-prefix.sh" /var/lib/qalm/pristine-prefix
