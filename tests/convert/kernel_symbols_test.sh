#!/usr/bin/env bash
# Each instruction-set kernel's object defines one external symbol, its kernel
# set; everything else it compiles is file-local or inlined. An inline function
# of external linkage emitted there (as at -O0) would be compiled for that
# instruction set, and the linker could pick that copy for every caller.
#   kernel_symbols_test.sh NM OBJECTS...   (OBJECTS may be ;-separated lists)
# Checks the objects of bulk_kernel_{sse2,avx2,avx512}.cpp among OBJECTS, which
# must hold each of them twice: the library's and the -O0 build's.
set -euo pipefail
nm=$1
shift
objects=()
for list in "$@"; do
  IFS=';' read -r -a more <<<"$list"
  objects+=("${more[@]}")
done
declare -A seen=()
status=0
for object in "${objects[@]}"; do
  case $(basename "$object") in
    bulk_kernel_sse2.cpp.o) kernel=Sse2 ;;
    bulk_kernel_avx2.cpp.o) kernel=Avx2 ;;
    bulk_kernel_avx512.cpp.o) kernel=Avx512 ;;
    *) continue ;;
  esac
  seen[$kernel]=$((${seen[$kernel]:-0} + 1))
  symbols=$("$nm" -C --defined-only --extern-only "$object" | cut -d' ' -f3-)
  # Data that is no code: the pointer to the C++ runtime's unwinder, the same in
  # every object, and AddressSanitizer's one-definition marker of the set.
  others=$(grep -vxF -e "quorlin::detail::k${kernel}Set" -e DW.ref.__gxx_personality_v0 \
    <<<"$symbols" | grep -vx "__odr_asan\._ZN7quorlin6detail[0-9]*k${kernel}SetE" || true)
  if ! grep -qxF "quorlin::detail::k${kernel}Set" <<<"$symbols"; then
    echo "$object: no quorlin::detail::k${kernel}Set" >&2
    status=1
  fi
  if [ -n "$others" ]; then
    echo "$object defines more than its kernel:" >&2
    sed 's/^/  /' <<<"$others" >&2
    status=1
  fi
done
for kernel in Sse2 Avx2 Avx512; do
  if [ "${seen[$kernel]:-0}" -ne 2 ]; then
    echo "bulk_kernel for $kernel: ${seen[$kernel]:-0} objects checked, not 2" >&2
    status=1
  fi
done
[ $status -eq 0 ] && echo "6 kernel objects define their kernel set alone"
exit $status
