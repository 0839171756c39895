# Shared by scripts/test, scripts/demo and scripts/package: installs missing
# Debian packages, configures and builds a tree, checks an installed tree.
# Sourced, not run.

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
jobs=$(nproc 2>/dev/null || echo 2)

say() { printf '\n== %s\n' "$*"; }
die() { printf 'error: %s\n' "$*" >&2; exit 1; }

# Packages every build needs. libcivetweb-dev: the monitoring service's HTTP
# server (its runtime, libcivetweb1, comes with it; a package that ships the
# service gets it in Depends through dpkg-shlibdeps). help2man: the man pages,
# made from the programs' --help. libqt5sql5-sqlite and libqt5sql5-psql: Qt
# SQL's drivers for the change journal, loaded at run time, so no link step
# asks for them. libsnmp-dev: net-snmp's agent library, for the service's
# SNMP subagent.
base_packages=(cmake make g++ pkg-config qtbase5-dev qttools5-dev qttools5-dev-tools
               qttranslations5-l10n libcivetweb-dev help2man libqt5sql5-sqlite libqt5sql5-psql
               zlib1g-dev libssl-dev libyaml-cpp-dev libcrypt-dev libcpp-httplib-dev openssl
               libsnmp-dev)

# Installs whichever of the named packages are missing, with apt-get, as
# root or through sudo.
need_packages() {
  local missing=() pkg
  for pkg in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$pkg")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  command -v apt-get >/dev/null || die "missing packages (${missing[*]}) and no apt-get to install them"
  local sudo=()
  if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || die "missing packages (${missing[*]}); run as root or install sudo"
    sudo=(sudo)
  fi
  say "installing ${missing[*]}"
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# configure_and_build <build dir> [cmake options...]
configure_and_build() {
  local dir=$1
  shift
  cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  cmake --build "$dir" -j"$jobs"
}

# check_installed ROOT: runs the programs installed under ROOT with the
# prefix /usr (a DESTDIR, an unpacked package, or / once the package is
# installed) from ROOT/usr/bin, off screen, with settings and a data directory
# of their own. qvt-config --check-install, in Chinese, must find its
# translations in ROOT/usr/share/qvt-config/lang and put its alarm logs in the
# user's data directory, never into the installation; qvt-cli --help and
# qvt-monitord --help must run; each program must have its man page.
check_installed() {
  local root=${1%/} home out
  home=$(mktemp -d)
  mkdir -p "$home/config/Brelmonti" "$home/data" "$home/runtime"
  chmod 700 "$home/runtime"
  printf '[General]\nLanguage=1\n' >"$home/config/Brelmonti/cfg.conf"
  local run=(env QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME="$home/config"
             XDG_DATA_HOME="$home/data" XDG_RUNTIME_DIR="$home/runtime")
  if ! out=$("${run[@]}" "$root/usr/bin/qvt-config" --check-install); then
    printf '%s\n' "$out"
    die "qvt-config --check-install failed under $root/usr/bin"
  fi
  printf '%s\n' "$out"
  local expect
  for expect in "installed: *yes" "language: *Chinese" \
                "translations: *$root/usr/share/qvt-config/lang" \
                "window title: *Zorvane QVT 配置工具" "Cancel button: *取消" \
                "alarm logs: *$home/data/qvt-config/logs"; do
    grep -qx "$expect" <<<"$out" || die "qvt-config --check-install: no line '$expect'"
  done
  [ ! -e "$root/usr/logs" ] || die "the alarm log went into the installation"
  "${run[@]}" "$root/usr/bin/qvt-cli" --help >/dev/null || die "qvt-cli --help failed under $root/usr/bin"
  echo "qvt-cli --help: runs"
  "${run[@]}" "$root/usr/bin/qvt-monitord" --help >/dev/null || die "qvt-monitord --help failed under $root/usr/bin"
  echo "qvt-monitord --help: runs"
  local program
  for program in qvt-config qvt-cli qvt-devsim qvt-monitord; do
    gzip -t "$root/usr/share/man/man1/$program.1.gz" 2>/dev/null || die "no man page for $program under $root"
  done
  echo "man pages: all four"
  rm -rf "$home"
}
