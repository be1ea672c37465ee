#!/usr/bin/env python3
"""Time from exec to the first frame on the X server, with where it goes.

startup.py RUNS PROBE QULMO ARGS...: runs QULMO ARGS with the probe module
preloaded RUNS times and prints the median of each stretch between its marks.
DISPLAY and the sound path must already be set up.
"""
import os
import statistics
import subprocess
import sys
import tempfile
import time

STRETCHES = [
    ("exec, dynamic linking and library start-up", "exec", "libraries_loaded"),
    ("options, configuration, UI description, font, playlist", "libraries_loaded", "x_open_begin"),
    ("X connection (XOpenDisplay)", "x_open_begin", "x_open_end"),
    ("window, input layer, canvas", "x_open_end", "mp3_open_begin"),
    ("MP3 open and length scan", "mp3_open_begin", "mp3_scan_end"),
    ("tags, album art (cover.jpg decode and scale), static layer, title", "mp3_scan_end", "alsa_open_begin"),
    ("ALSA open (PulseAudio connection)", "alsa_open_begin", "alsa_open_end"),
    ("ALSA hardware parameters", "alsa_open_end", "alsa_configured"),
    ("first pump run, first redraw, bindings, first loop pass", "alsa_configured", "first_present_begin"),
    ("XPutImage of the first frame until the server has it", "first_present_begin", "first_frame_on_server"),
]


def one_run(probe, command):
    with tempfile.TemporaryDirectory() as tmp:
        marks_path = os.path.join(tmp, "marks")
        env = dict(os.environ, LD_PRELOAD=probe, QULMO_STARTUP_MARKS=marks_path)
        t0 = time.monotonic_ns()
        proc = subprocess.Popen(command, env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL)
        try:
            proc.wait(timeout=20)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()
        marks = {"exec": t0}
        if not os.path.exists(marks_path):
            return None
        for line in open(marks_path):
            name, ns = line.split()
            marks.setdefault(name, int(ns))  # the first time each mark was reached
        return {k: (v - t0) / 1e6 for k, v in marks.items()}


def main():
    runs = int(sys.argv[1])
    probe = sys.argv[2]
    command = sys.argv[3:]
    results = []
    one_run(probe, command)  # warms the file cache; not counted
    for _ in range(runs):
        r = one_run(probe, command)
        if r is None:
            print("a run did not reach its first frame", file=sys.stderr)
            continue
        results.append(r)
    if not results:
        sys.exit(1)
    total = [r["first_frame_on_server"] for r in results]
    print(f"exec to first frame on the X server: median {statistics.median(total):.1f} ms "
          f"over {len(results)} runs (min {min(total):.1f}, max {max(total):.1f})")
    print("| stretch | median ms |")
    print("|---|---:|")
    for label, a, b in STRETCHES:
        spans = [r[b] - r[a] for r in results if a in r and b in r]
        if spans:
            print(f"| {label} | {statistics.median(spans):.1f} |")


if __name__ == "__main__":
    main()
