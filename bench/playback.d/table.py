#!/usr/bin/env python3
"""Turns the benchmark's raw lines into the table of medians and the target checks.

Input lines: name kind repetition wall user sys rss_kb status
"""
import statistics
import sys


def main(path):
    runs = {}
    order = []
    for line in open(path):
        parts = line.split()
        if len(parts) != 8:
            continue
        name, kind = parts[0], parts[1]
        wall, user, sys_, rss = map(float, parts[3:7])
        status = int(parts[7])
        key = (name, kind)
        if key not in runs:
            runs[key] = []
            order.append(key)
        runs[key].append((wall, user + sys_, user, sys_, rss / 1024.0, status))

    med = {}
    for key, rs in runs.items():
        med[key] = {
            "wall": statistics.median(r[0] for r in rs),
            "cpu": statistics.median(r[1] for r in rs),
            "user": statistics.median(r[2] for r in rs),
            "sys": statistics.median(r[3] for r in rs),
            "rss": statistics.median(r[4] for r in rs),
            "failed": sum(1 for r in rs if r[5] != 0),
            "n": len(rs),
        }
    base = med.get(("mpg123", "mp3"), {}).get("cpu", 0.0)

    def ratio(cpu):
        return cpu / base if base > 0 else float("nan")

    print("| player | file | wall s | CPU s | user s | sys s | peak RSS MB | CPU / mpg123 |")
    print("|---|---|---:|---:|---:|---:|---:|---:|")
    for key in sorted(order, key=lambda k: (k[1] != "mp3", order.index(k))):
        m = med[key]
        note = f" ({m['failed']} of {m['n']} runs failed)" if m["failed"] else ""
        print(f"| {key[0]}{note} | {key[1]} | {m['wall']:.2f} | {m['cpu']:.2f} | {m['user']:.2f} | "
              f"{m['sys']:.2f} | {m['rss']:.1f} | {ratio(m['cpu']):.2f} |")

    print()
    checks = []
    d_mp3 = med.get(("qulmo-default", "mp3"))
    if d_mp3:
        checks.append((f"default description on the MP3 costs no more than mpg123 "
                       f"(ratio {ratio(d_mp3['cpu']):.2f} <= 1.00)", ratio(d_mp3["cpu"]) <= 1.0))
    for kind in ("mp3", "flac"):
        d = med.get(("qulmo-default", kind))
        if not d:
            continue
        for peer in ("sox-play", "ffplay", "mpv"):
            p = med.get((peer, kind))
            if p:
                checks.append((f"default description < {peer} on the {kind.upper()} "
                               f"({d['cpu']:.2f} s vs {p['cpu']:.2f} s)", d["cpu"] < p["cpu"]))
        a = med.get(("qulmo-animated", kind))
        if a:
            checks.append((f"animated description on the {kind.upper()} <= 3 x mpg123 "
                           f"(ratio {ratio(a['cpu']):.2f})", ratio(a["cpu"]) <= 3.0))
        checks.append((f"default description peak RSS on the {kind.upper()} <= 16 MB "
                       f"({d['rss']:.1f} MB)", d["rss"] <= 16.0))
    for text, ok in checks:
        print(f"{'met   ' if ok else 'MISSED'}  {text}")
    for kind in ("mp3", "flac"):
        d, b = med.get(("qulmo-default", kind)), med.get(("qulmo-bus", kind))
        if d and b:
            print(f"desktop media controls on the {kind.upper()}: {b['cpu']:.2f} s CPU on a session "
                  f"bus vs {d['cpu']:.2f} s without ({b['cpu'] - d['cpu']:+.2f} s), "
                  f"peak RSS {b['rss']:.1f} MB vs {d['rss']:.1f} MB")


if __name__ == "__main__":
    main(sys.argv[1])
