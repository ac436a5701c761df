"""The workbook of --xlsx against the converter's own CSV: every cell read back with openpyxl, the
Summary sheet, LibreOffice turning it back into CSV, and the safety rules through the program."""

import csv
import os
import pty
import shutil
import signal
import subprocess
import tempfile
import time
import unittest

import openpyxl

CONVERTER = os.environ["DROVANE2CSV"]
SYNTH = os.environ["DROVANE_SYNTH"]
WORD_COLUMNS = {"Shifter", "EV Mode", "Lights"}


def synthesize(folder, name, *options):
    path = os.path.join(folder, name)
    subprocess.run([SYNTH, *options, "--force", path], check=True, stdout=subprocess.DEVNULL)
    return path


def run(*arguments, **kwargs):
    return subprocess.run([CONVERTER, *arguments], stdout=subprocess.PIPE, stderr=subprocess.PIPE, **kwargs)


def csv_rows(path):
    with open(path, newline="") as file:
        return list(csv.reader(file))


def drive_rows(workbook_path):
    """The rows of the Drive sheets in order, each sheet's header row once, and the sheets' names."""
    book = openpyxl.load_workbook(workbook_path, read_only=True)
    names = [name for name in book.sheetnames if name == "Drive" or name.startswith("Drive ")]
    rows = []
    for index, name in enumerate(names):
        sheet_rows = list(book[name].iter_rows(values_only=True))
        rows.extend(sheet_rows if index == 0 else sheet_rows[1:])
    book.close()
    return rows, names


def assert_same_cells(test, csv_path, workbook_path):
    """Each cell of the workbook is the CSV's: a number of the value of its text, a word without its
    quotes, an empty cell empty (and the empty word, which a sheet cannot tell from it)."""
    expected = csv_rows(csv_path)
    got, _ = drive_rows(workbook_path)
    test.assertEqual(len(got), len(expected))
    headings = expected[0]
    test.assertEqual(list(got[0]), headings)
    for number, (want, have) in enumerate(zip(expected[1:], got[1:]), start=2):
        have = list(have) + [None] * (len(want) - len(have))
        for heading, text, cell in zip(headings, want, have):
            where = f"row {number}, {heading}: {text!r} != {cell!r}"
            if text == "":
                test.assertIsNone(cell, where)
            elif heading in WORD_COLUMNS:
                test.assertEqual(cell, text, where)
            else:
                test.assertNotIsInstance(cell, str, where)
                test.assertEqual(float(cell), float(text), where)


