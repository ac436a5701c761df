"""The fleet table from the shell: every raw log in the folders, one row each.

    python3 -m drovane.fleet FOLDER... [--scheduler ADDRESS] [-o fleet.csv] [-f] [--units UNITS]

The table is written as CSV to standard output, or whole to the file of -o (an existing file
that is not a fleet table is kept unless -f is given). The status is 0 when some log had rows
and none failed, 1 when no log had anything to convert, 255 when a log failed or the table could
not be written; a count of each goes to standard error.
"""

import argparse
import os
import sys
import tempfile

from . import UNITS
from ._fleet import COLUMNS, WARNING_KINDS, fleet_summary, log_row

__all__ = ["COLUMNS", "WARNING_KINDS", "fleet_summary", "log_row", "main"]


def _logs_in(names):
    """Every .bin file under each folder, in name order, and each other name as a log itself (a
    missing one gets its row too)."""
    logs = []
    for name in names:
        if not os.path.isdir(name):
            logs.append(name)
            continue
        for folder, subfolders, files in os.walk(name):
            subfolders.sort()
            logs.extend(os.path.join(folder, file) for file in sorted(files) if file.lower().endswith(".bin"))
    return logs


def _is_fleet_table(path):
    with open(path, "rb") as existing:
        first = existing.readline()
    return first.rstrip(b"\r\n") == ",".join(COLUMNS).encode()


def _write_whole(table, path, force):
    """Writes the table as CSV under `path`, whole or not at all; an existing file that is not a
    fleet table is replaced only when forced."""
    if os.path.isdir(path):
        raise OSError(f"{path} is a folder")
    if os.path.exists(path) and os.path.getsize(path) > 0 and not force and not _is_fleet_table(path):
        raise OSError(f"{path} exists and is not a fleet table; use -f to overwrite it")
    folder, name = os.path.split(os.path.abspath(path))
    handle, temporary = tempfile.mkstemp(prefix=f".{name}.", dir=folder)
    try:
        with os.fdopen(handle, "w", newline="") as out:
            table.to_csv(out, index=False)
        os.replace(temporary, path)
    except BaseException:
        os.unlink(temporary)
        raise


def main(argv=None):
    parser = argparse.ArgumentParser(
        prog="python3 -m drovane.fleet",
        description="Converts every raw log (.bin) in the folders and writes the fleet table as CSV: one row per log "
        "with its status, message, rows, the trip's figures and the count of each kind of warning.",
    )
    parser.add_argument("folders", nargs="+", metavar="FOLDER", help="a folder of logs, or a log itself")
    parser.add_argument("--scheduler", metavar="ADDRESS", help="a Dask scheduler (tcp://host:8786) to run the logs on")
    parser.add_argument("-o", "--output", metavar="FILE", help="the table's file (default: standard output)")
    parser.add_argument("-f", "--force", action="store_true", help="overwrite an output file that is not a fleet table")
    parser.add_argument("--units", choices=UNITS, default="metric", help="the unit system (default: metric)")
    args = parser.parse_args(argv)

    logs = _logs_in(args.folders)
    try:
        if args.scheduler:
            from distributed import Client

            with Client(args.scheduler) as client:
                table = fleet_summary(logs, client=client, units=args.units)
        else:
            table = fleet_summary(logs, units=args.units)
        if args.output:
            _write_whole(table, args.output, args.force)
        else:
            table.to_csv(sys.stdout, index=False)
    except (OSError, TimeoutError, ValueError) as error:
        print(f"drovane.fleet: {error}", file=sys.stderr)
        return 255
    statuses = table["status"]
    print(
        f"drovane.fleet: {len(table)} logs, {int((statuses == 0).sum())} converted, "
        f"{int((statuses == 1).sum())} with nothing to convert, {int((statuses == 255).sum())} failed",
        file=sys.stderr,
    )
    if (statuses == 255).any():
        return 255
    return 0 if (statuses == 0).any() else 1


if __name__ == "__main__":
    sys.exit(main())
