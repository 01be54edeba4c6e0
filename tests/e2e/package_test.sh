#!/usr/bin/env bash
# The Debian packages made from this build (cpack, as the package target
# does), checked as tools/package checks them: lintian finds no error and no
# warning, the simulator is in its own package and the panel's does not need
# it, and the two hold exactly what an install puts in place.
#   package_test.sh BUILD_DIR
set -euo pipefail
build=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() {
    echo "FAIL: $*"
    exit 1
}

cpack --config "$build/CPackConfig.cmake" -B "$tmp" >"$tmp/cpack.log" 2>&1 || {
    cat "$tmp/cpack.log"
    fail "cpack"
}
panel=$(ls "$tmp"/faxrcp_*.deb)
sim=$(ls "$tmp"/faxrcp-sim_*.deb)

command -v lintian >/dev/null || fail "lintian is missing (tools/setup installs it)"
status=0
lintian -EvIL +pedantic --fail-on error,warning "$panel" "$sim" >"$tmp/lintian.log" 2>&1 || status=$?
cat "$tmp/lintian.log"
[ "$status" -eq 0 ] && ! grep -q '^[EW]: ' "$tmp/lintian.log" || fail "lintian reports errors or warnings"

panel_files=$(dpkg-deb -c "$panel")
sim_files=$(dpkg-deb -c "$sim")
! grep -q 'faxrcp-sim' <<<"$panel_files" || fail "the faxrcp package holds the simulator"
depends=$(dpkg-deb -f "$panel" Depends)
! grep -q faxrcp-sim <<<"$depends" || fail "faxrcp depends on faxrcp-sim"
for f in ./usr/lib/faxrcp/faxrcp-sim ./usr/bin/faxrcp-sim ./usr/share/man/man1/faxrcp-sim.1.gz; do
    grep -q " $f\( \|$\)" <<<"$sim_files" || fail "faxrcp-sim does not hold $f"
done
for f in ./usr/lib/faxrcp/faxrcp-cli ./usr/lib/faxrcp/faxrcp-bridge ./usr/bin/faxrcp-bridge \
    ./usr/share/man/man1/faxrcp-bridge.1.gz ./usr/lib/faxrcp/libfaxrcp_platform.so \
    ./usr/lib/faxrcp/libfaxrcp_core.so ./usr/lib/faxrcp/libtirusb.so ./usr/lib/faxrcp/libvexlink.so; do
    grep -q " $f\( \|$\)" <<<"$panel_files" || fail "faxrcp does not hold $f"
done
# Whatever an install puts in place, one of the packages holds, and no more.
DESTDIR="$tmp/root" cmake --install "$build" --prefix /usr >/dev/null
DESTDIR="$tmp/root" cmake --install "$build" --prefix /usr --component sim >/dev/null
installed=$(cd "$tmp/root" && find . -type f -o -type l | sort)
packaged=$(printf '%s\n%s\n' "$panel_files" "$sim_files" | grep -v '^d' | awk '{ print $6 }' | sort)
[ "$installed" = "$packaged" ] || {
    echo "installed and packaged files differ (< installed only, > packaged only):"
    diff <(echo "$installed") <(echo "$packaged")
    fail "the packages do not hold what an install puts in place"
}
echo "packages: $(basename "$panel") $(basename "$sim"): lintian clean, everything installed packaged"
