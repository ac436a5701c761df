#pragma once
#include <string>
#include <string_view>

// The mark of a workbook this converter wrote: the zip's archive comment. Every program that
// saves the workbook again (Excel, LibreOffice, openpyxl) writes a zip of its own without it, so a
// workbook with the mark is one nobody has changed since, which converting again may replace.
namespace drovane::xlsx {

inline constexpr std::string_view kWorkbookMark = "drovane2csv workbook: converting again replaces it";

// Puts the mark on the closed workbook `name`; 0 or the error number.
int MarkWorkbook(const std::string& name);

// True when `name` is a zip that carries the mark.
bool HasWorkbookMark(const std::string& name);

}  // namespace drovane::xlsx
