#!/bin/sh
# Runs inside the test guest under PID 1's shell (the host's root, read-only): plays each
# scenario with the USB/IP emulator and the link probe built in the host's build
# tree, writes their output to the result folder and powers the guest off.
# usage: run-scenarios.sh SOURCE_DIR BUILD_DIR RESULT_DIR
src=$1 build=$2 out=$3
export PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/tmp LC_ALL=C.UTF-8
emulator=$build/tests/vm/usbip_emulator
probe=$build/tests/vm/vm_link_probe
scripts=$src/tests/vm/scenarios
nobody="setpriv --reuid=65534 --regid=65534 --clear-groups"
node=
emulator_pid=

say() { read -r up _ </proc/uptime; echo "vm-guest [$up s]: $*"; }

finish() {
    dmesg >"$out/dmesg.txt" 2>&1
    say "done"
    echo done >"$out/done"
    sync
    busybox poweroff -f
}

# Sets node to /dev/bus/usb/BBB/DDD of the emulated device. Shell built-ins only:
# every program started costs tens of milliseconds in the emulated guest.
find_node() {
    node=
    for d in /sys/bus/usb/devices/*; do
        case ${d##*/} in *:*) continue ;; esac
        vendor=
        read -r vendor <"$d/idVendor" 2>/dev/null || continue
        [ "$vendor" = 1234 ] || continue
        read -r bus <"$d/busnum"
        read -r dev <"$d/devnum"
        node=$(printf '/dev/bus/usb/%03d/%03d' "$bus" "$dev")
    done
    [ -n "$node" ] && [ -e "$node" ]
}

# emulator_start SESSION SCRIPT [DESCRIPTORS]: the device attached and enumerated.
emulator_start() {
    "$emulator" --script "$scripts/$2.emu" --log "$out/$1.emu.log" \
        --descriptors "${3:-usb-key}" 2>"$out/$1.emu.err" &
    emulator_pid=$!
    i=0
    until find_node; do
        i=$((i + 1))
        if [ $i -gt 200 ]; then
            say "session $1: the emulated device did not appear"
            return 1
        fi
        sleep 0.05
    done
    say "session $1: device at $node"
}

emulator_stop() {
    kill "$emulator_pid" 2>/dev/null
    wait "$emulator_pid"
    i=0
    while find_node && [ $i -lt 100 ]; do i=$((i + 1)); sleep 0.05; done
}

# probe SCENARIO [COMMAND PREFIX...]: the probe's lines go to SCENARIO.out.
probe() {
    name=$1
    shift
    (cd /tmp && "$@" "$probe" "$name" >"$out/$name.out" 2>"$out/$name.err")
    say "scenario $name: probe exit $?"
}

busybox ip link set lo up  # loopback only: the guest has no network card
say "kernel $(uname -r)"

emulator_start open idle && probe open
emulator_stop

if emulator_start idle idle; then
    probe timeout
    chmod 0600 "$node" && probe access-0600 $nobody
    chmod 0644 "$node" && probe access-0644 $nobody
    chmod 0666 "$node" && probe access-0666 $nobody
fi
emulator_stop

for session in race message network replug unplug-calls; do
    emulator_start $session $session && probe $session
    emulator_stop
done

probe idle-scan

for variant in no-interface-1 wrong-endpoints; do
    emulator_start not-usable-$variant idle $variant && probe not-usable-$variant
    emulator_stop
done

finish
