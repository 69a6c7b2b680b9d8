#!/usr/bin/env python3
"""Runs TORVA's benchmark programs and the SQLite floor, and prints one table.

    bench/compare.py BUILD_DIR [--repetitions N] [--rounds R] [--min-time SECONDS]
                     [--markdown FILE]

Every time figure is the median wall-clock time over N repetitions (each repetition is Google
Benchmark's mean over its iterations, read from its JSON output); the programs run in turn in R
rounds, so that a slow spell of a shared machine falls on both sides. Beside it stands the same
work done by the floor (bench/floor.h: the shortest path written directly on SQLite's C API),
and their ratio.
Memory figures are the median peak resident set (ru_maxrss, read with wait4 by bench/peak_rss)
of child processes: `torva-host --script` for a headless open-close, `torva-host --snapshot` on
the offscreen platform for the window mode, and the two floor probes beside them.

Logs, the JSON of every program and the table in Markdown (results.md) are kept in
BUILD_DIR/bench-work/. Python standard library only.
"""

import argparse
import json
import os
import shutil
import statistics
import subprocess
import sys
import time

# (figure, (program, benchmark) of TORVA, (program, benchmark) of the floor). Benchmark names are
# Google Benchmark's run names without the "/repeats:N", "/manual_time" and "/real_time" suffixes;
# NAME#torva and NAME#floor are the two sides of a paired benchmark (its counters).
TIME_ROWS = [
    ("open: connect, load, refresh, recalc (audited demo)",
     ("figures_bench", "BM_Open"), ("floor_bench", "BM_FloorOpen")),
    ("close: save every field (87 keys, 1 transaction)",
     ("floor_bench", "BM_PairedSaveAll#torva"), ("floor_bench", "BM_PairedSaveAll#floor")),
    ("close: whole (save, SJKS.txt, disconnect)",
     ("floor_bench", "BM_PairedClose#torva"), ("floor_bench", "BM_PairedClose#floor")),
    ("open + close (demo as delivered)",
     ("floor_bench", "BM_PairedOpenClose#torva"), ("floor_bench", "BM_PairedOpenClose#floor")),
    ("keystroke T_44: both fees and cascades",
     ("design_bench", "BM_CoefficientKeystroke"), ("floor_bench", "BM_FloorCoefficientKeystroke")),
    ("keystroke T_9: totals, cap, cover",
     ("figures_bench", "BM_AuditFeeKeystroke"), ("floor_bench", "BM_FloorAuditFeeKeystroke")),
    ("refresh, 1,000 G_QF rows",
     ("refresh_bench", "BM_RefreshRows/1000"), ("floor_bench", "BM_FloorRefreshRows/1000")),
    ("refresh, 100,000 G_QF rows",
     ("refresh_bench", "BM_RefreshRows/100000"), ("floor_bench", "BM_FloorRefreshRows/100000")),
    ("refresh, 1,000,000 G_QF rows",
     ("refresh_bench", "BM_RefreshRows/1000000"), ("floor_bench", "BM_FloorRefreshRows/1000000")),
]

# The floor first, so that a floor that does not compute what TORVA computes stops the run early.
PROGRAMS = ["floor_bench", "figures_bench", "design_bench", "refresh_bench", "params_bench"]

UNITS = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}


def run_name(entry):
    name = entry.get("run_name", entry["name"])
    parts = [p for p in name.split("/")
             if not p.startswith("repeats:") and p not in ("manual_time", "real_time")]
    return "/".join(parts)


