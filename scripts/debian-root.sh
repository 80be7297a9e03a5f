# scripts/debian-root.sh: sourced (". scripts/debian-root.sh"), not run. A
# fresh Debian 12 to try things on as a new machine has it. Needs root,
# debootstrap and the network.
#
#   debian_root_base BASE [PACKAGES...]
#       builds BASE once and keeps it (a few minutes): debootstrap
#       --variant=minbase bookworm, the three suites a Debian 12 installation
#       lists, /etc/hosts and /etc/hostname as the installer writes them, a
#       user "player" without sudo, and PACKAGES installed.
#   debian_root_fresh BASE ROOT
#       makes ROOT a fresh copy of BASE with /proc, /sys and /dev mounted.
#   debian_root_unmount
#       unmounts what debian_root_fresh mounted; call it from an exit trap.
#   in_root COMMAND...
#       runs COMMAND as root in ROOT with a clean environment.

debian_mirror=${DEBIAN_MIRROR:-http://deb.debian.org/debian}

debian_root_base() {
  local base=$1
  shift
  [[ -f "$base/.complete" ]] && return 0
  echo "== building a base Debian 12 in $base" >&2
  rm -rf "$base"
  mkdir -p "$(dirname "$base")"
  debootstrap --variant=minbase bookworm "$base" "$debian_mirror" > "$base.debootstrap.log" 2>&1 ||
    { tail -20 "$base.debootstrap.log" >&2; return 1; }
  cat > "$base/etc/apt/sources.list" << EOF
deb $debian_mirror bookworm main
deb $debian_mirror bookworm-updates main
deb http://deb.debian.org/debian-security bookworm-security main
EOF
  echo debian > "$base/etc/hostname"
  cat > "$base/etc/hosts" << 'EOF'
127.0.0.1	localhost
127.0.1.1	debian

# The following lines are desirable for IPv6 capable hosts
::1     localhost ip6-localhost ip6-loopback
ff02::1 ip6-allnodes
ff02::2 ip6-allrouters
EOF
  cp /etc/resolv.conf "$base/etc/resolv.conf"
  chroot "$base" env DEBIAN_FRONTEND=noninteractive sh -c \
    'apt-get update -q && apt-get upgrade -y -q &&
     { [ -z "$*" ] || apt-get install -y -q --no-install-recommends "$@"; } &&
     apt-get clean && useradd -m -s /bin/bash player' sh "$@" > "$base.log" 2>&1 ||
    { tail -20 "$base.log" >&2; return 1; }
  touch "$base/.complete"
}

debian_root_mounted=()
debian_root_fresh() {
  local base=$1 m
  root=$2
  debian_root_unmount
  rm -rf "$root"
  cp -a "$base" "$root"
  for m in proc sys dev; do
    case $m in
      proc) mount -t proc proc "$root/proc" ;;
      *) mount --rbind "/$m" "$root/$m" && mount --make-rslave "$root/$m" ;;
    esac
    debian_root_mounted+=("$root/$m")
  done
  cp /etc/resolv.conf "$root/etc/resolv.conf"
}

debian_root_unmount() {
  local i
  for ((i = ${#debian_root_mounted[@]} - 1; i >= 0; i--)); do
    umount -l "${debian_root_mounted[i]}" 2> /dev/null || true
  done
  debian_root_mounted=()
}

in_root() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin DEBIAN_FRONTEND=noninteractive LANG=C.UTF-8 "$@"; }
