// The workbook's own parts: sheets past the row limit, numbers that do not depend on the locale,
// the charts' points, and the warnings counted by kind.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <minizip/unzip.h>
#include <random>
#include <string>
#include <vector>

#include "core/MemoryStreams.h"
#include "decode/Columns.h"
#include "summary/WarningKinds.h"
#include "xlsx/ChartPoints.h"
#include "xlsx/DriveWorkbook.h"

namespace drovane::xlsx {
namespace {

// A CSV text as the converter writes it: the headings, then `rows` rows with numbers that have a
// decimal point, a word and empty cells.
std::string CsvText(int rows) {
    std::string text;
    for (int column = 0; column < kColumnCount; ++column) {
        text += std::string(column == 0 ? "\"" : ",\"") + kColumnDefinitions[column].name + "\"";
    }
    text += "\n";
    for (int row = 1; row <= rows; ++row) {
        text += std::to_string(row);
        for (int column = 1; column < kColumnCount; ++column) {
            text += ",";
            if (column == kColEvMode)
                text += row % 2 == 0 ? "\"EV\"" : "\"N\"";
            else if (column % 3 != 0)
                text += std::to_string(row % 7) + "." + std::to_string(column % 10);
        }
        text += "\n";
    }
    return text;
}

// The workbook of `text`, written in blocks of `block` bytes; its bytes.
std::string Workbook(const std::string& text, std::size_t rowsPerSheet, std::size_t block = 4096) {
    DriveWorkbook workbook(UnitSystem::Metric, {.rowsPerSheet = rowsPerSheet});
    EXPECT_EQ(workbook.Open(), 0);
    for (std::size_t at = 0; at < text.size(); at += block) {
        EXPECT_TRUE(workbook.Write(text.data() + at, std::min(block, text.size() - at)));
    }
    std::FILE* out = std::tmpfile();
    EXPECT_EQ(workbook.Finish(out, WarningCounts{}), 0);
    std::string bytes;
    std::rewind(out);
    for (int c = std::fgetc(out); c != EOF; c = std::fgetc(out)) bytes.push_back(static_cast<char>(c));
    std::fclose(out);
    return bytes;
}

// The part `name` of the zip `bytes`, through a file that minizip opens.
std::string Part(const std::string& bytes, const std::string& name) {
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("drovane-part-" + std::to_string(std::rand()));
    std::FILE* file = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
    std::string part;
    unzFile zip = unzOpen64(path.c_str());
    if (zip != nullptr && unzLocateFile(zip, name.c_str(), 1) == UNZ_OK && unzOpenCurrentFile(zip) == UNZ_OK) {
        char buffer[65536];
        for (int got; (got = unzReadCurrentFile(zip, buffer, sizeof buffer)) > 0;)
            part.append(buffer, static_cast<std::size_t>(got));
        unzCloseCurrentFile(zip);
    }
    if (zip != nullptr) unzClose(zip);
    std::filesystem::remove(path);
    return part;
}

std::size_t Count(const std::string& text, const std::string& what) {
    std::size_t count = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++count;
    return count;
}

TEST(DriveWorkbook, RowsBeyondTheLimitGoOnNumberedSheetsEachWithItsHeaderRow) {
    // Sheet 1 is the Summary; the Drive sheets follow, then the charts' points.
    const std::string bytes = Workbook(CsvText(7), 3, 97);
    const std::string book = Part(bytes, "xl/workbook.xml");
    EXPECT_NE(book.find("name=\"Drive\""), std::string::npos);
    EXPECT_NE(book.find("name=\"Drive 2\""), std::string::npos);
    EXPECT_NE(book.find("name=\"Drive 3\""), std::string::npos);
    EXPECT_EQ(book.find("name=\"Drive 4\""), std::string::npos);
    const std::vector<std::size_t> rows{4, 4, 2};
    for (std::size_t sheet = 0; sheet < rows.size(); ++sheet) {
        const std::string xml = Part(bytes, "xl/worksheets/sheet" + std::to_string(sheet + 2) + ".xml");
        EXPECT_EQ(Count(xml, "<row "), rows[sheet]) << sheet;
        EXPECT_NE(xml.find("<t>Time</t>"), std::string::npos) << sheet;
        EXPECT_NE(xml.find("<autoFilter ref=\"A1:AI" + std::to_string(rows[sheet]) + "\"/>"), std::string::npos);
        EXPECT_NE(xml.find("state=\"frozen\""), std::string::npos);
    }
}

TEST(DriveWorkbook, BytesDoNotDependOnTheBlocksOrOnADecimalCommaLocale) {
    const std::string text = CsvText(50);
    const std::string reference = Workbook(text, kRowsPerSheet);
    EXPECT_NE(Part(reference, "xl/worksheets/sheet2.xml").find("<v>3.5</v>"), std::string::npos);
    EXPECT_EQ(Workbook(text, kRowsPerSheet, 1), reference);
    // A host program that set a decimal-comma locale: the locale is made here when the system's
    // locales lack it.
    const std::filesystem::path locales = std::filesystem::temp_directory_path() / "drovane-locales";
    std::filesystem::create_directories(locales);
    const std::string make = "localedef -i de_DE -f UTF-8 " + (locales / "de_DE.UTF-8").string() + " 2>/dev/null";
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr && std::system(make.c_str()) == 0) {
        setenv("LOCPATH", locales.c_str(), 1);
    }
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) GTEST_SKIP() << "no de_DE.UTF-8 locale (package locales)";
    char comma[16];
    std::snprintf(comma, sizeof comma, "%.1f", 3.5);
    EXPECT_STREQ(comma, "3,5");
    const std::string underComma = Workbook(text, kRowsPerSheet);
    std::setlocale(LC_ALL, "C");
    EXPECT_EQ(underComma, reference);
}

