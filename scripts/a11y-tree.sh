#!/usr/bin/env bash
# Starts the program under Xvfb with accessibility on and prints the tree that screen readers
# see (role, name, states), after the given number of seconds; optional xdotool keys first.
#   bash scripts/a11y-tree.sh SECONDS [KEY...]
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
wait_s="${1:-5}"; shift || true
command -v Xvfb >/dev/null && /usr/bin/python3 -c 'import pyatspi' 2>/dev/null && command -v dbus-launch >/dev/null || {
  apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq xvfb xdotool at-spi2-core python3-pyatspi dbus-x11 >/dev/null; }
for d in $(seq 170 199); do [ -e /tmp/.X$d-lock ] || break; done
Xvfb :$d -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 & xpid=$!
export DISPLAY=:$d
eval "$(dbus-launch --sh-syntax)"
/usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 & apid=$!
trap 'kill $ppid $apid $xpid $DBUS_SESSION_BUS_PID 2>/dev/null || true' EXIT
sleep 1
QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1 "$ROOT/build/bin/ferdano" >/dev/null 2>&1 & ppid=$!
sleep "$wait_s"
for k in "$@"; do xdotool key "$k"; sleep 0.5; done
/usr/bin/python3 - <<'PY'
import pyatspi
def walk(acc, depth=0):
    try:
        states = acc.getState().getStates()
        st = ",".join(pyatspi.stateToString(s) for s in states if s in (pyatspi.STATE_FOCUSED, pyatspi.STATE_CHECKED, pyatspi.STATE_ENABLED, pyatspi.STATE_SHOWING))
        actions = ""
        try:
            a = acc.queryAction()
            actions = " actions=" + ",".join(a.getName(i) for i in range(a.nActions))
        except Exception:
            pass
        print("  " * depth + f"[{acc.getRoleName()}] '{acc.name}' ({st}){actions}")
        for i in range(acc.childCount):
            walk(acc.getChildAtIndex(i), depth + 1)
    except Exception as e:
        print("  " * depth + f"<error {e}>")
desktop = pyatspi.Registry.getDesktop(0)
for i in range(desktop.childCount):
    app = desktop.getChildAtIndex(i)
    if app is not None and "ferdano" in (app.name or "").lower():
        walk(app)
PY
