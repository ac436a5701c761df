#pragma once
#include <cstdio>
#include <string>

namespace drovane::platform {

// A file of the run's own, for a library that writes only to a file it opens by name (the
// workbook's), whose bytes then go on to the output. Where the system offers unnamed files (Linux)
// it has a name in no folder, only one under /proc/self/fd, and goes with the process however that
// ends; elsewhere it is a file in the system's temporary folder (hidden where the name can hide
// it), removed when it is done with and on an ending signal (platform/Interruption.h). On Windows
// one that an ending signal could not remove, as the library held it open, is removed by the
// next run's Open.
class ScratchFile {
public:
    ScratchFile() = default;
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;
    ~ScratchFile();

    // Makes the file, empty; 0 or the error number.
    int Open();
    // The name under which it can be opened again, as long as this object lives.
    const std::string& Name() const { return name_; }
    // Writes its whole content, from its start, to `destination`; 0, or the error number of the
    // read or of the write that failed.
    int CopyTo(std::FILE* destination) const;

private:
    int file_ = -1;
    std::string name_;
    std::string removeName_;  // the name to remove at the end: empty for an unnamed file
    int cleanupSlot_ = -1;
};

}  // namespace drovane::platform
