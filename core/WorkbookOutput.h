#pragma once
#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>
#include <string>

#include "core/OutputSink.h"
#include "core/RunOptions.h"

namespace drovane {

// An output made of the CSV text that a conversion writes (the workbook of --xlsx): it takes the
// text block by block, as the CSV file would, and writes its own file whole at the end.
class WorkbookOutput : public OutputSink {
public:
    // Makes what the output needs before the first block; 0 or the error number.
    virtual int Open() = 0;
    // After the last row: completes the output with the count of each kind of warning of the run
    // (summary/WarningKinds.h) and writes it all to `destination`; 0 or the error number.
    virtual int Finish(std::FILE* destination, std::span<const std::int64_t> warnings) = 0;
};

// A kind of workbook the program can write; the program that has one built in gives it to the
// run (app/RunDriver.h).
class WorkbookFormat {
public:
    virtual ~WorkbookFormat() = default;
    virtual std::unique_ptr<WorkbookOutput> Start(const RunOptions& options) const = 0;
    // True when `name` is an existing regular file that holds something else than a workbook
    // this converter wrote and nobody saved again; a file that cannot be read counts as foreign,
    // with its error number in `readError` (else 0).
    virtual bool IsForeign(const std::string& name, int& readError) const = 0;
};

}  // namespace drovane
