#!/usr/bin/env bash
# Builds a demo home beside the executable: kestal, its language file, the sample
# configuration and templates, and an inbound of generated packets; then runs kestal
# over it and shows what happened.
set -eu
build=${1:-build}
demo=$build/demo
rm -rf "$demo"
mkdir -p "$demo/inbound" "$demo/netmail" "$demo/backup" "$demo/trf"
cp "$build/kestal" "$build/english.lng" "$demo/"
cp examples/Kestal.Ini "$demo/Kestal.Ini"
cp -r templates "$demo/templates"
"$build/pktgen" demo "$demo/inbound"
# As if received a while ago: a packet cut short that was written just now is
# taken to be still arriving and left for the next run.
touch -d '2 minutes ago' "$demo"/inbound/*

echo "== Inbound before the run"
ls -l "$demo/inbound"
echo
echo "== kestal"
set +e
(cd "$demo" && ./kestal)
code=$?
set -e
echo
echo "== Exit code: $code"
echo "== Inbound after the run"
ls -l "$demo/inbound"
echo "== Reports written"
ls -l "$demo/netmail"
echo "== Log"
cat "$demo/Kestal.Log" | tr -d '\r'
exit $code
