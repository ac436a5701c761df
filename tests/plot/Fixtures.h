#pragma once
#include <map>
#include <string>

#include "decode/Columns.h"

// Hand-made CSV text as drovane2csv writes it: quoted headings, unquoted "%1g" numbers, empty cells
// for values a packet lacked, quoted words in Shifter, EV Mode and Lights.
namespace drovane::plot::test {

// The header row of a unit system, from the converter's column table.
inline std::string HeaderRow(bool us) {
    std::string row;
    for (const ColumnDefinition& column : kColumnDefinitions) {
        row += row.empty() ? "\"" : ",\"";
        row += us && column.usName != nullptr ? column.usName : column.name;
        row += '"';
    }
    return row + "\n";
}

inline const std::string kMetricHeader = HeaderRow(false);
inline const std::string kUSHeader = HeaderRow(true);

// Four metric packets: driving on the engine, a skipped packet (Time jumps from 2 to 4), gliding
// in EV mode with no fuel (economy 999.9), then a packet that lacks most values.
inline const std::string kMetricRows =
    "1,201,55.5,-12.3,40,-20,25,26,48.3398,48,1234,48.12,48.2,48.1,48.15,1408,85,88,0,1,-3,-2,4,30,0,1,"
    "\"D\",\"N\",0,\"Off\",1200,2.5,12,60,19.3\n"
    "2,203,55.5,-8.1,40,-20,25,26,50.1953,50,1301,50.01,50.1,50,50.05,1536,85,88,1,1,2,3,4,32,0,1,"
    "\"D\",\"Denied\",0,\"Headlights\",1180,2.6,14,60,19.3\n"
    "4,205,56,15.2,40,-20,25,26,42.5781,43,1100,42.5,42.6,42.5,42.55,0,84,88,0,0,-20,-19,0,0,12,0,"
    "\"D\",\"EV\",0,\"Headlights\",0,0,-16,60,999.9\n"
    "5,,,,,,,,,,,,,,,,,,,,,,,,,,\"\",\"EV\",,\"\",,,,,\n";

// Two US packets: speeds in mph, temperatures in F, fuel flow in US gallons per hour, iMPG.
inline const std::string kUSRows =
    "1,201,55.5,-12.3,40,-20,77,79,30.0371,30,1234,29.9,29.95,29.9,29.92,1408,185,190,0,1,-3,-2,4,30,0,1,"
    "\"D\",\"N\",0,\"Off\",1200,0.66,12,60,45.5\n"
    "2,203,55,3.1,40,-20,77,79,31.1,31,1301,31.1,31.1,31.1,31.1,0,185,190,1,1,2,3,4,0,5,0,"
    "\"B\",\"EV\",1,\"Parking\",0,0,-16,60,999.9\n";

// A data row with the given cells (column index to text) and every other cell empty.
inline std::string Row(const std::map<int, std::string>& cells) {
    std::string row;
    for (int column = 0; column < drovane::kColumnCount; ++column) {
        if (column > 0) row += ',';
        auto found = cells.find(column);
        if (found != cells.end()) row += found->second;
    }
    return row + "\n";
}

}  // namespace drovane::plot::test
