"""Raw logs of the Drovane in-car display, straight into pandas.

read_log converts a raw log with the converter's own conversion (the same rows, cells and
warnings as drovane2csv's CSV) into a pandas.DataFrame without a file in between; summary gives
the trip's figures, as drovane-plot prints them; fleet_summary (drovane.fleet) makes one table of
many logs, on the local cores or on a Dask cluster.
"""

import os

import numpy as np
import pandas as pd

from . import _drovane

__all__ = ["read_log", "summary", "fleet_summary", "UNITS"]

# The unit systems read_log takes: "UK" converts exactly like "metric".
UNITS = ("metric", "US", "UK")

# A log held in memory rather than named by its path.
_IN_MEMORY = (bytes, bytearray, memoryview)


def _convert(source, units, hold, threads):
    """The converter's result for a path or bytes: (columns, warnings, status, errno, message), and
    the name the messages give the log."""
    if isinstance(source, _IN_MEMORY):
        return _drovane.convert_bytes(source, "<bytes>", units, hold, threads), "<bytes>"
    if not isinstance(source, (str, os.PathLike)):
        raise TypeError(f"source must be a path (str or os.PathLike) or bytes, not {type(source).__name__}")
    path = os.fsdecode(os.fspath(source))
    return _drovane.convert_file(path, units, hold, threads), path


def _frame(columns, units):
    """The frame of the converted columns: the words as categoricals over their column's words."""
    headings = _drovane.headings(units)
    data = {}
    for heading, values in zip(headings, columns):
        words = _drovane.WORDS.get(heading)
        data[heading] = values if words is None else pd.Categorical.from_codes(values, categories=words)
    # The arrays were made for this frame: it takes them as they are.
    return pd.DataFrame(data, columns=headings, copy=False)


def read_log(source, *, units="metric", hold=False, threads=None):
    """Convert a raw log into a pandas.DataFrame, one row per row of the converter's CSV.

    source   the log: a path (str or os.PathLike), or its bytes (bytes, bytearray, memoryview).
    units    "metric" (the default), "US" (as -US: miles, mph, degrees F, US gallons, and the US
             headings) or "UK" (as -UK: exactly like metric).
    hold     as --hold: every empty cell takes the last value its column was given.
    threads  as -j N: the threads a log of 1 MiB or more converts on (1 to 256); None, the
             default, is one per core. The rows are the same on any number of threads.

    The columns are the CSV's 35 headings, in order. "Time" (the packet number) is int64; the
    other numbers are float64, each exactly the value of the CSV cell's text, NaN for an empty
    cell. "Shifter", "EV Mode" and "Lights" are pandas.Categorical over every word the column
    can hold: "" is the empty word (the Shifter or Lights code had no word), a missing value an
    empty cell.

    frame.attrs["warnings"] lists the converter's warning lines, in order, and
    frame.attrs["status"] is the converter's status: 0 when there are rows, 1 when there was
    nothing to convert (an empty frame with the 35 columns).

    A log that cannot be opened or read raises the OSError that says why, naming the file:
    FileNotFoundError, IsADirectoryError, PermissionError, or OSError itself. The conversion
    runs without the interpreter's lock, so threads of the program convert logs side by side.
    """
    (columns, warnings, status, error, _), name = _convert(source, units, hold, threads)
    if status == 255:
        raise OSError(error, os.strerror(error), name)
    frame = _frame(columns, units)
    frame.attrs["warnings"] = warnings
    frame.attrs["status"] = status
    return frame


def _summary_columns(frame):
    """The headings of the columns the summary takes, in the frame's unit system."""
    for units in ("metric", "US"):
        headings = _drovane.headings(units)
        chosen = [headings[column] for column in _drovane.SUMMARY_COLUMNS]
        if all(heading in frame.columns for heading in chosen):
            return chosen
    raise ValueError("the frame has not the columns of a converted drive (Time, the speed, the fuel flow, EV Mode)")


def summary(frame, *, packet_ms=100.0):
    """The trip's figures as drovane-plot prints them, in a dict.

    frame      a frame of read_log, or pandas.read_csv of the converter's CSV.
    packet_ms  the time one packet stands for (drovane-plot's --packet-ms), 100 ms by default.

    Keys: "duration" (seconds, the first to the last packet), "distance" (km or mi, the speed
    integrated over the packets), "top_speed" (km/h or mph), "fuel_used" (L or US gallons, the
    fuel flow integrated the same way), "average_economy" (distance over fuel used, km/L or
    MPG), "ev_share" (the part of the rows in EV mode, 0 to 1), "packets" (from the first row's
    to the last row's) and "rows". A figure the rows do not carry (no speed, no fuel used) is
    None. The units are those of the frame's headings.
    """
    time, speed, fuel_flow, ev_mode = _summary_columns(frame)
    unknown, other, ev = _drovane.EV_MODE_CODES
    words = frame[ev_mode]
    codes = np.where(words.isna().to_numpy(), unknown, np.where((words == "EV").to_numpy(), ev, other))
    return _drovane.summarize(
        frame[time].to_numpy(dtype=np.float64),
        frame[speed].to_numpy(dtype=np.float64, na_value=np.nan),
        frame[fuel_flow].to_numpy(dtype=np.float64, na_value=np.nan),
        codes.astype(np.uint8),
        packet_ms / 1000.0,
    )


# The fleet table (after the names it uses).
from ._fleet import fleet_summary  # noqa: E402
