#!/usr/bin/env bash
# The functions a C header declares with the tesmaclient_ prefix, one a line,
# sorted: the names the export check and the C# check hold their lists to.
#   c-functions.sh HEADER
set -euo pipefail
grep -ohE '\btesmaclient_[a-z0-9_]+\(' "$1" | tr -d '(' | LC_ALL=C sort -u
