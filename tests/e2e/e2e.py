#!/usr/bin/python3
"""The end-to-end suite: starts the built program as a process of its own under Xvfb, with a copy
of a database built from the test bank, and drives it through the accessibility tree (AT-SPI) and
real key presses and mouse clicks along the roads of roads.py.

    /usr/bin/python3 tests/e2e/e2e.py --build-dir build [--road N ...] [--keep]

Each road runs its own program with its own database copy and temporary directory. A road that
fails prints what the program showed (the accessibility tree of its windows on screen) and where a
screenshot of that moment is. Needs Xvfb, xdotool, dbus-daemon, at-spi2-core, python3-pyatspi,
python3-pil, python3-xlib, x11-utils and openbox (scripts/common.sh, E2E_PACKAGES); it fails when
any of them is missing."""

import argparse
import glob
import importlib.util
import os
import shutil
import signal
import sys
import tempfile
import time
import traceback

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

REQUIRED_PROGRAMS = {"Xvfb": "xvfb", "xdotool": "xdotool", "dbus-daemon": "dbus", "dbus-send": "dbus",
                     "xprop": "x11-utils", "openbox": "openbox"}
REQUIRED_MODULES = {"pyatspi": "python3-pyatspi", "PIL": "python3-pil", "Xlib": "python3-xlib"}


def missing_requirements():
    missing = []
    for prog, package in REQUIRED_PROGRAMS.items():
        if shutil.which(prog) is None:
            missing.append(f"{prog} ({package})")
    for module, package in REQUIRED_MODULES.items():
        # found, not imported: pyatspi must first see the suite's own session bus
        if importlib.util.find_spec(module) is None:
            missing.append(f"python module {module} ({package})")
    try:
        from harness import find_at_spi_launcher
        find_at_spi_launcher()
    except Exception:
        missing.append("at-spi-bus-launcher (at-spi2-core)")
    return missing


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--build-dir", default=os.path.join(HERE, "..", "..", "build"))
    ap.add_argument("--road", action="append", type=int, help="run only this road (repeatable)")
    ap.add_argument("--keep", action="store_true", help="keep the work folder also when every road passes")
    args = ap.parse_args()

    # a stop from outside still ends the road's programs, the X server and the buses
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    missing = missing_requirements()
    if missing:
        print("e2e: CANNOT RUN, missing: " + ", ".join(missing), file=sys.stderr)
        print("e2e: install them with scripts/test.sh (E2E_PACKAGES in scripts/common.sh)", file=sys.stderr)
        return 2

    import harness
    import roads

    build_dir = os.path.abspath(args.build_dir)
    source_dir = os.path.abspath(os.path.join(HERE, "..", ".."))
    workdir = tempfile.mkdtemp(prefix="ferdano-e2e-")
    suite = harness.Suite(build_dir, source_dir, workdir)
    print(f"e2e: work folder {workdir}", flush=True)
    t0 = time.monotonic()
    try:
        suite.start()
    except Exception as e:
        print(f"e2e: CANNOT RUN: {e}", file=sys.stderr)
        suite.stop()
        return 2
    print(f"e2e: Xvfb on {suite.x.display}, session bus {suite.bus.address}", flush=True)

    passed, failed, skipped = [], [], []
    try:
        for number, title, fn in sorted(roads.ROADS):
            if args.road and number not in args.road:
                continue
            name = f"road{number}"
            r = roads.Road(suite, name)
            start = time.monotonic()
            print(f"--- road {number}: {title}", flush=True)
            try:
                fn(r)
                passed.append(number)
                print(f"PASS road {number} ({time.monotonic() - start:.1f} s)", flush=True)
            except harness.Skip as e:
                skipped.append(number)
                print(f"SKIP road {number}: {e}", flush=True)
            except Exception as e:
                failed.append(number)
                report_failure(r, number, e)
            finally:
                r.close()
    finally:
        suite.stop()

    print(f"e2e: {time.monotonic() - t0:.0f} s")
    print(f"{len(passed)} passed, {len(failed)} failed, {len(skipped)} skipped")
    if failed or not passed:
        for exe in glob.glob(os.path.join(workdir, "road*", "prog", "ferdano")):
            os.remove(exe)  # the build's own program
        print(f"e2e: the work folder {workdir} is kept: logs, screenshots and database copies of each road")
        return 1
    if args.keep:
        print(f"e2e: the work folder {workdir} is kept")
    else:
        shutil.rmtree(workdir, ignore_errors=True)
    return 0


def report_failure(r, number, e):
    import harness
    kind = "FAIL" if isinstance(e, harness.RoadFailure) else "ERROR"
    print(f"{kind} road {number}: {e}", flush=True)
    if not isinstance(e, harness.RoadFailure):
        traceback.print_exc()
    shots = []
    displays = [r.suite.x.display] + [x.display for x in r.extra_x]
    for i, display in enumerate(displays):
        path = os.path.join(r.dir, f"failure-screen{i}.png")
        try:
            harness.screenshot(display, path)
            shots.append(path)
        except Exception as ex:
            print(f"  (no screenshot of {display}: {ex})")
    print("  what the program showed (accessibility tree of its windows on screen):")
    for p in r.programs:
        for proc in p.procs:
            try:
                for line in proc.trees():
                    print("  " + line)
            except Exception as ex:
                print(f"  ({proc.label}: tree not readable: {ex})")
            log = os.path.join(p.root, f"ferdano-{p.procs.index(proc) + 1}.log")
            try:
                tail = open(log, encoding="utf-8", errors="replace").read().strip().splitlines()[-10:]
                if tail:
                    print(f"  last output of {proc.label}:")
                    for line in tail:
                        print("    " + line)
            except OSError:
                pass
    for s in shots:
        print(f"  screenshot: {s}")
    sys.stdout.flush()


if __name__ == "__main__":
    sys.exit(main())
