// The previous CSV keeps its bytes until a run succeeds, and nothing is left behind, through the
// executable: names too long for a hidden name beside them, a path at the limit, a folder the
// user cannot write, a file system without a free inode, hard links, signals, a file size limit
// and a folder made read-only while the run goes on.
#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "convert/Conversion.h"
#include "support/Executable.h"
#include "support/LogBuilder.h"

namespace drovane {
namespace {

using test::Quote;
using test::RunShell;

const std::string kConverter = DROVANE2CSV_PATH;

// How one run ends: its log, status, whether the CSV holds the new rows (else the previous ones)
// and the end of its standard error, where "O" stands for the output's name.
struct Outcome {
    std::string log;
    int status;
    bool newRows;
    std::string errorEnd;
};

struct Case {
    std::string what;
    std::string csv;         // the output, from the case's folder
    std::string setup = {};  // shell run in the case's folder once the previous CSV is there
    // Shell that runs $C on $LOG into "$O" (standard error to err.txt) and leaves its status in $s.
    std::string run = {};
    std::vector<Outcome> outcomes = {};       // none: an empty log keeps the CSV, a good one replaces it
    std::vector<std::string> alsoNames = {};  // other names in the CSV's folder, the CSV's hard links
    std::string mount = {};                   // the options of a tmpfs mounted on the CSV's folder, if any
    bool needsSetpriv = false;
};

const std::string kQuiet = "$C -q $LOG \"$O\" 2>err.txt; s=$?";
const std::string kAsNobody = "setpriv --reuid=nobody --regid=nogroup --clear-groups ";
// The converter started on a pipe that this script holds open, fed half the log, and its
// opened lines awaited: the conversion is under way.
const std::string kStartedOnAPipe = R"(set -m
mkfifo feed
$RUNAS $C - "$O" <feed 2>err.txt &
pid=$!
exec 3>feed
head -c 20000 big.bin >&3
for i in $(seq 400); do grep -q 'opened out file' err.txt && break; sleep 0.05; done
sleep 0.3
)";

std::string Named(std::size_t length) { return std::string(length - 4, 'n') + ".csv"; }

// The name of a CSV in folders under `root`, such that its path is `length` bytes long.
std::string DeepPath(const std::string& root, std::size_t length) {
    std::string path = "out";
    while (root.size() + 1 + path.size() + 1 + 200 + 1 + 100 < length) path += "/" + std::string(200, 'd');
    const std::size_t rest = length - root.size() - 1 - path.size() - 1 - 4;
    return path + "/" + std::string(rest, 'x') + ".csv";
}
// Stands for the path at the limit in a case.
const std::string kDeep = "deep";

class WholeOutput : public ::testing::Test {
protected:
    // Runs every outcome of `c` in a fresh folder; the folder of the CSV and the temporary folder
    // are listed afterwards.
    void Check(const Case& c) {
        const std::vector<Outcome> usual = {
            {"empty.bin", 1, false, "*** ERROR: unable to read file\n"},
            {"good.bin", 0, true, ""},
        };
        for (const Outcome& outcome : c.outcomes.empty() ? usual : c.outcomes) Run(c, outcome);
    }

    void Run(const Case& c, const Outcome& outcome) {
        test::TempDir dir;
        const std::string root = dir.Path().string();
        std::filesystem::create_directories(dir.File("tmp"));
        std::filesystem::permissions(dir.File("tmp"), std::filesystem::perms::all | std::filesystem::perms::sticky_bit);
        test::WriteFile(dir.File("empty.bin"), "");
        test::WriteFile(dir.File("good.bin"), good_);
        test::WriteFile(dir.File("big.bin"), big_);
        // The temporary name beside it would be 8 bytes too long for a path.
        const std::string csv = dir.File(c.csv == kDeep ? DeepPath(root, PATH_MAX - 1 - 4) : c.csv);
        const std::string folder = std::filesystem::path(csv).parent_path().string();
        std::filesystem::create_directories(folder);
        const std::string mount = c.mount.empty() ? "" : "mount -t tmpfs -o " + c.mount + " tmpfs out && ";
        ASSERT_EQ(
            RunShell("cd " + Quote(root) + " && " + mount + "printf %s " + Quote(old_) + " >" + Quote(csv), dir).status,
            0)
            << c.what;
        const std::string script = "cd " + Quote(root) + "\nexport TMPDIR=" + Quote(dir.File("tmp")) +
                                   "\nC=" + Quote(kConverter) + "\nO=" + Quote(csv) + "\nLOG=" + outcome.log +
                                   "\nRUNAS=" + (c.needsSetpriv ? Quote(kAsNobody) : "''") + "\n" + c.setup + "\n" +
                                   c.run + "\necho $s >status.txt\n";
        test::WriteFile(dir.File("case.sh"), script);
        auto shell = RunShell("bash " + Quote(dir.File("case.sh")), dir);
        const std::string label = c.what + " with " + outcome.log;
        const std::string expected = outcome.newRows ? (outcome.log == "big.bin" ? bigCsv_ : goodCsv_) : old_;
        EXPECT_EQ(test::ReadFile(dir.File("status.txt")), std::to_string(outcome.status) + "\n") << label;
        EXPECT_TRUE(test::ReadFile(csv) == expected) << label << ": the CSV holds other bytes";
        std::string errors = test::ReadFile(dir.File("err.txt"));
        std::string end = outcome.errorEnd;
        for (std::size_t at; (at = end.find("\"O\"")) != std::string::npos;) end.replace(at, 3, csv);
        EXPECT_TRUE(errors.ends_with(end)) << label << "\n" << errors << shell.standardError;
        std::vector<std::string> names = {std::filesystem::path(csv).filename().string()};
        for (const std::string& also : c.alsoNames) {
            names.push_back(also);
            EXPECT_TRUE(std::filesystem::equivalent(csv, folder + "/" + also)) << label;
        }
        std::sort(names.begin(), names.end());
        EXPECT_EQ(Listing(folder), names) << label;
        EXPECT_EQ(Listing(dir.File("tmp")), std::vector<std::string>{}) << label;
        if (!c.mount.empty()) RunShell("umount " + Quote(folder), dir);
    }

