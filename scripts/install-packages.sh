#!/usr/bin/env bash
# Installs those of the named Debian packages that are missing, saying which,
# with sudo when not root; a package for i386 first enables that architecture.
# Shows apt's summary (the number of packages, the download, the disk space)
# and a line for every ten packages fetched and every 25 set up, so that a
# long install is never silent for long.
#   install-packages.sh PACKAGE...
set -euo pipefail
missing=()
for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -gt 0 ] || exit 0
sudo=
[ "$(id -u)" -eq 0 ] || sudo=sudo
echo "installing: ${missing[*]}"
if [[ " ${missing[*]}" == *:i386* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
fi
echo "  reading the package lists (apt-get update)"
$sudo apt-get update -qq
# A shell loop, not awk: mawk reads a pipe in blocks and would hold the lines back.
count() { (($1 % $2 == 0 || $1 == total)) && echo "  $3 $1 of $total"; true; }
total=0 fetched=0 unpacked=0 configured=0
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -o Dpkg::Use-Pty=0 "${missing[@]}" | while IFS= read -r line; do
    case $line in
    *" upgraded, "*" newly installed, "*)
        read -r upgraded _ installed _ _ reinstalled kind _ <<<"$line"
        total=$((upgraded + installed))
        [[ $kind == reinstalled* ]] && total=$((total + reinstalled))
        echo "  $line" ;;
    "Need to get "* | "After this operation, "*) echo "  $line" ;;
    Get:*) count $((++fetched)) 10 fetched ;;
    "Unpacking "*) count $((++unpacked)) 25 unpacked ;;
    "Setting up "*) count $((++configured)) 25 "set up" ;;
    esac
done
