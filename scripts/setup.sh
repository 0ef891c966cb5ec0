#!/usr/bin/env bash
# Installs what tarlen needs on a Debian 12 machine, only when missing.
#   scripts/setup.sh          build and runtime packages
#   scripts/setup.sh --test   also what the test suite and benchmarks need
#   scripts/setup.sh --package  also what building the Debian package needs
#   scripts/setup.sh --fuzz   also clang and libFuzzer for scripts/fuzz.sh
set -euo pipefail

# QtKeychain reaches the desktop's keyring through libsecret, which it loads
# at run time.
packages=(g++ make cmake pkg-config qt6-base-dev libgl-dev libcurl4-openssl-dev libssl-dev
          zlib1g-dev qtkeychain-qt6-dev libsecret-1-0 fonts-dejavu-core python3 python3-pyftpdlib)
# The Designer plugin, and dpkg-shlibdeps (with file) for the package's dependencies.
package_tools=(qt6-tools-dev libqt6opengl6-dev dpkg-dev file)
# ProFTPD with mod_tls is the tests' second FTPS server. Its package conflicts
# with vsftpd's (both are an "ftp-server"), so it is unpacked into a folder of
# its own (tests/support/ftp_test_server.cpp looks there) rather than
# installed; the libraries it needs beyond a base system are installed.
proftpd_packages=(proftpd-core proftpd-mod-crypto)
proftpd_dir=/opt/tarlen-test/proftpd
proftpd_libraries=(libhiredis0.14 libmemcached11 libmemcachedutil2 libpcre2-posix3 libsodium23)
if [[ "${1:-}" == "--test" ]]; then
    # openssl and openssh-* make the test certificates and keys and run the
    # SFTP test server (sshd); dbus-daemon and gnome-keyring give the keyring
    # test a private Secret Service.
    packages+=(vsftpd curl lftp xvfb xauth qt6-tools-dev libqt6opengl6-dev openssl
               openssh-client openssh-server dbus-daemon gnome-keyring "${package_tools[@]}"
               desktop-file-utils appstream lintian "${proftpd_libraries[@]}")
elif [[ "${1:-}" == "--package" ]]; then
    packages+=("${package_tools[@]}")
fi
if [[ "${1:-}" == "--fuzz" ]]; then
    packages+=(clang-14 libfuzzer-14-dev)
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed"; then
        missing+=("$p")
    fi
done
unpack_proftpd=0
if [[ "${1:-}" == "--test" && ! -x $proftpd_dir/usr/sbin/proftpd ]]; then
    unpack_proftpd=1
fi
[[ ${#missing[@]} -eq 0 && $unpack_proftpd -eq 0 ]] && exit 0

sudo=()
if [[ $(id -u) -ne 0 ]]; then
    command -v sudo >/dev/null ||
        { echo "need root (or sudo) to install: ${missing[*]} ${proftpd_packages[*]}" >&2; exit 1; }
    sudo=(sudo)
fi

"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
if [[ $unpack_proftpd -eq 1 ]]; then
    echo "Unpacking into $proftpd_dir: ${proftpd_packages[*]}"
    # apt fetches as its own user, which has to be able to write there.
    debs=$(mktemp -d)
    chmod a+rwx "$debs"
    (cd "$debs" && apt-get download -qq "${proftpd_packages[@]}")
    "${sudo[@]}" mkdir -p "$proftpd_dir"
    for deb in "$debs"/*.deb; do
        "${sudo[@]}" dpkg-deb -x "$deb" "$proftpd_dir"
    done
    rm -rf "$debs"
fi
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing: ${missing[*]}"
# Keep package scripts from starting system services (vsftpd would grab port 21,
# sshd port 22); the tests start their own servers.
policy=/usr/sbin/policy-rc.d
made_policy=0
if [[ ! -e $policy ]]; then
    printf '#!/bin/sh\nexit 101\n' | "${sudo[@]}" tee "$policy" >/dev/null
    "${sudo[@]}" chmod +x "$policy"
    made_policy=1
fi
trap '[[ $made_policy -eq 1 ]] && "${sudo[@]}" rm -f "$policy"' EXIT

"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
