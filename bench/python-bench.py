"""The Python module's figures: read_log against the converter writing the CSV and pandas.read_csv
of it, on the benchmark's 10 MiB drive, in the same run (best of RUNS, MB/s of raw log, peak
memory of each in a process of its own); and fleet_summary over a folder of benchmark logs on a
local cluster of two worker processes against converting them one after the other.

    PYTHONPATH=build-release/python /usr/bin/python3 bench/python-bench.py CONVERTER LOG FOLDER
"""

import os
import resource
import subprocess
import sys
import tempfile
import time

RUNS = int(os.environ.get("RUNS", "7"))


def best(step):
    times = []
    for _ in range(RUNS):
        start = time.perf_counter()
        step()
        times.append(time.perf_counter() - start)
    return min(times)


def peak_mib(code):
    """How far the peak RSS of a fresh Python running `code` rises above its RSS before, in MiB
    (the modules are imported before)."""
    probe = (
        "import drovane, pandas, resource\n"
        "before = int(open('/proc/self/statm').read().split()[1]) * resource.getpagesize() / 1024\n"
        + code
        + "\nprint(resource.getrusage(resource.RUSAGE_SELF).ru_maxrss - before)"
    )
    run = subprocess.run([sys.executable, "-c", probe], check=True, capture_output=True, text=True)
    return float(run.stdout.split()[-1]) / 1024


def main(converter, log, folder):
    import pandas as pd

    import drovane

    size = os.path.getsize(log)
    with tempfile.TemporaryDirectory() as scratch:
        csv = os.path.join(scratch, "out.csv")

        def by_csv():
            subprocess.run([converter, "-q", "-f", log, csv], check=True, stderr=subprocess.DEVNULL)
            pd.read_csv(csv)

        both = best(by_csv)
        direct = best(lambda: drovane.read_log(log))
        one = best(lambda: drovane.read_log(log, threads=1))
        frame = drovane.read_log(log)
        frame_mib = frame.memory_usage(deep=True).sum() / 2**20
        read_log_peak = peak_mib(f"import drovane; drovane.read_log({log!r})")
        subprocess.run([converter, "-q", "-f", log, csv], check=True, stderr=subprocess.DEVNULL)
        read_csv_peak = peak_mib(f"import drovane, pandas; pandas.read_csv({csv!r})")
    print(f"log {log}: {size} bytes, {len(frame)} rows, the frame {frame_mib:.1f} MiB; best of {RUNS}")
    print(f"converter + read_csv   {both * 1e3:7.1f} ms  {size / 1e6 / both:7.0f} MB/s  peak +{read_csv_peak:5.1f} MiB (read_csv)")
    print(f"read_log               {direct * 1e3:7.1f} ms  {size / 1e6 / direct:7.0f} MB/s  peak +{read_log_peak:5.1f} MiB"
          f"  ({both / direct:.2f} x)")
    print(f"read_log, threads=1    {one * 1e3:7.1f} ms  {size / 1e6 / one:7.0f} MB/s")
    print("(peak: how far the process's peak RSS rose above its RSS once drovane and pandas were imported)")

    from distributed import Client, LocalCluster

    logs = sorted(os.path.join(folder, name) for name in os.listdir(folder) if name.endswith(".bin"))
    start = time.perf_counter()
    for path in logs:
        drovane.fleet.log_row(path)
    serial = time.perf_counter() - start
    with LocalCluster(n_workers=2, threads_per_worker=1, host="127.0.0.1", dashboard_address=None) as cluster:
        with Client(cluster) as client:
            drovane.fleet_summary(logs[:2], client=client)  # the workers import the module
            cluster_time = best(lambda: drovane.fleet_summary(logs, client=client))
    local = best(lambda: drovane.fleet_summary(logs))
    print(f"fleet of {len(logs)} logs: one after the other {len(logs) / serial:6.1f} logs/s, "
          f"local cluster of 2 worker processes {len(logs) / cluster_time:6.1f} logs/s "
          f"({serial / cluster_time:.2f} x), local threads {len(logs) / local:6.1f} logs/s")


if __name__ == "__main__":
    import drovane.fleet  # noqa: F401

    main(*sys.argv[1:4])