def read_samples(path, samples):
    """Adds every repetition of one program's JSON output to samples[benchmark], as
    (wall seconds, cpu seconds). A benchmark that reports only its aggregates (design_bench's
    and refresh_bench's open fix that in their source) adds its median over this run instead."""
    with open(path, encoding="utf-8") as f:
        data = json.load(f)
    runs, medians = {}, {}
    for entry in data.get("benchmarks", []):
        if entry.get("error_occurred") or "real_time" not in entry:
            continue  # the complexity fits (BigO, RMS) carry no time
        unit = UNITS[entry.get("time_unit", "ns")]
        # A manual-time benchmark counts the processor time of its untimed part too; those that
        # matter give their own as the counter "cpu".
        sample = (entry["real_time"] * unit, entry.get("cpu", entry["cpu_time"] * unit))
        if entry.get("run_type") == "iteration":
            runs.setdefault(run_name(entry), []).append(sample)
            for side in ("torva", "floor"):
                if side in entry:  # a paired benchmark: each side's seconds per iteration
                    cpu = entry.get(side + "_cpu", entry[side])
                    runs.setdefault(f"{run_name(entry)}#{side}", []).append((entry[side], cpu))
        elif entry.get("aggregate_name") == "median":
            medians[run_name(entry)] = sample
    for name, sample in medians.items():
        runs.setdefault(name, [sample])
    for name, found in runs.items():
        samples.setdefault(name, []).extend(found)


def run_program(build, work, program, args, round_index, samples):
    """Runs one program for one round; its repetitions are added to `samples`."""
    exe = os.path.join(build, "bench", program)
    if not os.path.exists(exe):
        print(f"  {program}: not built, skipped", flush=True)
        return
    out = os.path.join(work, f"{program}.{round_index}.json")
    log = os.path.join(work, f"{program}.{round_index}.log")
    command = [exe, f"--benchmark_repetitions={args.per_round}",
               "--benchmark_display_aggregates_only=true",
               f"--benchmark_min_time={args.min_time}",
               f"--benchmark_out={out}", "--benchmark_out_format=json"]
    env = dict(os.environ, TORVA_BENCH_DIR=work)
    start = time.monotonic()
    print(f"  round {round_index + 1}: {program} ...", end="", flush=True)
    with open(log, "w", encoding="utf-8") as f:
        status = subprocess.call(command, stdout=f, stderr=subprocess.STDOUT, env=env)
    print(f" {time.monotonic() - start:.0f} s", flush=True)
    if status != 0:
        with open(log, encoding="utf-8", errors="replace") as f:
            sys.stderr.write(f.read()[-4000:])
        sys.exit(f"{program} failed (status {status}); its log is {log}")
    read_samples(out, samples.setdefault(program, {}))


def medians_of(samples):
    return {program: {name: (statistics.median(r for r, _ in runs),
                             statistics.median(c for _, c in runs))
                      for name, runs in benches.items()}
            for program, benches in samples.items()}


def peak_rss_bytes(launcher, command, env=None):
    """Peak resident set of `command`, measured by bench/peak_rss (see there why not from here)."""
    result = subprocess.run([launcher] + command, stdout=subprocess.DEVNULL,
                            stderr=subprocess.PIPE, env=env)
    stderr = result.stderr.decode("utf-8", "replace")
    lines = [line for line in stderr.splitlines() if line.startswith("peak_rss_kib=")]
    if result.returncode != 0 or not lines:
        sys.exit(f"{' '.join(command)} failed ({result.returncode}): {stderr}")
    return int(lines[-1].split("=", 1)[1]) * 1024


def median_rss(launcher, command, times, env=None):
    return statistics.median(peak_rss_bytes(launcher, command, env) for _ in range(times))


