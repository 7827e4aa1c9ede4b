#!/usr/bin/env bash
# Installs the Debian 12 packages the build and the tests need, if any is missing,
# and makes sure this machine can run Wine's 32-bit programs.
set -euo pipefail
# g++-mingw-w64-x86-64 brings both its win32 and posix variants, as the i686 one does.
packages=(cmake ninja-build g++ g++-mingw-w64-i686 g++-mingw-w64-x86-64 clang lld llvm googletest libgtest-dev
          libbenchmark-dev unzip spin wine wine32:i386 wine64)
here=$(dirname "$0")
"$here/install-packages.sh" "${packages[@]}"
sudo=
[ "$(id -u)" -eq 0 ] || sudo=sudo

# Wine runs 32-bit programs with a 32-bit Linux loader. Some kernels cannot
# execute 32-bit programs at all (no IA32 emulation); there the loader runs
# under qemu's user-mode emulator, registered with the kernel's binfmt_misc.
if ! /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
    echo "this kernel cannot run 32-bit programs: running them under qemu-user instead (slower)"
    # Debian 12's qemu 7.2 takes about two minutes of CPU to start each Wine
    # process; the qemu 10 of bookworm-backports a few seconds.
    if ! qemu-i386-static --version 2>/dev/null | grep -qE "version (9|[1-9][0-9])\."; then
        backports=/etc/apt/sources.list.d/bookworm-backports.sources
        if ! grep -rqs "bookworm-backports" /etc/apt/sources.list /etc/apt/sources.list.d; then
            echo "  adding Debian's bookworm-backports to apt's sources, for qemu-user-static"
            printf '%s\n' "Types: deb" "URIs: http://deb.debian.org/debian" "Suites: bookworm-backports" \
                "Components: main" "Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg" | $sudo tee $backports >/dev/null
        fi
        echo "installing: qemu-user-static from bookworm-backports"
        $sudo apt-get update -qq
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq -o Dpkg::Use-Pty=0 -t bookworm-backports \
            qemu-user-static >/dev/null
    fi
    binfmt=/proc/sys/fs/binfmt_misc
    [ -e $binfmt/register ] || $sudo mount -t binfmt_misc binfmt_misc $binfmt
    if [ ! -e $binfmt/qemu-i386 ]; then
        magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
        mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
        echo ":qemu-i386:M::$magic:$mask:/usr/bin/qemu-i386-static:F" | $sudo tee $binfmt/register >/dev/null
    fi
    /lib/ld-linux.so.2 --version >/dev/null 2>&1 || { echo "32-bit programs still do not run" >&2; exit 1; }
fi
