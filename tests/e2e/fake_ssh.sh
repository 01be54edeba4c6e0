#!/bin/sh
# Stands in for ssh: runs the far side's command on this computer in an
# environment of its own, as sshd would. FAKE_SSH_BIN holds the far side's
# programs, FAKE_SSH_LOCKS its port locks; FAKE_SSH_CUT ends the connection
# after that many bytes from the client.
while [ $# -gt 0 ]; do
    case "$1" in
    -T) shift ;;
    -o | -p) shift 2 ;;
    *) break ;;
    esac
done
host=$1
shift
case "$host" in
unknown.invalid)
    echo "ssh: Could not resolve hostname $host: Name or service not known" >&2
    exit 255
    ;;
refused.test)
    echo "root@$host: Permission denied (publickey)." >&2
    exit 255
    ;;
nobridge.test)
    echo "sh: 1: $1: not found" >&2
    exit 127
    ;;
esac
program="$FAKE_SSH_BIN/$1"
shift
if [ -n "$FAKE_SSH_CUT" ]; then
    dd bs=1 count="$FAKE_SSH_CUT" status=none |
        env -i PATH=/usr/bin:/bin FAXRCP_LOCK_DIR="$FAKE_SSH_LOCKS" "$program" "$@"
else
    exec env -i PATH=/usr/bin:/bin FAXRCP_LOCK_DIR="$FAKE_SSH_LOCKS" "$program" "$@"
fi
