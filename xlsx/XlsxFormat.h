#pragma once
#include "core/WorkbookOutput.h"

namespace drovane::xlsx {

// The workbook of --xlsx, for the program to give to its runs.
class XlsxFormat final : public WorkbookFormat {
public:
    std::unique_ptr<WorkbookOutput> Start(const RunOptions& options) const override;
    bool IsForeign(const std::string& name, int& readError) const override;
};

}  // namespace drovane::xlsx
