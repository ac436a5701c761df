#include "app/Usage.h"

namespace drovane {

void PrintUsage(TextBuffer& out) {
    out.Append("command line options: \n");
    out.Append("   [-v] [-d] [-D] [-US] [<input file>] [<output file>]\n\n");
    out.Append("   -v  verbose output\n");
    out.Append("   -d  debug output (hex dump of CAN packet contents)\n");
    out.Append("   -D  extra debug output (print out CAN field values as decoded)\n");
    out.Append("   -US convert values to US units (miles and degrees F)\n\n");
    out.Append("   <input file> specifies the name of the input binary data file,\n");
    out.Append("                optional, defaults to test_raw.bin if not specified.\n\n");
    out.Append("   <outputfile> specifies the name of the output csv file,\n");
    out.Append("                optional, defaults to input name with .csv suffix.\n");

    out.Append("\n");
    out.Append("   -UK accepted; converts exactly like the default metric units\n");
    out.Append("   -f  overwrite an output file that is not a CSV file of this converter\n");
    out.Append("   -q  quiet: no banner, no \"--- opened\" lines, no summary line\n");
    out.Append("   --hold  fill an empty cell with the last value of its column\n");
    out.Append("   -j N  convert on N threads (default: one per core; 1: one conversion; -j2 as -j 2)\n");
    out.Append("   -h, --help  print this text on standard output\n");
    out.Append("   --version   print the version on standard output\n");
    out.Append("   -   as <input file>: read standard input; as <output file>: write standard output\n");
    out.Append("   --  every later argument is a file name\n");
    out.Append("   --xlsx  write an Excel workbook instead of the CSV (.xlsx for .csv): the rows as\n");
    out.Append("           numbers and words, a summary with charts; the same messages and rules\n\n");
    out.Append("   The CSV appears whole or not at all: the previous file stays until the new one is\n");
    out.Append("   complete. Exit status: 0 rows written, 1 nothing to convert, 255 failure.\n");
}

}  // namespace drovane
