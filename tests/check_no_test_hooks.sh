#!/bin/sh
# What ships carries no test hooks. Usage: check_no_test_hooks.sh NM BINARY...
# Each binary must still show the library's own internal symbols (so its symbol table
# was really searched) and none of the hooks that only the test-only variant has.
set -u
nm=$1
shift
status=0
for binary in "$@"; do
  symbols=$("$nm" -C "$binary" 2>/dev/null)
  if ! printf '%s\n' "$symbols" | grep -q 'tb::allocate('; then
    echo "$binary: no symbol table to search" >&2
    status=1
  fi
  hooks=$(printf '%s\n' "$symbols" | grep -E 'tb::(failAllocations|capSimd)|allocationsToFail|simdCap')
  if [ -n "$hooks" ]; then
    echo "$binary carries test hooks:" >&2
    printf '%s\n' "$hooks" >&2
    status=1
  fi
done
exit $status
