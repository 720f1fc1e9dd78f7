#!/usr/bin/env bash
# guest-modules.sh on both kernel package layouts, built here from stand-in modules
# (empty ELF objects with a .modinfo section, which is all modinfo reads):
# Debian 12's lib/modules with plain .ko files, Debian 13's usr/lib/modules with
# .ko.xz and a built-in module, and a package that lacks a module.
set -euo pipefail
gather="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fail() {
  echo "FAIL: $*"
  exit 1
}
cc -x c -c /dev/null -o "$work/empty.o"

# module DIR FILE_NAME DEPENDS: a stand-in module that depends on DEPENDS.
module() {
  mkdir -p "$1"
  printf 'license=GPL\0depends=%s\0name=%s\0' "$3" "${2%%.*}" >"$work/info"
  objcopy --add-section .modinfo="$work/info" --set-section-flags .modinfo=alloc,readonly \
    "$work/empty.o" "$1/$2"
}

# Debian 12: virtio-pci's dependency named with '-' in depends=, found as '_'.
old="$work/bookworm/lib/modules/6.1.0-1-amd64/kernel"
module "$old/drivers/virtio" virtio_pci.ko "virtio-pci-legacy-dev"
module "$old/drivers/virtio" virtio_pci_legacy_dev.ko ""
module "$old/net/9p" 9pnet_virtio.ko "9pnet"
module "$old/net/9p" 9pnet.ko ""
order="$("$gather" "$work/bookworm" 6.1.0-1-amd64 "$work/out12" virtio_pci 9pnet_virtio | paste -sd' ')"
[ "$order" = "virtio_pci_legacy_dev virtio_pci 9pnet 9pnet_virtio" ] || fail "Debian 12 order: $order"
cmp -s "$old/net/9p/9pnet.ko" "$work/out12/9pnet.ko" || fail "Debian 12: 9pnet.ko not copied as it is"

# Debian 13: compressed modules, virtio_pci built in, so neither it nor its
# dependency is loaded.
new="$work/trixie/usr/lib/modules/6.12.1-amd64"
module "$new/kernel/net/9p" 9pnet_virtio.ko "9pnet"
module "$new/kernel/net/9p" 9pnet.ko ""
module "$new/kernel/drivers/usb/usbip" vhci-hcd.ko "usbip-core"
module "$new/kernel/drivers/usb/usbip" usbip-core.ko ""
cp "$new/kernel/net/9p/9pnet.ko" "$work/9pnet.plain"
xz "$new"/kernel/net/9p/*.ko "$new"/kernel/drivers/usb/usbip/*.ko
echo "kernel/drivers/virtio/virtio_pci.ko" >"$new/modules.builtin"
order="$("$gather" "$work/trixie" 6.12.1-amd64 "$work/out13" virtio_pci 9pnet_virtio vhci_hcd |
  paste -sd' ')"
[ "$order" = "9pnet 9pnet_virtio usbip_core vhci_hcd" ] || fail "Debian 13 order: $order"
cmp -s "$work/9pnet.plain" "$work/out13/9pnet.ko" || fail "Debian 13: 9pnet.ko not decompressed"
[ ! -e "$work/out13/virtio_pci.ko" ] || fail "Debian 13: the built-in virtio_pci was copied"

# A module that is neither there nor built in, and a wrong kernel version: an
# exit status and a reason, never a partial list taken for the whole.
rm "$new/kernel/net/9p/9pnet.ko.xz"
if message="$("$gather" "$work/trixie" 6.12.1-amd64 "$work/out" 9pnet_virtio 2>&1 >/dev/null)"; then
  fail "a missing dependency was not reported"
fi
grep -q "module 9pnet is neither" <<<"$message" || fail "missing module, message: $message"
if message="$("$gather" "$work/trixie" 6.12.2-amd64 "$work/out" 9pnet_virtio 2>&1 >/dev/null)"; then
  fail "a missing modules folder was not reported"
fi
grep -q "no lib/modules/6.12.2-amd64" <<<"$message" || fail "missing folder, message: $message"
echo "guest modules gathered as expected on both layouts"