def memory_figures(build, work):
    """Peak RSS of a headless open-close and of the window mode, TORVA and floor, in bytes."""
    host_exe = os.path.join(build, "torva-host")
    sqlexec = os.path.join(build, "torva-sqlexec")
    source = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    places = {}
    for side in ("torva", "floor"):
        host = os.path.join(work, "memory", side, "host")
        shutil.rmtree(os.path.dirname(host), ignore_errors=True)
        os.makedirs(os.path.join(host, "Data"))
        shutil.copyfile(os.path.join(build, "Data", "GL.mgl"), os.path.join(host, "Data", "GL.mgl"))
        places[side] = (host, os.path.join(os.path.dirname(host), "project.db"))
    # The audited demo: the demo budget, opened at stage 4, a route length entered, closed.
    host, project = places["torva"]
    subprocess.check_call([host_exe, "--init", project])
    subprocess.check_call([sqlexec, project, os.path.join(source, "data", "demo_project.sql")])
    script = os.path.join(work, "memory", "audit.script")
    with open(script, "w", encoding="utf-8") as f:
        f.write("set T_31 12.5\nkey T_31 enter\nclose\n")
    stage = ["4", "", "", "12.5", "3"]
    subprocess.check_call([host_exe, "--host-folder", host, "--script", script, project] + stage,
                          stdout=subprocess.DEVNULL)
    floor_host, floor_project = places["floor"]
    shutil.copyfile(project, floor_project)
    shutil.copyfile(os.path.join(host, "SJKS.txt"), os.path.join(floor_host, "SJKS.txt"))

    rss = os.path.join(build, "bench", "peak_rss")
    probe = os.path.join(build, "bench", "floor_probe")
    qt_probe = os.path.join(build, "bench", "qt_floor_probe")
    close_only = os.path.join(work, "memory", "close.script")
    with open(close_only, "w", encoding="utf-8") as f:
        f.write("close\n")
    headless = median_rss(rss, [host_exe, "--host-folder", host, "--script", close_only, project]
                          + stage, 5)
    headless_floor = median_rss(rss, [probe, floor_project, floor_host], 5)
    offscreen = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    shots = os.path.join(work, "memory", "snapshots")
    window = median_rss(rss, [host_exe, "--host-folder", host, "--snapshot", shots, project]
                        + stage, 3, offscreen)
    window_floor = median_rss(rss, [qt_probe, floor_project, floor_host, shots + "-floor"], 3,
                              offscreen)
    # What torva-host holds before it does anything: its shared libraries, Qt's among them.
    startup = median_rss(rss, [host_exe, "--help"], 3)
    rows = [("memory: headless open-close (peak RSS)", headless, headless_floor),
            ("memory: window mode, demo, offscreen (peak RSS)", window, window_floor)]
    return rows, startup


def format_time(seconds):
    for unit, scale in (("s", 1.0), ("ms", 1e-3), ("µs", 1e-6), ("ns", 1e-9)):
        if seconds >= scale or unit == "ns":
            value = seconds / scale
            break
    digits = 0 if value >= 100 else 1 if value >= 10 else 2
    return f"{value:.{digits}f} {unit}"


def format_bytes(count):
    return f"{count / (1024 * 1024):.1f} MiB"


def build_table(medians, memory, which=0):
    """Rows (figure, TORVA, floor, kind); `which` 0 takes the wall-clock medians, 1 the processor
    time medians (memory figures are the same in both)."""
    rows = []
    for figure, (tp, tb), (fp, fb) in TIME_ROWS:
        torva = medians.get(tp, {}).get(tb)
        floor = medians.get(fp, {}).get(fb)
        rows.append((figure, torva[which] if torva else None, floor[which] if floor else None,
                     "time"))
    # Cost growth: what each added G_QF row costs, between 1,000 and 1,000,000 rows.
    small = [medians.get(p, {}).get(b) for p, b in (TIME_ROWS[6][1], TIME_ROWS[6][2])]
    large = [medians.get(p, {}).get(b) for p, b in (TIME_ROWS[8][1], TIME_ROWS[8][2])]
    if all(small) and all(large):
        per_row = [(large[i][which] - small[i][which]) / 999000 for i in range(2)]
        rows.append(("refresh: cost per added G_QF row", per_row[0], per_row[1], "time"))
    for figure, torva, floor in memory:
        rows.append((figure, torva, floor, "bytes"))
    return rows


