#include "tools/output/OutputFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>

#include "platform/ErrorText.h"
#include "platform/FileStatus.h"
#include "platform/Terminal.h"

namespace drovane::tools {
namespace {

std::string Reason(int error) { return platform::ErrorText(error); }

bool SameFileAsStandardOutput(std::FILE* stream) {
    std::optional<platform::FileStatus> mine = platform::StatusOf(stream);
    std::optional<platform::FileStatus> standard = platform::StatusOf(stdout);
    return mine && standard && mine->identity && mine->identity == standard->identity;
}

}  // namespace

OutputFile::OutputFile(const std::string& path, ExistingFile existing, platform::FileContent content)
    : path_(path), existing_(existing) {
    if (path == kStandardOutputName) {
        if (content == platform::FileContent::Bytes) platform::UseBinaryMode(stdout);
        file_.Use(stdout);
        toStandardOutput_ = true;
        return;
    }
    // The bytes reach the disc before the name points at them.
    const int error = file_.Open(path, {.content = content, .existing = existing, .syncBeforeKeeping = true});
    if (error == EEXIST && existing == ExistingFile::Refuse) throw OutputExists(path_);
    if (error != 0) throw OutputError("cannot open " + path_ + " for writing: " + Reason(error));
    // The tool writes in large blocks of its own.
    std::setvbuf(file_.Stream(), nullptr, _IONBF, 0);
    toStandardOutput_ = !file_.WritesAside() && SameFileAsStandardOutput(file_.Stream());
}

void OutputFile::FailWriting(int error) const { throw OutputError("cannot write " + path_ + ": " + Reason(error)); }

void OutputFile::Write(std::span<const char> bytes) {
    if (bytes.empty()) return;
    errno = 0;
    if (std::fwrite(bytes.data(), 1, bytes.size(), file_.Stream()) != bytes.size()) {
        FailWriting(errno != 0 ? errno : EIO);
    }
}

void OutputFile::Commit() {
    if (committed_) return;
    if (const int error = file_.Close(); error != 0) FailWriting(error);
    const int error = file_.Keep();
    if (error == EEXIST && existing_ == ExistingFile::Refuse) throw OutputExists(path_);
    if (error != 0) FailWriting(error);
    committed_ = true;
}

void WriteWholeFile(const std::string& path, std::span<const char> bytes, ExistingFile existing,
                    platform::FileContent content) {
    OutputFile file(path, existing, content);
    file.Write(bytes);
    file.Commit();
}

}  // namespace drovane::tools
