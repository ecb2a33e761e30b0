# Debian 12 packages the build, the tests and the demo need. Sourced by
# scripts/test and scripts/demo.
ZV_PACKAGES="
  build-essential cmake pkg-config
  qtbase5-dev qtbase5-dev-tools libqt5svg5-dev
  libcpp-httplib-dev libssl-dev openssl libsqlite3-dev sqlite3
  mariadb-server libmariadb-dev nginx
  p7zip-full zip
  xvfb xauth xdotool x11-apps x11-utils trayer openbox
  python3 python3-dbfread python3-dbf
  clang libclang-rt-14-dev
  curl
"

zv_install_packages() {
    missing=""
    for p in $ZV_PACKAGES; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" \
            || missing="$missing $p"
    done
    [ -z "$missing" ] && return 0
    if [ "$(id -u)" -ne 0 ]; then
        echo "missing packages:$missing (run as root to install them)" >&2
        return 1
    fi
    export DEBIAN_FRONTEND=noninteractive
    # The tests start MariaDB and nginx themselves, private to each run; the
    # packages must not start the system's own copies.
    policy=/usr/sbin/policy-rc.d
    [ -e $policy ] || { printf '#!/bin/sh\nexit 101\n' > $policy && chmod 755 $policy && added=1; }
    status=0
    apt-get update -q && apt-get install -y -q --no-install-recommends $missing || status=$?
    [ -z "${added:-}" ] || rm -f $policy
    return $status
}
