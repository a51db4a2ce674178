# The PE32 stage's job, run by bash in the guest from the shared job folder:
# every scenario of scenarios.tsv through the Wine suite's run-scenario.sh,
# under 32-bit Wine, with the pristine prefix baked into the image. Each
# leaves results/NAME.log, .status and .seconds.
set -uo pipefail
cut -d' ' -f1 /proc/uptime | cut -d. -f1 >results/boot.seconds
wine_dir=$(cat wine-dir)
local=/var/tmp/qalm
# Programs run from the guest's own disk, not through the share.
mkdir -p "$local/bin" && cp bin/* "$local/bin/" || exit 1
export WINEARCH=win32

while IFS=$'\t' read -r -a scenario; do
    name=${scenario[0]}
    started=$(date +%s)
    timeout --kill-after=10 300 "$wine_dir/run-scenario.sh" \
        --exe "$local/bin/qalm-uninstall.exe" --tools "$local/bin" --preview "$local/bin/qalm-preview" \
        --prefix /var/lib/qalm/pristine-prefix --work "$local/scenarios/$name" "${scenario[@]:1}" \
        >"results/$name.log" 2>&1 </dev/null
    status=$?
    [ "$status" -eq 124 ] && echo "FAIL: the scenario did not finish within 300 s" >>"results/$name.log"
    echo $(($(date +%s) - started)) >"results/$name.seconds"
    echo "$status" >"results/$name.status"
    echo "$name: $status"
    rm -rf "${local:?}/scenarios/$name"
done <scenarios.tsv
