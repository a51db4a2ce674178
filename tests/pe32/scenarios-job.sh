# The PE32 stage's job, run by bash in the guest from the shared job folder:
# every scenario of scenarios.tsv through the Wine suite's run-scenario.sh,
# under 32-bit Wine with the baked 32-bit prefix; then every one of
# wow64-scenarios.tsv in the baked WoW64 prefix, under 64-bit Wine with the
# 64-bit helpers, the twin (bin64/qalm-uninstall64.exe) to hand beside the
# program. Each leaves results/NAME.log, .status and .seconds.
set -uo pipefail
cut -d' ' -f1 /proc/uptime | cut -d. -f1 >results/boot.seconds
wine_dir=$(cat wine-dir)
local=/var/tmp/qalm
# Programs run from the guest's own disk, not through the share.
mkdir -p "$local" && cp -r bin bin64 "$local/" || exit 1

# run_list LIST WINEARCH PREFIX TOOLS [ARGUMENT...]
run_list() {
    local list=$1 arch=$2 prefix=$3 tools=$4 name started status
    shift 4
    while IFS=$'\t' read -r -a scenario; do
        name=${scenario[0]}
        started=$(date +%s)
        WINEARCH=$arch timeout --kill-after=10 300 "$wine_dir/run-scenario.sh" \
            --exe "$local/bin/qalm-uninstall.exe" --tools "$tools" --preview "$local/bin/qalm-preview" \
            --prefix "$prefix" --work "$local/scenarios/$name" "$@" "${scenario[@]:1}" \
            >"results/$name.log" 2>&1 </dev/null
        status=$?
        [ "$status" -eq 124 ] && echo "FAIL: the scenario did not finish within 300 s" >>"results/$name.log"
        echo $(($(date +%s) - started)) >"results/$name.seconds"
        echo "$status" >"results/$name.status"
        echo "$name: $status"
        rm -rf "${local:?}/scenarios/$name"
    done <"$list"
}

run_list scenarios.tsv win32 /var/lib/qalm/pristine-prefix "$local/bin"
run_list wow64-scenarios.tsv win64 /var/lib/qalm/pristine-prefix-wow64 "$local/bin64" \
    --twin "$local/bin64/qalm-uninstall64.exe"
