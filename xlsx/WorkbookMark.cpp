#include "xlsx/WorkbookMark.h"

#include <array>
#include <cerrno>
#include <minizip/unzip.h>
#include <minizip/zip.h>

namespace drovane::xlsx {

int MarkWorkbook(const std::string& name) {
    // Adding to the archive rewrites only its central directory, now with the comment.
    zipFile zip = zipOpen64(name.c_str(), APPEND_STATUS_ADDINZIP);
    if (zip == nullptr) return errno != 0 ? errno : EIO;
    const std::string comment(kWorkbookMark);
    errno = 0;
    if (zipClose(zip, comment.c_str()) != ZIP_OK) return errno != 0 ? errno : EIO;
    return 0;
}

bool HasWorkbookMark(const std::string& name) {
    unzFile zip = unzOpen64(name.c_str());
    if (zip == nullptr) return false;
    std::array<char, kWorkbookMark.size() + 2> comment{};
    const int length = unzGetGlobalComment(zip, comment.data(), comment.size());
    unzClose(zip);
    return length >= 0 && std::string_view(comment.data(), static_cast<std::size_t>(length)) == kWorkbookMark;
}

}  // namespace drovane::xlsx
