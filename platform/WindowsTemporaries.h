#pragma once
// The temporary files of a run on Windows beyond the output's own (platform/WholeFile.h): the
// list that the console control handler empties on Ctrl+C, Ctrl+Break or a closed console.
#include <string>
#include <windows.h>

namespace drovane::platform {

// The system's temporary folder in UTF-8, with its separator at the end; empty where it has none.
std::string SystemTemporaryFolder();

// Lists a file that the run has made, so that an ending signal removes it, having closed `open`
// (the run's handle to it, or nullptr); the slot, or -1 when the list is full. The narrow name is
// the same in UTF-8, for the report of a file that could not be removed.
int ListTemporaryFile(std::wstring name, std::string narrow, HANDLE open);
void UnlistTemporaryFile(int slot);

}  // namespace drovane::platform
