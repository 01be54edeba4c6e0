#!/usr/bin/env bash
# The udev rule against made-up devices: udevadm test runs the system's rules
# and ours on a sysfs written here and shows which devices end up tagged
# "uaccess" (the seat's rules turn that tag into an ACL for the user at the
# desk). It runs in a mount namespace of its own with /sys, /run and /dev
# replaced, so nothing of the real ones is read or written.
#   udev_rule_test.sh RULES_FILE
set -euo pipefail
rules=$(realpath "$1")

if [ "${FAXRCP_UDEV_NAMESPACE:-}" != 1 ]; then
    command -v udevadm >/dev/null || { echo "udevadm is missing (Debian package udev)"; exit 1; }
    # Root makes the namespace directly; anyone else through a user namespace.
    for ns in "unshare -m" "unshare -rm"; do
        if $ns true 2>/dev/null; then
            exec $ns env FAXRCP_UDEV_NAMESPACE=1 bash "$0" "$rules"
        fi
    done
    echo "SKIP: no mount namespace can be made here"
    exit 77
fi

mount -t tmpfs none /sys
mount -t tmpfs none /run
mount -t tmpfs none /dev
mknod -m 666 /dev/null c 1 3 2>/dev/null || touch /dev/null
ln -s /proc/self/fd /dev/fd
mkdir -p /run/udev/rules.d /sys/bus/usb /sys/class/printer /sys/class/ppdev
cp "$rules" /run/udev/rules.d/70-faxrcp.rules
out=/run/udev-test
mkdir -p "$out"

# A USB device whose interfaces have these class/subclass/protocol triples,
# as the kernel shows it: uevent, ids and the raw descriptors.
usb_device() {
    local name=$1
    shift
    local d=/sys/devices/pci0000:00/0000:00:14.0/usb1/$name
    mkdir -p "$d"
    ln -s ../../../../../bus/usb "$d/subsystem"
    printf 'MAJOR=189\nMINOR=%s\nDEVNAME=bus/usb/001/%03d\nDEVTYPE=usb_device\nBUSNUM=001\nDEVNUM=%03d\n' \
        "${name#1-}" "${name#1-}" "${name#1-}" >"$d/uevent"
    printf 'fff0' >"$d/idVendor"
    printf '0001' >"$d/idProduct"
    local total=$((9 + 23 * $#))
    {
        printf '\x12\x01\x00\x02\x00\x00\x00\x40\xf0\xff\x01\x00\x00\x01\x01\x02\x03\x01'
        printf "\\x09\\x02\\x$(printf %02x $((total & 255)))\\x00\\x01\\x01\\x00\\xc0\\x01"
        local alt=0
        for triple in "$@"; do
            printf "\\x09\\x04\\x00\\x$(printf %02x $alt)\\x02\\x${triple:0:2}\\x${triple:2:2}\\x${triple:4:2}\\x00"
            printf '\x07\x05\x01\x02\x40\x00\x00\x07\x05\x82\x02\x40\x00\x00'
            alt=$((alt + 1))
        done
    } >"$d/descriptors"
    echo "$d"
}

class_device() { # SUBSYSTEM NAME MAJOR MINOR
    local d=/sys/devices/virtual/$1/$2
    mkdir -p "$d"
    ln -s "../../../../class/$1" "$d/subsystem"
    printf 'MAJOR=%s\nMINOR=%s\nDEVNAME=%s\n' "$3" "$4" "$2" >"$d/uevent"
    echo "$d"
}

# udev reads the rule and takes every line of it.
first=$(class_device printer lp9 6 9)
SYSTEMD_DEVICE_VERIFY_SYSFS=0 udevadm test --action=add "$first" >"$out/first.log" 2>&1 || true
grep -q 'Reading rules file: /run/udev/rules.d/70-faxrcp.rules' "$out/first.log" ||
    { echo "FAIL: udevadm did not read the rule"; cat "$out/first.log"; exit 1; }
if grep '70-faxrcp.rules:' "$out/first.log"; then
    echo "FAIL: udev complains about the rule"
    exit 1
fi

failures=0
check() { # WANT(uaccess|none) WHAT SYSPATH
    local want=$1 what=$2 syspath=$3 log got=none
    log="$out/$(basename "$syspath").log"
    SYSTEMD_DEVICE_VERIFY_SYSFS=0 udevadm test --action=add "$syspath" >"$log" 2>&1 || true
    if grep -q '^TAGS=.*:uaccess:' "$log"; then
        got=uaccess
    fi
    if [ "$got" = "$want" ]; then
        echo "ok: $what: $got"
    else
        echo "FAIL: $what: wanted $want, got $got"
        grep -E '^(TAGS|ID_USB_INTERFACES|SUBSYSTEM)=' "$log" || true
        failures=$((failures + 1))
    fi
}

check uaccess "USB printer, bidirectional (07/01/02)" "$(usb_device 1-1 070102)"
check uaccess "USB printer, uni- and bidirectional alternates" "$(usb_device 1-2 070101 070102)"
check none "USB printer, unidirectional only (07/01/01)" "$(usb_device 1-3 070101)"
check none "USB mass storage (08/06/50)" "$(usb_device 1-4 080650)"
check uaccess "/dev/lp0 (class printer)" "$(class_device printer lp0 6 0)"
check uaccess "/dev/parport0 (ppdev)" "$(class_device ppdev parport0 99 0)"
check none "/dev/ttyS0 (tty)" "$(class_device tty ttyS0 4 64)"

[ "$failures" -eq 0 ] || exit 1
echo "udev rule: all devices as expected"
