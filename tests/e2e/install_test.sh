#!/usr/bin/env bash
# cmake --install into a temporary prefix, the simulator only when asked for:
# the layout the packages ship, every file and link in the install manifests
# (so removing what they list removes everything), then the installed
# faxrcp-cli asks the installed simulated machine for its inquiry record over
# a socket.
#   install_test.sh BUILD_DIR DEBIAN_VERSION
set -euo pipefail
build=$1
deb_version=$2
source=$(cd "$(dirname "$0")/../.." && pwd)
tmp=$(mktemp -d)
sim_pid=
cleanup() {
    [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
    rm -rf "$tmp"
}
trap cleanup EXIT
fail() {
    echo "$*"
    exit 1
}

usr=$tmp/usr
prog=$usr/lib/faxrcp
cmake --install "$build" --prefix "$usr" >/dev/null
[ ! -e "$prog/faxrcp-sim" ] && [ ! -L "$usr/bin/faxrcp-sim" ] ||
    fail "a plain install puts the simulator on the PATH"
cmake --install "$build" --prefix "$usr" --component sim >/dev/null
manifests=("$build/install_manifest.txt" "$build/install_manifest_sim.txt")
programs=(faxrcp-cli faxrcp-bridge faxrcp-sim)
[ -x "$build/bin/faxrcp" ] && programs+=(faxrcp)

for f in "${programs[@]}" libfaxrcp_core.so libfaxrcp_platform.so libtirusb.so libvexlink.so \
    faxrcp.ini english.lng french.lng german.lng; do
    [ -f "$prog/$f" ] || fail "missing in the program directory: $f"
done
for program in "${programs[@]}"; do
    [ -L "$usr/bin/$program" ] || fail "$program is not linked into bin"
    [ "$(readlink -f "$usr/bin/$program")" = "$(readlink -f "$prog/$program")" ] ||
        fail "bin/$program does not lead to the program directory"
    [ "$(zcat "$usr/share/man/man1/$program.1.gz" | head -1 | cut -d' ' -f1)" = .TH ] ||
        fail "no manual page for $program"
done

# The manual and each of its translations live with the documentation; Help
# finds them beside the program.
for manual in "$source"/src/resources/faxrcp*.html; do
    name=$(basename "$manual")
    [ -f "$usr/share/doc/faxrcp/$name" ] && [ ! -L "$usr/share/doc/faxrcp/$name" ] ||
        fail "$name is not in share/doc/faxrcp"
    [ "$(readlink -f "$prog/$name")" = "$(readlink -f "$usr/share/doc/faxrcp/$name")" ] ||
        fail "$name beside the program does not lead to the documentation"
done

for doc in faxrcp faxrcp-sim; do
    grep -q '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' \
        "$usr/share/doc/$doc/copyright" || fail "no machine-readable copyright for $doc"
    head=$(zcat "$usr/share/doc/$doc/changelog.Debian.gz" | head -1)
    [ "$head" = "faxrcp ($deb_version) unstable; urgency=medium" ] ||
        fail "the newest changelog entry is '$head'; the packages are $deb_version (add an entry to cmake/debian/changelog.in)"
done

# doc-base names the manual where this install put it.
grep -qx "Index: $usr/share/doc/faxrcp/faxrcp.html" "$usr/share/doc-base/faxrcp-manual" ||
    fail "the doc-base entry does not name the installed manual"

if [ -x "$build/bin/faxrcp" ]; then
    [ -f "$usr/share/applications/faxrcp.desktop" ] || fail "no desktop file"
    [ -f "$usr/share/metainfo/org.example.faxrcp.metainfo.xml" ] || fail "no AppStream metadata"
    [ -f "$usr/share/icons/hicolor/scalable/apps/faxrcp.svg" ] || fail "no scalable icon"
    # A PNG's width and height: big-endian words at bytes 16 and 20.
    png_size() { od -An -tu1 -j16 -N8 "$1" | awk '{ print $1*16777216+$2*65536+$3*256+$4 "x" $5*16777216+$6*65536+$7*256+$8 }'; }
    for size in 48 64 128; do
        png=$usr/share/icons/hicolor/${size}x${size}/apps/faxrcp.png
        [ -f "$png" ] || fail "no ${size}x${size} icon"
        [ "$(png_size "$png")" = "${size}x${size}" ] || fail "the ${size}x${size} icon is $(png_size "$png")"
    done
fi
[ -f "$usr/lib/udev/rules.d/70-faxrcp.rules" ] || fail "no udev rule"

# Everything installed is in the manifests, and only that.
installed=$(find "$usr" -type f -o -type l | sort)
# (a manifest does not end its last line)
listed=$(awk 1 "${manifests[@]}" | sort)
[ "$installed" = "$listed" ] || {
    echo "the install manifests and the installed files differ (< installed, > listed):"
    diff <(echo "$installed") <(echo "$listed")
    exit 1
}

sock=$tmp/machine.sock
"$usr/bin/faxrcp-sim" --socket "$sock" --state "$tmp/machine.state" &
sim_pid=$!
for _ in $(seq 100); do [ -S "$sock" ] && break; sleep 0.05; done
[ -S "$sock" ] || fail "the simulated machine did not start"

out=$(cd / && FAXRCP_USB_PORT="unix:$sock" FAXRCP_LOCK_DIR="$tmp" "$usr/bin/faxrcp-cli" inquiry 2>"$tmp/err") || {
    echo "faxrcp-cli inquiry failed"; cat "$tmp/err"; exit 1; }
echo "$out"
grep -qx 'port=USB' <<<"$out"
grep -qx 'machineClass=2' <<<"$out"
echo "installed programs work"

# Removing what the manifests list leaves no file behind.
awk 1 "${manifests[@]}" | xargs rm -f
left=$(find "$usr" -type f -o -type l)
[ -z "$left" ] || fail "left after removing the manifests' files: $left"
echo "the manifests remove everything"
