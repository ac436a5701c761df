"""The Python module drovane against the converter itself: its frames equal pandas' reading of
the converter's CSV, its errors, and the fleet table on a local Dask cluster."""

import os
import pathlib
import signal
import subprocess
import sys
import tempfile
import threading
import time
import unittest

import numpy as np
import pandas as pd

import drovane
import drovane.fleet

CONVERTER = os.environ["DROVANE2CSV"]
SYNTH = os.environ["DROVANE_SYNTH"]
WORD_COLUMNS = ["Shifter", "EV Mode", "Lights"]


def synthesize(folder, name, *options):
    path = os.path.join(folder, name)
    subprocess.run([SYNTH, *options, "--force", path], check=True, stdout=subprocess.DEVNULL)
    return path


def converted(log, *options):
    """The converter's CSV as pandas reads it, and its warning lines."""
    out = log + ".csv"
    run = subprocess.run([CONVERTER, "-q", "-f", *options, log, out], stderr=subprocess.PIPE, text=True)
    assert run.returncode == 0, run.stderr
    warnings = [line for line in run.stderr.splitlines() if line.startswith("*** WARNING: ")]
    return pd.read_csv(out, float_precision="round_trip"), warnings


def as_read_csv_sees_it(frame):
    """The frame with the empty word missing, as read_csv cannot tell the two apart."""
    seen = frame.copy()
    for column in WORD_COLUMNS:
        seen[column] = seen[column].astype(object).replace("", np.nan)
    return seen


