#!/usr/bin/env bash
# The production executable takes the libusb 0.1 functions from the real shared
# library and carries nothing of the simulated receiver; the demo is the opposite.
set -euo pipefail
production="$1"
demo="$2"
fail() { echo "FAIL: $*"; exit 1; }

# Outputs go through variables: with pipefail, grep -q closing a pipe early would
# fail the producer.
needed() { readelf -d "$1" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'; }
production_needed="$(needed "$production")"
demo_needed="$(needed "$demo")"
grep -qx 'libusb-0.1.so.4' <<<"$production_needed" || fail "$production does not need libusb-0.1.so.4"
if grep 'libusb' <<<"$demo_needed"; then fail "$demo needs the real libusb"; fi

# Every function the receiver link calls must stay undefined in production.
undefined="$(nm -D --undefined-only "$production" | awk '{print $NF}')"
for fn in usb_init usb_find_busses usb_find_devices usb_get_busses usb_open usb_close \
          usb_set_configuration usb_claim_interface usb_bulk_read usb_bulk_write; do
    grep -qx "$fn" <<<"$undefined" || fail "$fn is not an undefined dynamic symbol of $production"
done

# No usb_ function defined in production (symbol table, not only the dynamic one).
defined="$(nm --defined-only "$production" | awk '{print $NF}')"
if grep -E '^usb_' <<<"$defined"; then fail "$production defines usb_ functions"; fi
if grep -E 'sim::|SimReceiver|SimScript' <<<"$(nm -C "$production")"; then
    fail "$production contains simulator code"
fi

# The demo must define usb_open itself, from the simulator.
demo_text="$(nm --defined-only "$demo" | awk '$2 ~ /^[Tt]$/ {print $NF}')"
grep -qx usb_open <<<"$demo_text" || fail "$demo does not define usb_open"
grep -q 'sim::' <<<"$(nm -C "$demo")" || fail "$demo has no simulator code"
echo "production links the real libusb 0.1; the demo the simulator"
