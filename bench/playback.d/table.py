#!/usr/bin/env python3
"""Turns the benchmark's raw lines into the table of medians and the target checks.

  table.py RESULTS          input lines: name kind repetition wall user sys rss_kb
                            status sound_cpu x_cpu
  table.py --frames BASE NEW  two bench_frame JSON files side by side: CPU time per
                            iteration of every benchmark in both, and new / base
"""
import json
import statistics
import sys

FIELDS = ("wall", "cpu", "sound", "x", "sum", "rss")


def main(path):
    runs = {}
    order = []
    for line in open(path):
        parts = line.split()
        if len(parts) != 10:
            continue
        name, kind = parts[0], parts[1]
        wall, user, sys_, rss = map(float, parts[3:7])
        status = int(parts[7])
        sound, x = float(parts[8]), float(parts[9])
        key = (name, kind)
        if key not in runs:
            runs[key] = []
            order.append(key)
        cpu = user + sys_
        runs[key].append({"wall": wall, "cpu": cpu, "sound": sound, "x": x,
                          "sum": cpu + sound + x, "rss": rss / 1024.0, "failed": status != 0})

    # Medians of each column on their own; the sum's median is that of the per-run sums.
    med = {}
    for key, rs in runs.items():
        m = {f: statistics.median(r[f] for r in rs) for f in FIELDS}
        m["failed"] = sum(1 for r in rs if r["failed"])
        m["n"] = len(rs)
        med[key] = m
    base = med.get(("mpg123", "mp3"), {}).get("sum", 0.0)

    print("| player | file | wall s | CPU s | sound server s | X server s | sum s | "
          "peak RSS MB | sum / mpg123 |")
    print("|---|---|---:|---:|---:|---:|---:|---:|---:|")
    for key in sorted(order, key=lambda k: (k[1] != "mp3", order.index(k))):
        m = med[key]
        note = f" ({m['failed']} of {m['n']} runs failed)" if m["failed"] else ""
        ratio = f"{m['sum'] / base:.2f}" if base > 0 else "-"
        print(f"| {key[0]}{note} | {key[1]} | {m['wall']:.2f} | {m['cpu']:.2f} | "
              f"{m['sound']:.2f} | {m['x']:.2f} | {m['sum']:.2f} | {m['rss']:.1f} | {ratio} |")

    print()
    print("Targets (ratios of sums = player + sound server + X server, MP3, medians):")

    def get(name):
        return med.get((name, "mp3"))

    checks = []
    d, a = get("qulmo-default"), get("qulmo-animated")
    base_d, base_a = get("base-default"), get("base-animated")
    aud, aud_vis = get("audacious"), get("audacious-vis")
    floor, mpg = get("floor-xpending"), get("mpg123")
    def ratio(label, new, base, key, limit):
        if new and base:
            r = new[key] / base[key]
            checks.append((f"{label}: {new[key]:.2f} / {base[key]:.2f} = {r:.2f}", r <= limit))

    ratio("shipped animated look, player CPU <= 0.8 x the base's", a, base_a, "cpu", 0.8)
    ratio("shipped animated look <= 1.35 x Audacious with its spectrum", a, aud_vis, "sum", 1.35)
    ratio("default look not worse than the base (within the 5 % runs spread)", d, base_d, "sum",
          1.05)
    ratio("default look <= 0.8 x Audacious without visualiser", d, aud, "sum", 0.8)
    if d and floor and mpg:
        f = floor["sum"] + mpg["sum"]
        r = d["sum"] / f
        checks.append((f"default look <= 1.15 x (loop with XPending + mpg123): "
                       f"{d['sum']:.2f} / ({floor['sum']:.2f} + {mpg['sum']:.2f}) = {r:.2f}",
                       r <= 1.15))
    ratio("shipped animated look <= Audacious with its spectrum (both ~30 frames/s)", a, aud_vis,
          "sum", 1.0)
    for name, m in (("default", d), ("shipped animated", a)):
        if m:
            checks.append((f"{name} look peak RSS <= 13 MB: {m['rss']:.2f} MB", m["rss"] <= 13.0))
    for text, ok in checks:
        print(f"{'met   ' if ok else 'MISSED'}  {text}")
    for kind in ("mp3", "flac"):
        d, b = med.get(("qulmo-default", kind)), med.get(("qulmo-bus", kind))
        if d and b:
            print(f"desktop media controls on the {kind.upper()}: {b['cpu']:.2f} s CPU on a session "
                  f"bus vs {d['cpu']:.2f} s without ({b['cpu'] - d['cpu']:+.2f} s), "
                  f"peak RSS {b['rss']:.1f} MB vs {d['rss']:.1f} MB")


def frames(base_path, new_path):
    def load(path):
        try:
            runs = json.load(open(path))["benchmarks"]
        except (OSError, ValueError, KeyError):
            return {}
        return {b["name"]: b["cpu_time"] for b in runs if "error_occurred" not in b}

    base, new = load(base_path), load(new_path)
    print("| benchmark | base us | new us | new / base |")
    print("|---|---:|---:|---:|")
    for name, us in new.items():
        b = base.get(name)
        ratio = f"{us / b:.2f}" if b else "-"
        print(f"| {name} | {b:.1f} | {us:.1f} | {ratio} |" if b else f"| {name} | - | {us:.1f} | - |")


if __name__ == "__main__":
    if sys.argv[1] == "--frames":
        frames(sys.argv[2], sys.argv[3])
    else:
        main(sys.argv[1])