class Frames(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.scratch = tempfile.TemporaryDirectory()
        folder = cls.scratch.name
        # Over 1 MiB each, so that the default threads convert them in chunks.
        cls.clean = synthesize(folder, "clean.bin", "--minutes", "20", "--seed", "1")
        cls.damaged = synthesize(folder, "damaged.bin", "--minutes", "20", "--seed", "7", "--damage", "0.3")

    @classmethod
    def tearDownClass(cls):
        cls.scratch.cleanup()

    def test_frame_equals_read_csv_of_the_converters_csv(self):
        for log in (self.clean, self.damaged):
            for units, option in (("metric", []), ("US", ["-US"])):
                for hold in (False, True):
                    with self.subTest(log=os.path.basename(log), units=units, hold=hold):
                        expected, warnings = converted(log, *option, *(["--hold"] if hold else []))
                        frame = drovane.read_log(log, units=units, hold=hold)
                        self.assertEqual(list(frame.columns), list(expected.columns))
                        self.assertEqual(frame["Time"].dtype, np.int64)
                        numbers = [c for c in frame.columns if c not in WORD_COLUMNS and c != "Time"]
                        self.assertTrue((frame[numbers].dtypes == np.float64).all())
                        for column in WORD_COLUMNS:
                            self.assertIsInstance(frame[column].dtype, pd.CategoricalDtype)
                        seen = as_read_csv_sees_it(frame)
                        for column in numbers:
                            expected[column] = expected[column].astype(np.float64)
                        for column in WORD_COLUMNS:
                            expected[column] = expected[column].astype(object)
                        pd.testing.assert_frame_equal(seen, expected, check_exact=True)
                        self.assertEqual(frame.attrs["warnings"], warnings)
                        self.assertEqual(frame.attrs["status"], 0)

    def test_threads_bytes_and_paths_give_the_same_frame(self):
        one = drovane.read_log(self.damaged, threads=1)
        for other in (
            drovane.read_log(pathlib.Path(self.damaged), threads=2),
            drovane.read_log(pathlib.Path(self.damaged).read_bytes()),
            drovane.read_log(bytearray(pathlib.Path(self.damaged).read_bytes()), threads=3),
        ):
            pd.testing.assert_frame_equal(other, one, check_exact=True)
            self.assertEqual(other.attrs, one.attrs)
        # The empty word and the empty cell stay apart.
        self.assertTrue(((one["Shifter"] == "") | one["Shifter"].isna()).any())

    def test_nothing_to_convert_and_errors(self):
        for nothing in (b"", b"\x01" * 1000):
            frame = drovane.read_log(nothing)
            self.assertEqual((len(frame), frame.attrs["status"]), (0, 1))
            self.assertEqual(list(frame.columns), drovane._drovane.headings("metric"))
        with tempfile.TemporaryDirectory() as folder:
            locked = os.path.join(folder, "locked.bin")
            pathlib.Path(locked).write_bytes(b"x")
            os.chmod(locked, 0)
            cases = [(os.path.join(folder, "missing.bin"), FileNotFoundError), (folder, IsADirectoryError)]
            if os.geteuid() != 0:
                cases.append((locked, PermissionError))
            else:  # root reads any file: the locked one is read as nobody
                os.chmod(folder, 0o755)
                self.assertEqual(self.as_nobody(f"drovane.read_log({locked!r})"), f"PermissionError {locked}")
            for path, error in cases:
                with self.subTest(path=path), self.assertRaises(error) as raised:
                    drovane.read_log(path)
                self.assertEqual(raised.exception.filename, path)
        for wrong in ({"units": "SI"}, {"threads": 0}, {"threads": 257}):
            with self.subTest(wrong=wrong), self.assertRaises(ValueError):
                drovane.read_log(b"", **wrong)
        with self.assertRaises(TypeError):
            drovane.read_log(42)

    @staticmethod
    def as_nobody(call):
        """The exception that `call` raises in a Python run as the user nobody: its name and file."""
        code = f"import drovane\ntry:\n    {call}\nexcept OSError as e:\n    print(type(e).__name__, e.filename)"
        run = subprocess.run([sys.executable, "-c", code], user="nobody", group="nogroup", extra_groups=[],
                             env={"PYTHONPATH": os.path.dirname(os.path.dirname(drovane.__file__))},
                             capture_output=True, text=True, cwd="/")
        return run.stdout.strip() or run.stderr.strip()

    def test_summary_is_drovane_plots(self):
        frame = drovane.read_log(self.clean)
        figures = drovane.summary(frame)
        self.assertEqual(figures, drovane.summary(converted(self.clean)[0]))
        plot = os.path.join(os.path.dirname(CONVERTER), "tools", "plot", "drovane-plot")
        line = subprocess.run([plot, self.clean + ".csv"], check=True, capture_output=True, text=True).stdout
        self.assertIn(f"{figures['distance']:.1f} km", line)
        self.assertIn(f"{figures['rows']:,} rows (packets 1\u2013{figures['packets']:,}", line)
        self.assertEqual(figures["rows"], len(frame))


class Fleet(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        from distributed import Client, LocalCluster

        cls.scratch = tempfile.TemporaryDirectory()
        folder = cls.scratch.name
        cls.logs = [
            synthesize(folder, "drive.bin", "--minutes", "2", "--seed", "1"),
            synthesize(folder, "damaged.bin", "--minutes", "2", "--seed", "7", "--damage", "0.3"),
        ]
        empty = os.path.join(folder, "empty.bin")
        pathlib.Path(empty).write_bytes(b"")
        noise = os.path.join(folder, "noise.bin")
        pathlib.Path(noise).write_bytes(np.random.default_rng(1).bytes(200000))
        cls.paths = [*cls.logs, empty, noise, os.path.join(folder, "missing.bin"), folder]
        cls.cluster = LocalCluster(n_workers=2, threads_per_worker=1, processes=True, host="127.0.0.1",
                                   dashboard_address=None)
        cls.client = Client(cls.cluster)

    @classmethod
    def tearDownClass(cls):
        cls.client.close()
        cls.cluster.close()
        cls.scratch.cleanup()

    def check_table(self, table):
        self.assertEqual(list(table["path"]), self.paths)
        self.assertEqual(list(table["status"]), [0, 0, 1, 1, 255, 255])
        self.assertEqual(table["message"][4], f"*** FAIL: opening input file {self.paths[4]}: No such file or directory")
        self.assertEqual(table["message"][5], f"*** FAIL: opening input file {self.paths[5]}: Is a directory")
        self.assertEqual(table["message"][2], "*** ERROR: unable to read file")
        for i, log in enumerate(self.logs):
            frame = drovane.read_log(log)
            self.assertEqual(table["rows"][i], len(frame))
            self.assertEqual(table.loc[i, "distance"], drovane.summary(frame)["distance"])
            kinds = sum(table.loc[i, kind] for kind, _ in drovane.fleet.WARNING_KINDS)
            self.assertEqual(kinds, len(frame.attrs["warnings"]))
            self.assertEqual(table.loc[i, "other_warnings"], 0)
        self.assertGreater(table.loc[1, "bad_packets"], 0)

    def test_one_row_each_on_the_cluster_and_locally(self):
        self.check_table(drovane.fleet_summary(self.paths, client=self.client))
        self.check_table(drovane.fleet_summary(self.paths))

    def test_a_worker_killed_while_converting_loses_no_log(self):
        # A log behind a named pipe: its worker is inside the conversion, reading, until the pipe
        # is written. That worker is killed there; the log must still get its row.
        fifo = os.path.join(self.scratch.name, "pipe.bin")
        os.mkfifo(fifo)
        content = pathlib.Path(self.logs[1]).read_bytes()

        def readers():
            found = []
            for pid in (pid for pid in os.listdir("/proc") if pid != str(os.getpid())):
                try:
                    if any(os.readlink(f"/proc/{pid}/fd/{fd}") == fifo for fd in os.listdir(f"/proc/{pid}/fd")):
                        found.append(int(pid))  # the worker's, not this process's writer
                except (OSError, ValueError):
                    pass
            return found

        def kill_then_feed():
            while True:  # a worker opens the pipe
                try:
                    writer = os.open(fifo, os.O_WRONLY | os.O_NONBLOCK)
                    break
                except OSError:
                    time.sleep(0.05)
            while not (first := readers()):
                time.sleep(0.05)
            os.kill(first[0], signal.SIGKILL)
            while not (again := [pid for pid in readers() if pid != first[0]]):
                time.sleep(0.05)
            os.set_blocking(writer, True)
            os.write(writer, content)
            os.close(writer)
            self.killed = first[0]

        self.killed = None

        feeder = threading.Thread(target=kill_then_feed)
        feeder.start()
        table = drovane.fleet_summary([self.logs[0], fifo], client=self.client)
        feeder.join()
        self.assertTrue(self.killed)
        self.assertEqual(list(table["status"]), [0, 0])
        self.assertEqual(table["rows"][1], len(drovane.read_log(self.logs[1])))


if __name__ == "__main__":
    unittest.main()
