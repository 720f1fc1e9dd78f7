#!/usr/bin/env bash
# Gathers the kernel modules the test guest loads from an unpacked Debian kernel
# package, for scripts/vm-test: each wanted module and what it depends on, with
# dependencies first. The package has no modules.dep, so each module's own
# "depends=" decides the order. Debian 12 keeps the modules under lib/modules as
# .ko; Debian 13 under usr/lib/modules as .ko.xz, with some of them (virtio_pci)
# built into the kernel, listed in modules.builtin and left out here.
#
#   guest-modules.sh PACKAGE_ROOT KERNEL_VERSION OUT_DIR MODULE...
#
# Writes OUT_DIR/NAME.ko uncompressed (busybox's insmod loads them) and prints the
# names in load order. Exits non-zero, saying why, when a module is missing.
set -euo pipefail
export PATH="$PATH:/usr/sbin:/sbin"  # modinfo, for users other than root
package="$1" kver="$2" out="$3"
shift 3

fail() {
  echo "guest-modules: $*" >&2
  exit 1
}
moddir=""
for d in "$package/lib/modules/$kver" "$package/usr/lib/modules/$kver"; do
  if [ -d "$d" ]; then
    moddir="$d"
    break
  fi
done
[ -n "$moddir" ] || fail "no lib/modules/$kver or usr/lib/modules/$kver in $package"

# Module names treat '-' and '_' alike.
declare -A file_of=() seen=() builtin=()
while read -r file; do
  name="${file##*/}"
  name="${name%.xz}"
  name="${name%.ko}"
  file_of[${name//-/_}]="$file"
done < <(find "$moddir" -name '*.ko' -o -name '*.ko.xz')
if [ -f "$moddir/modules.builtin" ]; then
  while read -r file; do
    name="${file##*/}"
    name="${name%.ko}"
    builtin[${name//-/_}]=1
  done <"$moddir/modules.builtin"
fi

order=()
add() {
  local name="${1//-/_}" file dep
  [ -z "${seen[$name]:-}" ] || return 0
  seen[$name]=1
  [ -z "${builtin[$name]:-}" ] || return 0
  file="${file_of[$name]:-}"
  [ -n "$file" ] || fail "module $name is neither in $moddir nor built into the kernel"
  case "$file" in
    *.xz) xz -dc "$file" >"$out/$name.ko" || fail "cannot decompress $file" ;;
    *) cp "$file" "$out/$name.ko" ;;
  esac
  for dep in $(modinfo -F depends "$out/$name.ko" | tr ',' ' '); do
    add "$dep"
  done
  order+=("$name")
}
mkdir -p "$out"
for m in "$@"; do add "$m"; done
printf '%s\n' "${order[@]}"
