#include "xlsx/XlsxFormat.h"

#include <cerrno>
#include <optional>

#include "platform/FileNames.h"
#include "platform/FileStatus.h"
#include "xlsx/DriveWorkbook.h"
#include "xlsx/WorkbookMark.h"

namespace drovane::xlsx {

std::unique_ptr<WorkbookOutput> XlsxFormat::Start(const RunOptions& options) const {
    return std::make_unique<DriveWorkbook>(options.units, WorkbookSettings{});
}

bool XlsxFormat::IsForeign(const std::string& name, int& readError) const {
    readError = 0;
    std::optional<platform::FileStatus> status = platform::StatusOf(name);
    if (!status || status->kind != platform::FileKind::Regular || status->size == 0) return false;
    // A file that cannot be read cannot be shown to be ours.
    std::FILE* file = platform::OpenForReading(name);
    if (file == nullptr) {
        readError = errno != 0 ? errno : EIO;
        return true;
    }
    std::fclose(file);
    return !HasWorkbookMark(name);
}

}  // namespace drovane::xlsx