def render(rows, markdown, time_header="median"):
    header = ("figure", f"TORVA {time_header}", f"SQLite floor {time_header}", "ratio")
    lines = []
    for figure, torva, floor, kind in rows:
        fmt = format_time if kind == "time" else format_bytes
        t = fmt(torva) if torva is not None else "—"
        f = fmt(floor) if floor is not None else "—"
        ratio = f"{torva / floor:.2f}" if torva and floor else "—"
        if torva and floor and torva / floor > 3:
            ratio += " *"
        lines.append((figure, t, f, ratio))
    if markdown:
        out = ["| " + " | ".join(header) + " |", "|---|---:|---:|---:|"]
        out += ["| " + " | ".join(line) + " |" for line in lines]
        return "\n".join(out)
    widths = [max(len(str(r[i])) for r in [header] + lines) for i in range(4)]
    sep = "-+-".join("-" * w for w in widths)

    def row(r):
        return " | ".join(str(r[0]).ljust(widths[0]) if i == 0 else str(r[i]).rjust(widths[i])
                          for i in range(4))
    return "\n".join([row(header), sep] + [row(r) for r in lines])


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("build", help="a Release build directory with the bench programs built")
    parser.add_argument("--repetitions", type=int, default=10,
                        help="repetitions of every benchmark, spread over the rounds")
    parser.add_argument("--rounds", type=int, default=2,
                        help="the programs run in turn this many times, so that a slow spell of "
                             "the machine (a disk sync that waits) falls on both sides")
    parser.add_argument("--min-time", type=float, default=0.2,
                        help="minimum time of each repetition, in seconds")
    parser.add_argument("--markdown", help="also write the table as Markdown to this file")
    args = parser.parse_args()

    args.per_round = max(1, args.repetitions // args.rounds)
    build = os.path.abspath(args.build)
    work = os.path.join(build, "bench-work")
    os.makedirs(work, exist_ok=True)
    print(f"Running the benchmarks ({args.rounds} rounds of {args.per_round} repetitions of at "
          f"least {args.min_time} s each; logs in {work}):", flush=True)
    samples = {}
    for round_index in range(args.rounds):
        for program in PROGRAMS:
            # params_bench stands in no row of the table; its own figure is printed once.
            if program != "params_bench" or round_index == args.rounds - 1:
                run_program(build, work, program, args, round_index, samples)
    medians = medians_of(samples)
    print("  memory probes ...", end="", flush=True)
    start = time.monotonic()
    memory, startup = memory_figures(build, work)
    print(f" {time.monotonic() - start:.0f} s", flush=True)

    rows = build_table(medians, memory)
    print()
    print(render(rows, markdown=False))
    print("\nWall-clock medians. * ratio above 3: bench/RESULTS.md gives the cause.")
    print(f"torva-host started and ended with --help: {format_bytes(startup)} peak RSS "
          "(its shared libraries, Qt's among them).")
    params = os.path.join(work, f"params_bench.{args.rounds - 1}.log")
    if os.path.exists(params):
        with open(params, encoding="utf-8", errors="replace") as f:
            for line in f:
                if line.startswith("median save of all keys"):
                    print("params_bench: " + line.strip())
    with open(os.path.join(work, "results.json"), "w", encoding="utf-8") as f:
        json.dump({"medians": medians, "rows": rows}, f, indent=1, ensure_ascii=False)
    # The Markdown adds the processor-time medians: the work without the waits for the disk.
    cpu_rows = [r for r in build_table(medians, memory, which=1) if r[3] == "time"]
    markdown = (render(rows, markdown=True) + "\n\nProcessor time (medians):\n\n"
                + render(cpu_rows, markdown=True, time_header="CPU") + "\n")
    for path in filter(None, [os.path.join(work, "results.md"), args.markdown]):
        with open(path, "w", encoding="utf-8") as f:
            f.write(markdown)


if __name__ == "__main__":
    main()
