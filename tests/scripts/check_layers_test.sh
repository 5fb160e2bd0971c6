#!/usr/bin/env bash
# The cases of scripts/check-layers on small source trees: an include that
# points up is reported, a tree that keeps the order passes, and a folder or
# file that cannot be read fails the check instead of passing unchecked.
set -euo pipefail
# The check and the tree lie in a scratch folder that every user can
# reach: as root the check runs as another user, who may not be able to
# reach the project's own folder.
work=$(mktemp -d)
trap 'chmod -R u+rwx "$work"; rm -rf "$work"' EXIT
chmod 755 "$work"
check=$work/check-layers
cp "$(dirname "$0")/../../scripts/check-layers" "$check"
chmod 755 "$check"
tree=$work/tree
mkdir -m 755 "$tree"

failures=0
# expect NAME STATUS TEXT: the check of the tree exits with STATUS and its
# output holds TEXT. Run as an unprivileged user when root, whom no file
# permission stops.
expect() {
  local name=$1 want=$2 text=$3 status=0 out
  local as_user=()
  ((EUID != 0)) || as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups --)
  out=$("${as_user[@]}" "$check" "$tree" 2>&1) || status=$?
  if ((status != want)) || [[ $out != *"$text"* ]]; then
    echo "check-layers, $name: exit status $status ($want expected), output without \"$text\":"
    echo "$out"
    failures=1
  fi
}

mkdir -p "$tree/platform" "$tree/core"
echo '#pragma once' >"$tree/platform/clock.h"
echo '#include "platform/clock.h"' >"$tree/core/text.cpp"
expect "a tree in order" 0 ""

echo '#include "core/text.h"' >"$tree/platform/upward.cpp"
expect "an include up the layers" 1 'platform/upward.cpp: includes "core/text.h" (platform/ may not include core/)'
rm "$tree/platform/upward.cpp"

mkdir "$tree/core/hidden"
echo '#include "platform/clock.h"' >"$tree/core/hidden/a.cpp"
chmod 000 "$tree/core/hidden"
expect "a folder that cannot be read" 1 "a folder cannot be read"
chmod 755 "$tree/core/hidden"

chmod 000 "$tree/core/hidden/a.cpp"
expect "a file that cannot be read" 1 "a source file cannot be read"
exit "$failures"
