#!/usr/bin/env bash
# Fails unless every plug-in given exports exactly one symbol, _IKvModule_Create.
status=0
for f in "$@"; do
  syms=$(nm -D --defined-only "$f" | awk '$2 ~ /^[TtWwVvBbDdRr]$/ {print $3}' \
         | grep -v -E '^(_init|_fini|_edata|_end|__bss_start)$')
  if [ "$syms" != "_IKvModule_Create" ]; then
    echo "$f exports:"; echo "$syms"; status=1
  else
    echo "$f: _IKvModule_Create only"
  fi
done
exit $status
