# Sourced by the scripts whose steps take minutes, so that none stays silent
# for more than 20 seconds: a quiet build step (one compile can take four
# minutes) or a stage running in the background reads as a hang otherwise.

# COMMAND | relay WHAT: passes the lines on, and says "... still WHAT (N s)"
# whenever 20 seconds pass without one.
relay() {
    local what=$1 start line partial= status
    start=$(date +%s)
    while :; do
        if IFS= read -r -t 20 line; then
            printf '%s\n' "$partial$line"
            partial=
        else
            status=$?
            if ((status > 128)); then
                partial+=$line # a line read in part before the timeout
                echo "  ... still $what ($(($(date +%s) - start)) s)"
            else
                [ -z "$partial$line" ] || printf '%s\n' "$partial$line"
                return 0
            fi
        fi
    done
}

# heartbeat PID WHAT [LOG]: while the background job PID runs, every 15
# seconds (more often than a relay waiting on it would speak) a line with
# WHAT, the seconds so far and the last line of its LOG; when it has ended,
# the time it ended (seconds since the epoch) in LOG.end. The printer's own
# PID is left in heartbeat_pid.
heartbeat() {
    local pid=$1 what=$2 log=${3:-} start seconds=0
    start=$(date +%s)
    (
        while kill -0 "$pid" 2>/dev/null; do
            sleep 1
            if ((++seconds % 15 == 0)) && kill -0 "$pid" 2>/dev/null; then
                echo "  ... $what, $(($(date +%s) - start)) s${log:+: $(tail -n 1 "$log" 2>/dev/null | tr -d '\r' | cut -c1-100)}"
            fi
        done
        [ -z "$log" ] || date +%s >"$log.end"
    ) &
    heartbeat_pid=$!
}
