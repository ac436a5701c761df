#pragma once
// The temporary files of a run on Windows beyond the output's own (platform/WholeFile.h): the
// list that the console control handler empties on Ctrl+C, Ctrl+Break or a closed console.
#include <string>

namespace drovane::platform {

// The system's temporary folder in UTF-8, with its separator at the end; empty where it has none.
std::string SystemTemporaryFolder();

// Lists a file that the run has made and holds no handle to, so that an ending signal removes it;
// the slot, or -1 when the list is full. The narrow name is the same in UTF-8, for the report of
// a file that could not be removed.
int ListClosedTemporary(std::wstring name, std::string narrow);
void UnlistClosedTemporary(int slot);

}  // namespace drovane::platform
