#include "app/Usage.h"

namespace drovane {

void PrintUsage(TextBuffer& diagnostics) {
    diagnostics.Append("command line options: \n");
    diagnostics.Append("   [-v] [-d] [-D] [-US] [<input file>] [<output file>]\n\n");
    diagnostics.Append("   -v  verbose output\n");
    diagnostics.Append("   -d  debug output (hex dump of CAN packet contents)\n");
    diagnostics.Append("   -D  extra debug output (print out CAN field values as decoded)\n");
    diagnostics.Append("   -US convert values to US units (miles and degrees F)\n\n");
    diagnostics.Append("   <input file> specifies the name of the input binary data file,\n");
    diagnostics.Append("                optional, defaults to test_raw.bin if not specified.\n\n");
    diagnostics.Append("   <outputfile> specifies the name of the output csv file,\n");
    diagnostics.Append("                optional, defaults to input name with .csv suffix.\n");
}

}  // namespace drovane
