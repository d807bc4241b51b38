#!/usr/bin/env bash
# Runs `make test` in a freshly made Debian, 13 (trixie, the default) or 12 (bookworm), so that
# a change can be checked on either stable release from any Debian machine. The first run
# bootstraps a minimal system from Debian's archive once; every run starts from a pristine copy
# of it, as a freshly installed machine would, copies in this working tree (uncommitted changes
# too, build trees left out), installs git and make, and runs `make test` there as root. What
# apt downloads is kept, so later runs fetch only the package lists.
#
#   scripts/fresh-debian.sh [13|12]          bootstrap if needed, then copy, install and test
#   scripts/fresh-debian.sh [13|12] shell    a shell in the last run's system, for a closer look
#
# WAGGLER_FRESH_DEBIAN_CACHE names the folder it keeps (default ~/.cache/waggler, about 700 MB a
# release with the downloads, and 4 GB more for the last run's system with its builds);
# DEBIAN_MIRROR the archive (default http://deb.debian.org/debian).
# It needs root for debootstrap, chroot and mounts, and runs itself through sudo otherwise.
# Without the room a run needs it says so and exits with 75 (EX_TEMPFAIL), having started
# nothing, so that a caller can tell a disk too full from a failure.
set -euo pipefail

if [ "$(id -u)" -ne 0 ]; then
  exec sudo WAGGLER_FRESH_DEBIAN_CACHE="${WAGGLER_FRESH_DEBIAN_CACHE:-$HOME/.cache/waggler}" \
    DEBIAN_MIRROR="${DEBIAN_MIRROR:-}" "$0" "$@"
fi

release=13
case "${1:-}" in 12 | 13) release=$1; shift ;; esac
case $release in 12) suite=bookworm ;; 13) suite=trixie ;; esac
mode=${1:-test}
SECONDS=0
repo=$(cd "$(dirname "$0")/.." && pwd)
cache=${WAGGLER_FRESH_DEBIAN_CACHE:-${HOME}/.cache/waggler}/debian$release
mirror=${DEBIAN_MIRROR:-http://deb.debian.org/debian}
base=$cache/base        # the bootstrapped system, never run in
root=$cache/root        # the last run's copy of it
debs=$cache/archives    # apt's downloads, shared by every run
mkdir -p "$cache" "$debs/partial"

# The room a test run takes, in MB: the copied system with its packages and build trees at most,
# and a first run's bootstrapped system and downloads besides. The last run's system goes first.
run_mb=5000
first_mb=1200
if [ "$mode" = test ]; then
  rm -rf --one-file-system "$root"
  need=$run_mb
  [ -f "$base/.complete" ] || need=$((need + first_mb))
  free=$(df -Pm "$cache" | awk 'NR == 2 { print $4 }')
  if [ "$free" -lt "$need" ]; then
    echo "Not enough room for a fresh Debian $release: $free MB free in $cache, a run needs" \
      "$need MB; none was started."
    exit 75
  fi
fi

if [ "$mode" = test ] && [ ! -f "$base/.complete" ]; then
  command -v debootstrap >/dev/null || {
    echo "Installing debootstrap"
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends debootstrap
  }
  echo "Bootstrapping Debian $release into $base"
  rm -rf "$base"
  debootstrap --variant=minbase --cache-dir="$debs" $suite "$base" "$mirror"
  # A freshly installed system also follows the point releases and the security archive.
  rm -f "$base/etc/apt/sources.list"
  cat >"$base/etc/apt/sources.list.d/debian.sources" <<EOF
Types: deb
URIs: $mirror
Suites: $suite $suite-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb
URIs: http://security.debian.org/debian-security
Suites: $suite-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
  touch "$base/.complete"
fi
[ -f "$base/.complete" ] || { echo "No Debian $release system yet: run $0 $release first" >&2; exit 1; }

if [ "$mode" = test ]; then
  echo "Copying a fresh system and the working tree"
  cp -a "$base" "$root"
  mkdir -p "$root/root/waggler"
  git -C "$repo" ls-files -z --cached --others --exclude-standard |
    (cd "$repo" && tar --null -T - -cf - --ignore-failed-read) | tar -xf - -C "$root/root/waggler"
  cat >"$root/root/run.sh" <<'EOF'
set -e
export DEBIAN_FRONTEND=noninteractive
apt-get update -q
apt-get install -y -q --no-install-recommends git make
cd /root/waggler
make test
EOF
  inner="bash /root/run.sh"
elif [ "$mode" = shell ]; then
  [ -d "$root/root/waggler" ] || { echo "No run to look at yet" >&2; exit 1; }
  inner="bash -l"
else
  echo "usage: $0 [13|12] [test|shell]" >&2
  exit 2
fi
cp /etc/resolv.conf "$root/etc/resolv.conf"

# Its own mount and process namespaces: the mounts go, and every program the tests left
# running ends, when the run does.
status=0
unshare --mount --pid --fork --propagation private bash -c '
  set -e
  root=$1 debs=$2; shift 2
  mount -t proc proc "$root/proc"
  mount --bind -o ro /sys "$root/sys"
  mount --bind /dev "$root/dev"
  mount --bind /dev/pts "$root/dev/pts"
  mount -t tmpfs -o mode=1777 shm "$root/dev/shm"
  mount -t tmpfs -o mode=1777 tmp "$root/tmp"
  mount --bind "$debs" "$root/var/cache/apt/archives"
  exec chroot "$root" env -i HOME=/root TERM="${TERM:-dumb}" \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin "$@"
' fresh-debian "$root" "$debs" $inner || status=$?
[ "$mode" = test ] && echo "Debian $release: make test ended with $status after $SECONDS s in all"
exit $status
