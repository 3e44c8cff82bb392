#!/usr/bin/env python3
"""Times `marlit-cli FILE -o - < OFFSETS` beside a Python loop over pefile's get_rva_from_offset and
the floor program cli_batch_floor, on the same realistic image and the same million offsets, runs
interleaved, and prints the times and the ratios. The outputs of marlit-cli and the
floor must be equal byte for byte (and the --json rows are timed too). A benchmark, not a test.
It prints the fastest of the runs and the median.

usage: bench/cli_batch_compare.py [BUILD_DIR (default build/default)] [--runs N] [--without-pefile]
"""
import argparse
import filecmp
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time


# python3-pefile is Debian's, for Debian's interpreter (another python3 may come first on PATH).
DEBIAN_PYTHON = "/usr/bin/python3"


def ensure_pefile():
    if subprocess.run([DEBIAN_PYTHON, "-c", "import pefile"], capture_output=True).returncode == 0:
        return
    if os.geteuid() == 0 and shutil.which("apt-get"):
        subprocess.run(["apt-get", "install", "-y", "-qq", "python3-pefile"], check=True,
                       env=dict(os.environ, DEBIAN_FRONTEND="noninteractive"))
        return
    sys.exit("cli_batch_compare: the pefile loop needs python3-pefile (apt-get install python3-pefile)")


def timed(command, stdin_path, stdout_path):
    """The wall time and the CPU time (user and system) of one run."""
    with open(stdin_path, "rb") as stdin, open(stdout_path, "wb") as stdout:
        start = time.perf_counter()
        child = subprocess.Popen(command, stdin=stdin, stdout=stdout)
        _, status, usage = os.wait4(child.pid, 0)
        elapsed = time.perf_counter() - start
    child.returncode = os.waitstatus_to_exitcode(status)
    if child.returncode != 0:
        sys.exit(f"cli_batch_compare: {command[0]} exited {child.returncode}")
    return elapsed, usage.ru_utime + usage.ru_stime


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build", nargs="?", default="build/default")
    parser.add_argument("--runs", type=int, default=11)
    # Where python3-pefile cannot be installed, the rest is still timed.
    parser.add_argument("--without-pefile", action="store_true")
    args = parser.parse_args()
    if not args.without_pefile:
        ensure_pefile()
    here = os.path.dirname(os.path.abspath(__file__))
    cli = os.path.join(args.build, "cli", "marlit-cli")
    floor = os.path.join(args.build, "bench", "cli_batch_floor")
    files = os.path.join(args.build, "bench", "cli_batch_files")
    for program in (cli, floor, files):
        if not os.access(program, os.X_OK):
            sys.exit(f"cli_batch_compare: build {program} first")

    with tempfile.TemporaryDirectory() as work:
        image = os.path.join(work, "realistic.exe")
        offsets = os.path.join(work, "offsets.txt")
        subprocess.run([files, image, offsets], check=True)
        programs = {
            "marlit-cli": [cli, image, "-o", "-"],
            "marlit-cli --json": [cli, image, "--json", "-o", "-"],
            "floor": [floor, image],
        }
        if not args.without_pefile:
            programs["pefile loop"] = [DEBIAN_PYTHON, os.path.join(here, "pefile_batch.py"), image]
        times = {name: [] for name in programs}
        for run in range(args.runs):
            # Interleaved, and each round in another order, so that a slow moment of the machine
            # falls on all of them alike.
            names = list(programs)
            names = names[run % len(names):] + names[:run % len(names)]
            for name in names:
                out = os.path.join(work, name.replace(" ", "_") + ".out")
                times[name].append(timed(programs[name], offsets, out))
        same = filecmp.cmp(os.path.join(work, "marlit-cli.out"), os.path.join(work, "floor.out"),
                           shallow=False)
        lines = sum(1 for _ in open(offsets, "rb"))

    # The fastest run of each is its cost with the least disturbance from the rest of the
    # machine; the median shows how much that disturbance was.
    print(f"{lines} offsets, {args.runs} interleaved runs of each; the fastest run's wall time and "
          "CPU time (user + system), and the median CPU time")
    wall = {name: min(t[0] for t in runs) for name, runs in times.items()}
    cpu = {name: min(t[1] for t in runs) for name, runs in times.items()}
    median = {name: statistics.median(t[1] for t in runs) for name, runs in times.items()}
    for name in programs:
        print(f"  {name:<18} wall {wall[name] * 1000:8.1f} ms   cpu {cpu[name] * 1000:8.1f} ms"
              f"   (median cpu {median[name] * 1000:.1f} ms)")

    def ratio(label, a, b, wanted):
        # The runs of a round are next to each other in time: the median of the rounds' ratios
        # is the least disturbed by the machine's slow moments.
        paired = statistics.median(x[1] / y[1] for x, y in zip(times[a], times[b]))
        print(f"  {label:<32} wall {wall[a] / wall[b]:6.2f}x   cpu {cpu[a] / cpu[b]:6.2f}x"
              f"   (median cpu {median[a] / median[b]:.2f}x, paired {paired:.2f}x)   {wanted}")

    if "pefile loop" in programs:
        ratio("pefile loop / marlit-cli", "pefile loop", "marlit-cli", "wanted >= 12")
    ratio("marlit-cli / floor", "marlit-cli", "floor", "wanted <= 1.3")
    ratio("marlit-cli --json / marlit-cli", "marlit-cli --json", "marlit-cli", "")
    print(f"  marlit-cli and floor output byte for byte: {'same' if same else 'DIFFERENT'}")
    return 0 if same else 1


if __name__ == "__main__":
    sys.exit(main())
