#!/usr/bin/env bash
# One scenario's result from the PE32 stage's VM run (run-scenarios.sh):
# prints its log and passes only if the scenario passed in the VM.
#   scenario-result.sh JOB NAME
set -euo pipefail
result=$1/results/$2
if [ ! -f "$result.status" ]; then
    echo "FAIL: the VM run brought back no result for $2"
    exit 1
fi
cat "$result.log"
echo "(32-bit Wine in the VM: $(cat "$result.seconds") s)"
status=$(cat "$result.status")
if [ "$status" != 0 ]; then
    echo "FAIL: exit status $status in the VM"
    exit 1
fi
