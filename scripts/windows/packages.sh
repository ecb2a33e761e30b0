# Debian 12 packages the Windows build and its tests under Wine need, on top
# of scripts/packages.sh. Sourced by scripts/windows/build and test.
ZV_PACKAGES="$ZV_PACKAGES
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  make xz-utils dpkg-dev
  wine wine64 xvfb xauth xdotool trayer python3-dbf
  nsis
"

# 7-Zip's source comes from Debian's source package: the suite's deb-src line
# is added when the machine has none.
zv_add_source_list() {
    apt-cache showsrc 7zip 2>/dev/null | grep -q '^Version:' && return 0
    if [ "$(id -u)" -ne 0 ]; then
        echo "no deb-src line for bookworm (run as root to add one)" >&2
        return 1
    fi
    cat > /etc/apt/sources.list.d/zelvinorapa-src.sources <<'LIST'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
LIST
    apt-get update -q
}