    static std::vector<std::string> Listing(const std::string& folder) {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    static std::string Cycles(int count) {
        test::LogBuilder log;
        for (int i = 0; i < count; ++i) log.FullCycle();
        return log.Text();
    }

    const std::string old_ = ConvertBytes(Cycles(1), RunOptions{}).csv;
    const std::string good_ = Cycles(3);
    const std::string goodCsv_ = ConvertBytes(good_, RunOptions{}).csv;
    const std::string big_ = Cycles(400);
    const std::string bigCsv_ = ConvertBytes(big_, RunOptions{}).csv;
};

bool CanMount() { return geteuid() == 0 && RunShell("test -x /bin/mount", test::TempDir()).status == 0; }
bool HasSetpriv() { return RunShell("command -v setpriv >/dev/null", test::TempDir()).status == 0; }

TEST_F(WholeOutput, ThePreviousCsvStaysUntilARunSucceedsAndNothingIsLeft) {
    const std::string kept = "; the previous \"O\" is kept as it was\n";
    const std::vector<Case> cases = {
        {.what = "a name of 247 bytes", .csv = "out/" + Named(247), .run = kQuiet},
        {.what = "a name of 248 bytes", .csv = "out/" + Named(248), .run = kQuiet},
        {.what = "a name of 255 bytes", .csv = "out/" + Named(255), .run = kQuiet},
        {.what = "a path near the limit", .csv = kDeep, .run = kQuiet},
        {.what = "a hard-linked CSV",
         .csv = "out/trip.csv",
         .setup = "ln out/trip.csv out/other.csv",
         .run = kQuiet,
         .alsoNames = {"other.csv"}},
        {.what = "a folder the user cannot write",
         .csv = "out/trip.csv",
         .setup = "chown nobody out/trip.csv",
         .run = kAsNobody + kQuiet,
         .needsSetpriv = true},
        {.what = "a file system without a free inode",
         .csv = "out/trip.csv",
         .run = kQuiet,
         .mount = "size=1m,nr_inodes=2"},
        // The new CSV is made elsewhere and does not fit where the old one is.
        {.what = "a full file system without a free inode",
         .csv = "out/trip.csv",
         .run = kQuiet,
         .outcomes = {{"big.bin", 255, false,
                       "*** FAIL: writing output file \"O\": No space left on device\n*** FAIL: the previous \"O\" is "
                       "kept as it was\n"}},
         .mount = "size=32k,nr_inodes=2"},
        {.what = "SIGKILL",
         .csv = "out/trip.csv",
         .run = kStartedOnAPipe + "kill -KILL $pid; wait $pid; s=$?",
         .outcomes = {{"big.bin", 137, false, "--- opened out file \"O\"\n\n"}}},
        {.what = "SIGQUIT",
         .csv = "out/trip.csv",
         .setup = "ulimit -c 0",
         .run = kStartedOnAPipe + "kill -QUIT $pid; wait $pid; s=$?",
         .outcomes = {{"big.bin", 131, false, "*** FAIL: interrupted by SIGQUIT" + kept}}},
        {.what = "a file size limit",
         .csv = "out/trip.csv",
         .run = "(ulimit -f 8; $C -q big.bin \"$O\" 2>err.txt); s=$?",
         .outcomes = {{"big.bin", 255, false, "*** FAIL: writing output file \"O\": File too large\n"}}},
        {.what = "a folder made read-only during the run",
         .csv = "out/trip.csv",
         .setup = "chown nobody out out/trip.csv",
         .run =
             kStartedOnAPipe + "chmod 555 out; tail -c +20001 big.bin >&3; exec 3>&-; wait $pid; s=$?; chmod 755 out",
         .outcomes =
             {{"big.bin", 255, false,
               "*** FAIL: writing output file \"O\": Permission denied\n*** FAIL: the previous \"O\" is kept as "
               "it was\n"}},
         .needsSetpriv = true},
    };
    const bool mountable = CanMount();
    const bool setpriv = HasSetpriv();
    for (const Case& c : cases) {
        if ((!c.mount.empty() && !mountable) || (c.needsSetpriv && !setpriv)) {
            std::cout << "[  SKIPPED ] " << c.what << ": " << (c.mount.empty() ? "no setpriv" : "cannot mount") << "\n";
            continue;
        }
        Check(c);
    }
}

}  // namespace
}  // namespace drovane

