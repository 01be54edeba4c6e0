#!/usr/bin/env bash
# cmake --install into a temporary prefix, then the installed faxrcp-cli asks
# the installed simulated machine for its inquiry record over a socket.
set -euo pipefail
build=$1
tmp=$(mktemp -d)
sim_pid=
cleanup() {
    [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
    rm -rf "$tmp"
}
trap cleanup EXIT

cmake --install "$build" --prefix "$tmp/usr" >/dev/null
prog=$tmp/usr/lib/faxrcp
for f in faxrcp-cli faxrcp-sim libfaxrcp_core.so libfaxrcp_platform.so libtirusb.so libvexlink.so faxrcp.ini faxrcp.html english.lng; do
    [ -e "$prog/$f" ] || { echo "missing in the program directory: $f"; exit 1; }
done
[ -L "$tmp/usr/bin/faxrcp-cli" ] || { echo "faxrcp-cli is not on the PATH"; exit 1; }
[ -f "$tmp/usr/share/applications/faxrcp.desktop" ] || { echo "no desktop file"; exit 1; }
[ -f "$tmp/usr/share/icons/hicolor/scalable/apps/faxrcp.svg" ] || { echo "no icon"; exit 1; }
[ -f "$tmp/usr/lib/udev/rules.d/70-faxrcp.rules" ] || { echo "no udev rule"; exit 1; }

sock=$tmp/machine.sock
"$tmp/usr/bin/faxrcp-sim" --socket "$sock" --state "$tmp/machine.state" &
sim_pid=$!
for _ in $(seq 100); do [ -S "$sock" ] && break; sleep 0.05; done
[ -S "$sock" ] || { echo "the simulated machine did not start"; exit 1; }

out=$(cd / && FAXRCP_USB_PORT="unix:$sock" FAXRCP_LOCK_DIR="$tmp" "$tmp/usr/bin/faxrcp-cli" inquiry 2>"$tmp/err") || {
    echo "faxrcp-cli inquiry failed"; cat "$tmp/err"; exit 1; }
echo "$out"
grep -qx 'port=USB' <<<"$out"
grep -qx 'machineClass=2' <<<"$out"
echo "installed programs work"
