#include "app/OutputGuards.h"

#include <cerrno>
#include <memory>
#include <optional>

#include "platform/FileNames.h"
#include "platform/FileStatus.h"

namespace drovane {

bool IsForeignFile(const std::string& name, std::string_view csvStart, int& readError) {
    readError = 0;
    std::optional<platform::FileStatus> status = platform::StatusOf(name);
    if (!status || status->kind != platform::FileKind::Regular || status->size == 0) return false;
    errno = 0;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(platform::OpenForReading(name), std::fclose);
    if (!file) {
        readError = errno != 0 ? errno : EIO;
        return true;
    }
    std::string start(csvStart.size(), '\0');
    std::size_t got = std::fread(start.data(), 1, start.size(), file.get());
    if (std::ferror(file.get()) != 0) readError = errno != 0 ? errno : EIO;
    return got < start.size() || start != csvStart;
}

bool OutputIsInput(std::FILE* input, bool inputIsStream, std::FILE* outputStream, const std::string& outputName) {
    std::optional<platform::FileStatus> in = platform::StatusOf(input);
    std::optional<platform::FileStatus> out =
        outputStream != nullptr ? platform::StatusOf(outputStream) : platform::StatusOf(outputName);
    if (!in || !out || !in->identity || in->identity != out->identity) return false;
    bool throughStream = inputIsStream || outputStream != nullptr;
    return !throughStream || in->kind == platform::FileKind::Regular;
}

}  // namespace drovane
