#include "xlsx/WorkbookMark.h"

#include <array>
#include <cerrno>
#include <minizip/unzip.h>
#include <minizip/zip.h>
#ifdef _WIN32
#include <minizip/iowin32.h>

#include "platform/WindowsNames.h"
#endif

namespace drovane::xlsx {
namespace {

// The finished workbook in the run's scratch file, opened by name as the library opened it (on
// Windows the C library's open shares the file with the scratch file's own handle).
zipFile OpenToAdd(const std::string& name) { return zipOpen64(name.c_str(), APPEND_STATUS_ADDINZIP); }

// A workbook under any name the user gave: by its wide name on Windows.
#ifdef _WIN32
unzFile OpenToRead(const std::string& name) {
    zlib_filefunc64_def files{};
    fill_win32_filefunc64W(&files);
    const std::wstring wide = platform::WideName(name);
    return unzOpen2_64(wide.c_str(), &files);
}
#else
unzFile OpenToRead(const std::string& name) { return unzOpen64(name.c_str()); }
#endif

}  // namespace

int MarkWorkbook(const std::string& name) {
    // Adding to the archive rewrites only its central directory, now with the comment.
    zipFile zip = OpenToAdd(name);
    if (zip == nullptr) return errno != 0 ? errno : EIO;
    const std::string comment(kWorkbookMark);
    errno = 0;
    if (zipClose(zip, comment.c_str()) != ZIP_OK) return errno != 0 ? errno : EIO;
    return 0;
}

bool HasWorkbookMark(const std::string& name) {
    unzFile zip = OpenToRead(name);
    if (zip == nullptr) return false;
    std::array<char, kWorkbookMark.size() + 2> comment{};
    const int length = unzGetGlobalComment(zip, comment.data(), comment.size());
    unzClose(zip);
    return length >= 0 && std::string_view(comment.data(), static_cast<std::size_t>(length)) == kWorkbookMark;
}

}  // namespace drovane::xlsx