class Cells(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.scratch = tempfile.TemporaryDirectory()
        folder = cls.scratch.name
        # Over 1 MiB each, so that the default threads convert them in chunks.
        cls.clean = synthesize(folder, "clean.bin", "--minutes", "8", "--seed", "1")
        cls.damaged = synthesize(folder, "damaged.bin", "--minutes", "8", "--seed", "7", "--damage", "0.3")

    @classmethod
    def tearDownClass(cls):
        cls.scratch.cleanup()

    def test_every_cell_equals_the_csv_of_the_same_conversion(self):
        cases = [
            ("clean", ["-j", "1"]),
            ("clean", []),
            ("clean", ["-j", "2"]),
            ("clean", ["-US", "--hold"]),
            ("damaged", ["-j", "1"]),
            ("damaged", ["-US", "-j", "2"]),
            ("damaged", ["-US", "-j", "1"]),
            ("damaged", ["--hold"]),
        ]
        for log_name, options in cases:
            with self.subTest(log=log_name, options=options):
                log = getattr(self, log_name)
                out_csv = log + ".csv"
                out_xlsx = log + ".xlsx"
                self.assertEqual(run("-q", "-f", *options, log, out_csv).returncode, 0)
                converted = run("-q", "-f", "--xlsx", *options, log, out_xlsx)
                self.assertEqual(converted.returncode, 0, converted.stderr)
                assert_same_cells(self, out_csv, out_xlsx)

    def test_summary_sheet_counts_the_rows_and_each_kind_of_warning(self):
        converted = run("-f", "--xlsx", self.damaged, "damaged.xlsx", cwd=self.scratch.name, text=True)
        self.assertEqual(converted.returncode, 0)
        warnings = [line for line in converted.stderr.splitlines() if line.startswith("*** WARNING: ")]
        rows = int(converted.stderr.split("--- wrote ")[1].split(" ")[0])
        book = openpyxl.load_workbook(os.path.join(self.scratch.name, "damaged.xlsx"), read_only=True)
        self.assertEqual(book.sheetnames[:2], ["Summary", "Drive"])
        figures = {row[0]: row[1:] for row in book["Summary"].iter_rows(values_only=True) if row[0]}
        self.assertEqual(figures["Rows written"][0], rows)
        self.assertEqual(figures["Distance"][1], "km")
        self.assertGreater(figures["Distance"][0], 1.0)
        self.assertEqual(sum(figures[kind][0] for kind in ("Unfinished packets", "Bad packets", "Skipped packets",
                                                           "Fields out of range", "Other warnings")), len(warnings))
        self.assertEqual(figures["Bad packets"][0],
                         sum(line.startswith("*** WARNING: skipped bad packet") for line in warnings))
        try:
            import drovane
        except ImportError:
            return
        frame = drovane.read_log(self.damaged)
        for key, value in drovane.summary(frame).items():
            label = {"duration": "Duration", "distance": "Distance", "top_speed": "Top speed", "rows": "Rows written",
                     "fuel_used": "Fuel used", "average_economy": "Average economy", "ev_share": "EV share",
                     "packets": "Packets"}.get(key)
            if label:
                self.assertAlmostEqual(figures[label][0], value, places=9, msg=key)

    def test_the_same_log_gives_the_same_bytes(self):
        first = run("-q", "-f", "--xlsx", self.clean, self.clean + ".a.xlsx")
        time.sleep(1.1)
        second = run("-q", "-f", "--xlsx", "-j", "1", self.clean, "-")
        self.assertEqual(first.returncode, 0)
        self.assertEqual(second.returncode, 0)
        with open(self.clean + ".a.xlsx", "rb") as file:
            self.assertEqual(file.read(), second.stdout)


@unittest.skipUnless(shutil.which("soffice"), "LibreOffice (libreoffice-calc-nogui) is not installed")
class Spreadsheet(unittest.TestCase):
    def test_libreoffice_turns_the_workbook_back_into_the_csv(self):
        with tempfile.TemporaryDirectory() as folder:
            log = synthesize(folder, "trip.bin", "--minutes", "2", "--seed", "7", "--damage", "0.1")
            self.assertEqual(run("-q", log, os.path.join(folder, "trip.csv")).returncode, 0)
            self.assertEqual(run("-q", "--xlsx", log).returncode, 0)
            # Sheet 2 is Drive; the values as they are, not as shown.
            export = "csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,false,false,false,2"
            subprocess.run(["soffice", f"-env:UserInstallation=file://{folder}/profile", "--headless",
                            "--convert-to", export, "--outdir", os.path.join(folder, "lo"),
                            os.path.join(folder, "trip.xlsx")],
                           check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=240)
            exported = [name for name in os.listdir(os.path.join(folder, "lo")) if name.endswith(".csv")]
            self.assertEqual(len(exported), 1, exported)
            expected = csv_rows(os.path.join(folder, "trip.csv"))
            got = csv_rows(os.path.join(folder, "lo", exported[0]))
            self.assertEqual(len(got), len(expected))
            self.assertEqual(got[0], expected[0])
            for want, have in zip(expected[1:], got[1:]):
                for heading, text, cell in zip(expected[0], want, have):
                    if heading in WORD_COLUMNS or text == "":
                        self.assertEqual(cell, text)
                    else:
                        self.assertEqual(float(cell), float(text), heading)


class Safety(unittest.TestCase):
    def setUp(self):
        self.scratch = tempfile.TemporaryDirectory()
        self.folder = self.scratch.name
        self.log = synthesize(self.folder, "mon.bin", "--minutes", "1")

    def tearDown(self):
        self.scratch.cleanup()

    def path(self, name):
        return os.path.join(self.folder, name)

    def read(self, name):
        with open(self.path(name), "rb") as file:
            return file.read()

    def leftovers(self):
        return sorted(name for name in os.listdir(self.folder) if name.startswith("."))

    def test_a_raw_log_as_second_name_is_refused(self):
        synthesize(self.folder, "tue.bin", "--minutes", "1", "--seed", "2")
        before = self.read("tue.bin")
        refused = run("--xlsx", "mon.bin", "tue.bin", cwd=self.folder, text=True)
        self.assertEqual(refused.returncode, 255)
        self.assertIn("*** FAIL: output file tue.bin exists and is not a workbook of this converter", refused.stderr)
        self.assertEqual(self.read("tue.bin"), before)

    def test_our_workbook_is_replaced_and_a_saved_again_one_refused_without_f(self):
        self.assertEqual(run("-q", "--xlsx", "mon.bin", cwd=self.folder).returncode, 0)
        again = run("--xlsx", "mon.bin", cwd=self.folder, text=True)
        self.assertEqual(again.returncode, 0, again.stderr)
        self.assertIn("--- opened out file mon.xlsx", again.stderr)
        savers = {"openpyxl": lambda: openpyxl.load_workbook(self.path("mon.xlsx")).save(self.path("mon.xlsx"))}
        if shutil.which("soffice"):
            def libreoffice():
                subprocess.run(["soffice", f"-env:UserInstallation=file://{self.folder}/profile", "--headless",
                                "--convert-to", "xlsx", "--outdir", self.path("lo"), self.path("mon.xlsx")],
                               check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=240)
                os.replace(self.path("lo/mon.xlsx"), self.path("mon.xlsx"))
            savers["LibreOffice"] = libreoffice
        for saver, save in savers.items():
            with self.subTest(saved_by=saver):
                self.assertEqual(run("-q", "-f", "--xlsx", "mon.bin", cwd=self.folder).returncode, 0)
                save()
                saved = self.read("mon.xlsx")
                refused = run("--xlsx", "mon.bin", cwd=self.folder, text=True)
                self.assertEqual(refused.returncode, 255)
                self.assertIn("or was saved again since; use -f to overwrite it", refused.stderr)
                self.assertEqual(self.read("mon.xlsx"), saved)
                self.assertEqual(run("-q", "-f", "--xlsx", "mon.bin", cwd=self.folder).returncode, 0)
                self.assertNotEqual(self.read("mon.xlsx"), saved)

    def test_nothing_to_convert_keeps_the_older_workbook(self):
        with open(self.path("empty.bin"), "wb") as file:
            file.write(b"\x00" * 4096)
        self.assertEqual(run("-q", "--xlsx", "empty.bin", "new.xlsx", cwd=self.folder).returncode, 1)
        self.assertFalse(os.path.exists(self.path("new.xlsx")))
        self.assertEqual(run("-q", "--xlsx", "mon.bin", "old.xlsx", cwd=self.folder).returncode, 0)
        older = self.read("old.xlsx")
        self.assertEqual(run("-q", "--xlsx", "empty.bin", "old.xlsx", cwd=self.folder).returncode, 1)
        self.assertEqual(self.read("old.xlsx"), older)
        self.assertEqual(self.leftovers(), [])

    @unittest.skipUnless(os.path.exists("/dev/full") and os.stat("/dev/full").st_rdev != 0, "no /dev/full")
    def test_a_full_device_fails(self):
        failed = run("--xlsx", "mon.bin", "/dev/full", cwd=self.folder, text=True)
        self.assertEqual(failed.returncode, 255)
        self.assertIn("*** FAIL: writing output file /dev/full: No space left on device", failed.stderr)
        self.assertNotIn("--- wrote", failed.stderr)

    def test_standard_output_a_pipe_or_a_terminal(self):
        piped = run("-q", "--xlsx", "mon.bin", "-", cwd=self.folder)
        self.assertEqual(piped.returncode, 0)
        with open(self.path("piped.xlsx"), "wb") as file:
            file.write(piped.stdout)
        self.assertEqual(drive_rows(self.path("piped.xlsx"))[1], ["Drive"])
        leader, follower = pty.openpty()
        try:
            refused = subprocess.run([CONVERTER, "--xlsx", "mon.bin", "-"], stdout=follower, stderr=subprocess.PIPE,
                                     cwd=self.folder, text=True)
        finally:
            os.close(follower)
            os.close(leader)
        self.assertEqual(refused.returncode, 255)
        self.assertIn("*** FAIL: output file - is a terminal", refused.stderr)

    def test_ctrl_c_leaves_the_previous_workbook_and_no_temporary_file(self):
        big = synthesize(self.folder, "long.bin", "--minutes", "240")
        self.assertEqual(run("-q", "--xlsx", "mon.bin", "long.xlsx", cwd=self.folder).returncode, 0)
        before = self.read("long.xlsx")
        process = subprocess.Popen([CONVERTER, "-q", "--xlsx", big], stdout=subprocess.DEVNULL,
                                   stderr=subprocess.PIPE, text=True)
        time.sleep(0.5)
        process.send_signal(signal.SIGINT)
        _, errors = process.communicate(timeout=60)
        self.assertEqual(process.returncode, -signal.SIGINT, errors)
        self.assertIn("the previous " + big[:-4] + ".xlsx is kept as it was", errors)
        self.assertEqual(self.read("long.xlsx"), before)
        self.assertEqual(self.leftovers(), [])


if __name__ == "__main__":
    unittest.main()
