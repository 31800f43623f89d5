#!/usr/bin/env bash
# Fails when a source file includes a header of a higher layer. The layers, lowest
# first; a folder may include its own headers and those of any folder before it.
# Utils holds pure helpers: besides Platform, it may not include the system's
# file, stream or process headers.
set -eu
cd "${1:-$(dirname "$0")/..}/src"
layers=(RoTypes Utils Platform Logger RoConfig RoTrf FReport Pkt RoSystem ToolsLib)
declare -A rank
for i in "${!layers[@]}"; do rank[${layers[$i]}]=$i; done

failed=0
for dir in */; do
  dir=${dir%/}
  if [ -z "${rank[$dir]+set}" ]; then
    echo "src/$dir: a folder without a layer (add it to scripts/check-layers.sh)"
    failed=1
  fi
done

while IFS=: read -r file line text; do
  from=${file%%/*}
  to=${text#*\"}
  to=${to%%/*}
  [ -n "${rank[$from]+set}" ] && [ -n "${rank[$to]+set}" ] || continue
  if [ "${rank[$to]}" -gt "${rank[$from]}" ]; then
    echo "src/$file:$line: $from includes ${text#*#include } of the higher layer $to"
    failed=1
  fi
done < <(grep -rn --include='*.h' --include='*.cpp' '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[^"]*/' -- */ | sort)

while IFS= read -r hit; do
  echo "src/$hit: Utils does no I/O"
  failed=1
done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*<(fstream|iostream|filesystem|unistd\.h|fcntl\.h|dirent\.h|sys/[^>]*)>' -- Utils | sort)

exit $failed
