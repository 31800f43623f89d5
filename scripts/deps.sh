#!/usr/bin/env bash
# Installs what building and testing kestal needs, when run as root on Debian;
# otherwise names what is missing.
# With the argument "fuzz": what `make fuzz` needs instead (clang and libFuzzer);
# with "bench": what `make bench` needs (a compiler and /usr/bin/time).
# crashmail and binkd, peers for the interoperation and whole-node tests, are only
# wished for: those tests skip without them, so failing to install them fails nothing.
set -eu
needed=()
wished=()
have() { command -v "$1" >/dev/null 2>&1; }
fuzzer_runtime() {
  local runtime
  runtime=$(clang++ -print-file-name=libclang_rt.fuzzer-x86_64.a 2>/dev/null) &&
    [ -f "$runtime" ] && return 0
  compgen -G "/usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a" >/dev/null
}
if [ "${1:-}" = fuzz ]; then
  have cmake || needed+=(cmake)
  have ninja || needed+=(ninja-build)
  have clang++ || needed+=(clang)
  fuzzer_runtime || needed+=(libclang-rt-14-dev)
elif [ "${1:-}" = bench ]; then
  have cmake || needed+=(cmake)
  have g++ || needed+=(g++)
  have ninja || needed+=(ninja-build)
  [ -x /usr/bin/time ] || needed+=(time)
else
  have cmake || needed+=(cmake)
  have g++ || needed+=(g++)
  have ninja || needed+=(ninja-build)
  have make || needed+=(make)
  have faketime || needed+=(faketime)
  have crashmail || wished+=(crashmail)
  [ -x /usr/sbin/binkd ] || wished+=(binkd)
  [ -f /usr/include/gtest/gtest.h ] || needed+=(libgtest-dev)
  have zip || needed+=(zip)
fi
# Every build links Vectorscan (text masks) and libarchive (mail bundles),
# found through pkg-config.
have pkg-config || needed+=(pkg-config)
[ -f /usr/include/hs/hs.h ] || needed+=(libvectorscan-dev)
[ -f /usr/include/archive.h ] || needed+=(libarchive-dev)
[ ${#needed[@]} -eq 0 ] && [ ${#wished[@]} -eq 0 ] && exit 0
if [ "$(id -u)" = 0 ] && have apt-get; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  if [ ${#needed[@]} -gt 0 ]; then apt-get install -y -qq "${needed[@]}" >/dev/null; fi
  if [ ${#wished[@]} -gt 0 ] && ! apt-get install -y -qq "${wished[@]}" >/dev/null; then
    echo "Could not install ${wished[*]}: the tests that need it are skipped" >&2
  fi
else
  if [ ${#wished[@]} -gt 0 ]; then
    echo "Without ${wished[*]} some tests are skipped (sudo apt-get install ${wished[*]})" >&2
  fi
  [ ${#needed[@]} -eq 0 ] && exit 0
  echo "The tests need these Debian packages: ${needed[*]}" >&2
  echo "Install them with: sudo apt-get install ${needed[*]}" >&2
  exit 1
fi
