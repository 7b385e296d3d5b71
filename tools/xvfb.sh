# Sourced by the run and test commands: starts a private Xvfb display and
# stops it when the calling script exits. Sets DISPLAY. The server picks the
# first free display number itself and writes it back (-displayfd), so that
# commands started side by side never pick the same one. The server does not
# reset between clients (-noreset): a test that connects while it resets
# would find no display.
start_private_display() {
    local number_file number=""
    number_file=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$number_file" >/dev/null 2>&1 &
    XVFB_PID=$!
    # The number arrives, newline-terminated, once the server accepts connections.
    for _ in $(seq 1 100); do
        if [ "$(wc -l <"$number_file")" -ge 1 ]; then
            number=$(head -n 1 "$number_file")
            break
        fi
        kill -0 $XVFB_PID 2>/dev/null || break
        sleep 0.1
    done
    rm -f "$number_file"
    if [ -n "$number" ] && DISPLAY=":$number" xdpyinfo >/dev/null 2>&1; then
        export DISPLAY=":$number"
        trap 'kill $XVFB_PID 2>/dev/null; wait $XVFB_PID 2>/dev/null' EXIT
        return 0
    fi
    kill $XVFB_PID 2>/dev/null || true
    echo "Could not start Xvfb" >&2
    return 1
}
