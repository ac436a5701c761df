#pragma once
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace drovane {

// True when `name` is an existing regular file that holds something else than a CSV of this
// converter: a file that is not empty and does not begin with `csvStart`. A file that cannot be
// read cannot be shown to be ours and counts as foreign.
bool IsForeignFile(const std::string& name, std::string_view csvStart);

// True when writing the output would write over the open `input`. The output is `outputStream`
// when it is a standard stream, else the file `outputName`. Where either side is a standard stream
// only a regular file counts: a terminal may well be both.
bool OutputIsInput(std::FILE* input, bool inputIsStream, std::FILE* outputStream, const std::string& outputName);

// The CSV's file, written so that it appears whole or not at all. The rows go to a new hidden
// file beside the output, which is renamed onto the output name only when the run keeps it; until
// then, and after a failure or SIGINT, SIGTERM, SIGHUP or SIGPIPE, whatever stood under the name
// stays as it was. A file that is replaced keeps its permission bits (and its owner, where
// allowed); a new one gets those fopen would give it. A symbolic link keeps pointing at the file
// that is replaced. Where a rename cannot serve, the output is written in place: a device, a pipe
// or anything else that is no regular file, a file with more than one hard link (the names must
// stay shared), a file that may not be written (its error is the one of opening it), a folder
// that takes no new file. The converter's POSIX calls for its output live here.
class OutputFile {
public:
    OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    // Closes a stream of its own that is still open and removes a temporary file not kept.
    ~OutputFile();

    // Opens the file `name` for writing; false, with errno set, when it cannot be opened.
    bool Open(const std::string& name);
    // Writes to a stream that stays open after the run, such as standard output: in place.
    void Use(std::FILE* stream) { stream_ = stream; }

    std::FILE* Stream() const { return stream_; }
    // True when the rows go to a temporary file rather than under the output name.
    bool WritesAside() const { return !temporaryName_.empty(); }

    // Ends the writing. 0, or the error number of a failed close or flush.
    int Close();
    // After Close, for a run that succeeded: puts the new file under the output name. 0, or the
    // error number of the failed rename (the temporary file is then removed).
    int Keep();
    // Leaves the output name as it was: removes the temporary file.
    void Discard();

private:
    // Removes the temporary file when a signal ends the process, while it lives.
    class SignalWatch;

    bool OpenAside(const std::string& target);
    void ForgetTemporary();

    std::FILE* stream_ = nullptr;
    bool ownsStream_ = false;
    std::string temporaryName_;  // empty when writing in place
    std::string targetName_;     // what the temporary file is renamed onto: the output, links followed
    std::unique_ptr<SignalWatch> signalWatch_;
};

}  // namespace drovane
