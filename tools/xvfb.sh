# Sourced by the run and test commands: starts a private Xvfb display and
# stops it when the calling script exits. Sets DISPLAY. The server does not
# reset between clients (-noreset): a test that connects while it resets
# would find no display.
start_private_display() {
    local number
    for number in $(seq 90 140); do
        [ -e "/tmp/.X11-unix/X$number" ] || [ -e "/tmp/.X$number-lock" ] && continue
        Xvfb ":$number" -screen 0 1024x768x24 -nolisten tcp -noreset >/dev/null 2>&1 &
        XVFB_PID=$!
        for _ in $(seq 1 50); do
            if DISPLAY=":$number" xdpyinfo >/dev/null 2>&1; then
                export DISPLAY=":$number"
                trap 'kill $XVFB_PID 2>/dev/null; wait $XVFB_PID 2>/dev/null' EXIT
                return 0
            fi
            kill -0 $XVFB_PID 2>/dev/null || break
            sleep 0.1
        done
        kill $XVFB_PID 2>/dev/null || true
    done
    echo "Could not start Xvfb" >&2
    return 1
}