namespace drovane {
namespace {

// A log that grows or is cut while the converter reads it, on one thread and on the default
// threads: the CSV is that of the bytes read, with a warning; the converter is held back by a
// reader that waits, on a pipe, until the log has changed.
TEST(ChangingLog, IsReportedAndConvertsTheBytesRead) {
    test::TempDir dir;
    test::LogBuilder log;
    for (int i = 0; i < 90000; ++i) log.FullCycle();
    const std::string bytes = log.Text();  // 24 MB or so: more than the chunks in flight
    const std::string more = test::LogBuilder().FullCycle().FullCycle().Text();
    constexpr std::size_t kCut = 16000000;
    for (const std::string threads : {"-j 1 ", ""}) {
        for (const bool grows : {true, false}) {
            test::WriteFile(dir.File("run.bin"), bytes);
            test::WriteFile(dir.File("more.bin"), more);
            const std::string change =
                grows ? "cat more.bin >>run.bin" : "truncate -s " + std::to_string(kCut) + " run.bin";
            test::WriteFile(dir.File("change.sh"),
                            "cd " + Quote(dir.Path().string()) + "\nrm -f out.fifo; mkfifo out.fifo\n" +
                                Quote(kConverter) + " -q " + threads + "run.bin out.fifo 2>err.txt &\n" +
                                "pid=$!\nexec 3<out.fifo\n" +
                                "for i in $(seq 400); do grep -q pipe_write /proc/$pid/task/*/wchan "
                                "2>/dev/null && break; sleep 0.05; done\n" +
                                change + "\ncat <&3 >got.csv\nwait $pid\necho $? >status.txt\n");
            RunShell("bash " + Quote(dir.File("change.sh")), dir);
            const std::string read = grows ? bytes + more : bytes.substr(0, kCut);
            const std::string label = threads + (grows ? "grows" : "is cut");
            EXPECT_EQ(test::ReadFile(dir.File("status.txt")), "0\n") << label;
            EXPECT_TRUE(test::ReadFile(dir.File("got.csv")) == ConvertBytes(read, RunOptions{}).csv) << label;
            EXPECT_EQ(
                test::ReadFile(dir.File("err.txt")),
                "*** WARNING: input file run.bin changed size while it was read: " + std::to_string(bytes.size()) +
                    " bytes at the start, " + std::to_string(read.size()) + " bytes at the end\n")
                << label;
        }
    }
}

// Blocked on a pipe that brings nothing: the banner and the opened lines are out; SIGTERM ends
// the run with the interrupted line, and the process dies of the signal.
TEST(BlockedConversion, ShowsItsMessagesAndSaysItWasInterrupted) {
    test::TempDir dir;
    test::WriteFile(dir.File("trip.csv"), "");
    test::WriteFile(dir.File("blocked.sh"),
                    "cd " + Quote(dir.Path().string()) + "\nmkfifo feed\nexec 3<>feed\n" + Quote(kConverter) +
                        " feed trip.csv 2>err.txt &\npid=$!\nsleep 2\n" +
                        "cp err.txt before.txt\nkill -TERM $pid\nwait $pid\necho $? >status.txt\n");
    RunShell("bash " + Quote(dir.File("blocked.sh")), dir);
    const std::string before = test::ReadFile(dir.File("before.txt"));
    EXPECT_TRUE(before.starts_with("Velmor Drovane Raw Format Data Converter\n")) << before;
    EXPECT_TRUE(before.ends_with("--- opened input file feed\n--- opened out file trip.csv\n\n")) << before;
    EXPECT_EQ(test::ReadFile(dir.File("err.txt")),
              before + "*** FAIL: interrupted by SIGTERM; the previous trip.csv is kept as it was\n");
    EXPECT_EQ(test::ReadFile(dir.File("status.txt")), "143\n");
}

}  // namespace
}  // namespace drovane