TEST(ChartPoints, StayFewWhateverTheLengthAndKeepEachSeriesMean) {
    std::mt19937 random(7);
    for (int packets : {1, 100, 5000, 100000, 2000000}) {
        ChartPoints points;
        double packet = 1.0;
        for (int i = 0; i < packets; ++i) {
            packet += static_cast<double>(random() % 3);  // rows may skip packets, never go back
            ChartPoints::Values values;
            values.fill(std::nan(""));
            values[0] = 42.0;
            if (i % 5 == 0) values[2] = -3.0;
            points.Add(packet, values);
        }
        const std::vector<ChartPoints::Point> got = points.Points();
        ASSERT_FALSE(got.empty());
        EXPECT_LE(got.size(), ChartPoints::kMaxPoints) << packets;
        for (std::size_t i = 0; i < got.size(); ++i) {
            EXPECT_DOUBLE_EQ(got[i].mean[0], 42.0);
            EXPECT_TRUE(std::isnan(got[i].mean[1]));
            if (!std::isnan(got[i].mean[2])) {
                EXPECT_DOUBLE_EQ(got[i].mean[2], -3.0);
            }
            if (i > 0) {
                EXPECT_GT(got[i].packet, got[i - 1].packet);
            }
        }
    }
}

TEST(WarningTally, CountsEachKindWhereverTheBlocksEnd) {
    const std::string text =
        "*** WARNING: writing out unfinished packet\n"
        "*** WARNING: skipped bad packet, writing out unfinished packet\n"
        "*** WARNING: skipping data packet, 34 fields invalid, 0 fields valid\n"
        "*** WARNING: bad data, field out of range, Steering = 1025\n"
        "*** WARNING: input file a.bin changed size while it was read: 1 bytes at the start, 2 bytes at the end\n"
        "*** WARNING: writing out unfinished packet\n"
        "--- opened out file *** WARNING: \n";
    const WarningCounts expected{2, 1, 1, 1, 1};
    for (std::size_t cut = 0; cut <= text.size(); ++cut) {
        StringOutputSink passed;
        WarningTally tally(passed);
        tally.Write(text.data(), cut);
        tally.Write(text.data() + cut, text.size() - cut);
        ASSERT_EQ(tally.Counts(), expected) << cut;
        ASSERT_EQ(passed.Text(), text);
    }
}

}  // namespace
}  // namespace drovane::xlsx
