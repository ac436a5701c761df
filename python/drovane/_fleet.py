"""The fleet table: one row per raw log, with the converter's status, the trip's figures and the
count of each kind of warning, made on the local cores or on a Dask cluster (drovane.fleet is
its command)."""

import concurrent.futures
import os

import pandas as pd

from . import UNITS, _convert, _drovane, _frame, summary

# The kinds of the converter's warnings, each known by how its line begins, as the converter lists
# them (summary/WarningKinds.h); warnings of a kind not listed count as OTHER_WARNINGS.
WARNING_KINDS = tuple(tuple(kind) for kind in _drovane.WARNING_KINDS)
OTHER_WARNINGS = _drovane.OTHER_WARNINGS

# The trip's figures after the rows, which come before them.
_FIGURES = [key for key, _, _ in _drovane.SUMMARY_FIGURES if key != "rows"]
COLUMNS = ["path", "status", "message", "rows", *_FIGURES, *(kind for kind, _ in WARNING_KINDS), OTHER_WARNINGS]
_COUNTS = {"status", "rows", "packets", OTHER_WARNINGS, *(kind for kind, _ in WARNING_KINDS)}

# How often a log whose task was lost with its worker (after the scheduler's own retries) is
# submitted again before its row says so.
LOST_TASK_RETRIES = 3


def _row(path, status, message):
    row = dict.fromkeys(COLUMNS, float("nan"))
    row.update(dict.fromkeys(_COUNTS, 0))
    row.update(path=path, status=status, message=message)
    return row


def _count_warnings(row, warnings):
    for line in warnings:
        kind = next((kind for kind, start in WARNING_KINDS if line.startswith(start)), OTHER_WARNINGS)
        row[kind] += 1


def log_row(path, units="metric"):
    """The fleet table's row of one log: converted on one thread where it runs, on a worker of
    the cluster too, so that only the row travels. A log that fails is a row, never an error."""
    name = os.fsdecode(os.fspath(path))
    (columns, warnings, status, _, message), _ = _convert(name, units, False, 1)
    row = _row(name, status, message if status != 0 else "")
    _count_warnings(row, warnings)
    if status == 0:
        figures = summary(_frame(columns, units))
        row.update((key, value if value is not None else float("nan")) for key, value in figures.items())
    return row


def _rows_on_cluster(paths, client, units):
    """The rows of the logs as tasks of the cluster behind `client`, in the order given. A task
    lost with its worker is run again by the scheduler; one that the scheduler gives up is
    submitted again, and only after that becomes a row that says so."""
    from distributed import as_completed

    rows = [None] * len(paths)
    futures = client.map(log_row, paths, units=units, pure=False)
    place = {future.key: i for i, future in enumerate(futures)}
    tries = [0] * len(paths)
    pending = as_completed(futures)
    for future in pending:
        i = place.pop(future.key)
        if future.status == "finished":
            rows[i] = future.result()
        elif tries[i] < LOST_TASK_RETRIES:
            tries[i] += 1
            again = client.submit(log_row, paths[i], units, pure=False)
            place[again.key] = i
            pending.add(again)
        else:
            rows[i] = _row(os.fsdecode(os.fspath(paths[i])), 255, f"lost on the cluster: {future.exception()!r}")
        future.release()
    return rows


def fleet_summary(paths, *, client=None, units="metric"):
    """Convert many raw logs and return a pandas.DataFrame of one row per log, in the order given.

    paths   the logs' paths (str or os.PathLike).
    client  a distributed.Client: each log is then a task on its cluster, read where the task
            runs, and only its row comes back. None, the default, converts on the local cores.
    units   "metric", "US" or "UK", as for read_log; the figures are in these units.

    Columns: "path"; "status", the converter's (0 rows, 1 nothing to convert, 255 failed);
    "message", the converter's line that says why a log failed or had nothing to convert, else
    empty; "rows"; the figures of drovane.summary ("duration", "distance", "top_speed",
    "fuel_used", "average_economy", "ev_share", "packets"; NaN where a log has none); and the
    count of each kind of warning ("unfinished_packets", "bad_packets", "skipped_packets",
    "out_of_range", and "other_warnings"). Every path gets its row: a log that cannot be read
    is a row with status 255, and a log whose worker is lost in the middle (killed) is run again.
    """
    paths = list(paths)
    if units not in UNITS:
        raise ValueError(f'units must be "metric", "US" or "UK", not {units!r}')
    if client is not None:
        rows = _rows_on_cluster(paths, client, units)
    else:
        # The conversions run without the interpreter's lock: one thread a core.
        with concurrent.futures.ThreadPoolExecutor(max_workers=os.cpu_count() or 1) as pool:
            rows = list(pool.map(lambda path: log_row(path, units), paths))
    return pd.DataFrame(rows, columns=COLUMNS)
