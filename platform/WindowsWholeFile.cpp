// Whole-or-nothing output files on Windows: hidden temporary files, handles marked for deletion
// until they are kept, ReplaceFile, and a console control handler that removes unfinished
// temporary files on Ctrl+C, Ctrl+Break or a closed console window and lets the program report
// (platform/Interruption.h).
#include <array>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <string>
#include <sys/stat.h>
#include <windows.h>

#include "platform/FileStatus.h"
#include "platform/Interruption.h"
#include "platform/WholeFile.h"
#include "platform/WindowsErrors.h"
#include "platform/WindowsNames.h"
#include "platform/WindowsTemporaries.h"

namespace drovane::platform {
namespace {

// The temporary files being written, for the control handler, which the system runs on a thread
// of its own: process-wide state, guarded by one lock. Each entry holds the wide name of a
// WholeFile's temporary file until that is kept or removed; `open` is its handle while it is open.
struct Temporary {
    std::wstring name;
    std::string narrow;  // the same name in UTF-8, for the program's report
    HANDLE open = nullptr;
};
constexpr std::size_t kSlotCount = 8;
std::array<Temporary, kSlotCount> temporaries{};
SRWLOCK temporariesLock = SRWLOCK_INIT;
// The program's report, set and read under the lock.
InterruptionReport report = nullptr;
void* reportContext = nullptr;

// The status of a run ended by Ctrl+C, Ctrl+Break or a closed console: what a POSIX shell reports
// for a run ended by SIGINT. Windows' own, STATUS_CONTROL_C_EXIT, is negative as a status, and
// "if errorlevel 1" in a batch file would take it for success.
constexpr UINT kInterruptedStatus = 128 + 2;

// Removes the temporary files and ends the process at once. An open one is closed here, so that
// its mark for deletion takes effect before the process is gone. The lock is never given back, so
// no temporary file is made or renamed meanwhile; the C library's exit handling does not run, as
// it could wait for a stream that the interrupted thread holds.
BOOL WINAPI RemoveTemporariesAndEnd(DWORD event) {
    AcquireSRWLockExclusive(&temporariesLock);
    std::array<const char*, kSlotCount + 1> leftBehind{};
    std::size_t left = 0;
    for (const Temporary& temporary : temporaries) {
        if (temporary.open != nullptr) CloseHandle(temporary.open);
        if (!temporary.name.empty() && !DeleteFileW(temporary.name.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND) {
            leftBehind[left++] = temporary.narrow.c_str();
        }
    }
    const char* cause = event == CTRL_C_EVENT       ? "Ctrl+C"
                        : event == CTRL_BREAK_EVENT ? "Ctrl+Break"
                                                    : "a closed console";
    if (report != nullptr) report(reportContext, cause, leftBehind.data());
    TerminateProcess(GetCurrentProcess(), kInterruptedStatus);
    return TRUE;
}

// Holds the list for its lifetime, so that a temporary file is never left between being made and
// being listed, or between being renamed and no longer being listed.
class ListHeld {
public:
    ListHeld() { AcquireSRWLockExclusive(&temporariesLock); }
    ~ListHeld() { ReleaseSRWLockExclusive(&temporariesLock); }
    ListHeld(const ListHeld&) = delete;
    ListHeld& operator=(const ListHeld&) = delete;
};

// Under ListHeld: lists a temporary file open under `handle`; the slot, or -1 when more files are
// open at once than there are slots (that one is then removed only by its mark for deletion).
int List(std::wstring temporary, std::string narrow, HANDLE handle) {
    CatchEndingSignals();
    for (std::size_t i = 0; i < kSlotCount; ++i) {
        if (temporaries[i].name.empty()) {
            temporaries[i] = {std::move(temporary), std::move(narrow), handle};
            return static_cast<int>(i);
        }
    }
    return -1;
}

// Under ListHeld: the listed file is closed (or is to be), or no longer listed at all.
void Unhandle(int slot) {
    if (slot >= 0) temporaries[static_cast<std::size_t>(slot)].open = nullptr;
}
void Unlist(int slot) {
    if (slot >= 0) temporaries[static_cast<std::size_t>(slot)] = {};
}

// Marks an open file to be deleted when its last handle closes, or takes the mark away. Marked,
// the temporary file goes even when the process is killed outright.
void MarkForDeletion(std::FILE* stream, bool deleted) {
    FILE_DISPOSITION_INFO disposition{};
    disposition.DeleteFile = deleted ? TRUE : FALSE;
    SetFileInformationByHandle(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream))), FileDispositionInfo,
                               &disposition, sizeof disposition);
}

// The length of the folder part of a name, separator or drive included: "" for "trip.csv",
// "logs\" for "logs\trip.csv", "C:" for "C:trip.csv".
std::size_t FolderLength(const std::string& name) {
    const std::size_t separator = name.find_last_of("/\\:");
    return separator == std::string::npos ? 0 : separator + 1;
}

int TextOrBytes(FileContent content) { return content == FileContent::Text ? _O_TEXT : _O_BINARY; }
const char* StreamMode(FileContent content) { return content == FileContent::Text ? "wt" : "wb"; }

// Gives the new file, before it takes the output's name, the attributes of the file it replaces
// (hidden stays hidden), or a new file's: not hidden, as the temporary file was.
void TakeAttributes(const std::wstring& temporary, const std::wstring& target) {
    const DWORD attributes = GetFileAttributesW(target.c_str());
    const bool replacing = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    SetFileAttributesW(temporary.c_str(), replacing ? attributes : FILE_ATTRIBUTE_NORMAL);
}

int ErrorOr(int fallback) { return errno != 0 ? errno : fallback; }

// Closes a handle when it goes.
class HandleHeld {
public:
    explicit HandleHeld(HANDLE handle) : handle_(handle) {}
    ~HandleHeld() {
        if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    }
    HandleHeld(const HandleHeld&) = delete;
    HandleHeld& operator=(const HandleHeld&) = delete;
    HANDLE Get() const { return handle_; }

private:
    HANDLE handle_;
};

// Copies every byte of `from` into `to` from its start and cuts `to` to that length, having set
// aside the room a longer file needs, so that a full disc fails before `to` changes. `touched` is
// set once `to` has changed.
int CopyBytes(HANDLE from, HANDLE to, bool& touched) {
    LARGE_INTEGER size{};
    LARGE_INTEGER old{};
    if (!GetFileSizeEx(from, &size) || !GetFileSizeEx(to, &old)) return LastErrorNumber();
    if (size.QuadPart > old.QuadPart) {
        FILE_ALLOCATION_INFO room{};
        room.AllocationSize = size;
        if (!SetFileInformationByHandle(to, FileAllocationInfo, &room, sizeof room) &&
            GetLastError() == ERROR_DISK_FULL) {
            return LastErrorNumber();
        }
    }
    constexpr DWORD kBlock = DWORD{1} << 20;
    std::string block(kBlock, '\0');
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(from, block.data(), kBlock, &got, nullptr)) return LastErrorNumber();
        if (got == 0) break;
        for (DWORD done = 0; done < got;) {
            DWORD put = 0;
            if (!WriteFile(to, block.data() + done, got - done, &put, nullptr) || put == 0) return LastErrorNumber();
            touched = true;
            done += put;
        }
    }
    touched = true;
    return SetEndOfFile(to) ? 0 : LastErrorNumber();
}

}  // namespace

std::string SystemTemporaryFolder() {
    std::array<wchar_t, MAX_PATH + 2> folder{};
    const DWORD length = GetTempPathW(static_cast<DWORD>(folder.size()), folder.data());
    return length > 0 && length < folder.size() ? Utf8Of({folder.data(), length}) : std::string();
}

int ListTemporaryFile(std::wstring name, std::string narrow, HANDLE open) {
    ListHeld held;
    return List(std::move(name), std::move(narrow), open);
}

void UnlistTemporaryFile(int slot) {
    ListHeld held;
    Unlist(slot);
}

void CatchEndingSignals() {
    static const bool installed = SetConsoleCtrlHandler(RemoveTemporariesAndEnd, TRUE) != 0;
    (void)installed;
}

void SetInterruptionReport(InterruptionReport write, void* context) {
    ListHeld held;
    report = write;
    reportContext = context;
}

void WriteToStandardError(const char* text, std::size_t size) {
    HANDLE standardError = GetStdHandle(STD_ERROR_HANDLE);
    while (size > 0) {
        DWORD written = 0;
        if (!WriteFile(standardError, text, static_cast<DWORD>(size), &written, nullptr) || written == 0) return;
        text += written;
        size -= written;
    }
}

WholeFile::~WholeFile() {
    if (ownsStream_ && stream_ != nullptr) std::fclose(stream_);
    Discard();
}

int WholeFile::Open(const std::string& name, const WholeFileOptions& options) {
    options_ = options;
    std::optional<FileStatus> status = StatusOf(name);
    // A name that cannot be looked at (a device that takes no query, say) is opened as it is.
    if (!status && errno != ENOENT) return OpenInPlace(name, true);
    if (status && status->kind == FileKind::Directory) return EISDIR;
    const bool regular = status && status->kind == FileKind::Regular;
    if (regular && options.existing == IfExists::Refuse) return EEXIST;
    // In use or read-only: refused before a byte is written, whatever the options.
    if (const int why = regular ? WhyNotReplaceable(name) : 0; why != 0) return why;
    // A device such as NUL is written in place; so is a new file whose temporary file cannot be
    // made (a name too long for it): there is nothing to lose.
    if (!regular) return status || OpenAside(name, false, "") != 0 ? OpenInPlace(name, status.has_value()) : 0;
    // The names of a file with several hard links must go on sharing it, and a folder may take no
    // new file: such a file is written into at the end, from a temporary file beside it or in the
    // system's temporary folder. Where neither can be made, nothing is touched.
    copyingIn_ = status->links > 1;
    const int beside = OpenAside(name, true, "");
    if (beside == 0) return 0;
    copyingIn_ = true;
    const std::string elsewhere = SystemTemporaryFolder();
    if (!elsewhere.empty() && OpenAside(name, true, elsewhere) == 0) return 0;
    copyingIn_ = false;
    return beside;
}

int WholeFile::OpenAside(const std::string& target, bool replacing, const std::string& folderName) {
    const std::size_t folder = FolderLength(target);
    if (folder == target.size()) return EISDIR;
    // Beside the target its name with a dot before it; elsewhere a short name, which a name too
    // long for the first form also takes.
    const std::string stem = folderName.empty() ? target.substr(0, folder) + "." + target.substr(folder) + "."
                                                : folderName + ".drovane-output.";
    constexpr int kAttempts = 100;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        std::string name = stem + RandomNameSuffix();
        ListHeld held;
        // Hidden while it is written, as its name is on POSIX systems; shared for deletion, so that
        // the control handler can remove it while it is open.
        std::wstring wide = WideName(name);
        HANDLE handle = CreateFileW(wide.c_str(), GENERIC_WRITE | DELETE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                    CREATE_NEW, FILE_ATTRIBUTE_HIDDEN, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            const int error = LastErrorNumber();
            if (error == EEXIST) continue;
            return error;
        }
        const int descriptor =
            _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | TextOrBytes(options_.content));
        if (descriptor < 0) {
            const int error = ErrorOr(EMFILE);
            CloseHandle(handle);
            DeleteFileW(wide.c_str());
            return error;
        }
        stream_ = _fdopen(descriptor, StreamMode(options_.content));
        if (stream_ == nullptr) {
            const int error = ErrorOr(ENOMEM);
            _close(descriptor);
            DeleteFileW(wide.c_str());
            return error;
        }
        MarkForDeletion(stream_, true);
        ownsStream_ = true;
        aside_ = true;
        replacing_ = replacing;
        temporaryName_ = std::move(name);
        targetName_ = target;
        cleanupSlot_ = List(std::move(wide), temporaryName_, handle);
        return 0;
    }
    return EEXIST;
}

int WholeFile::OpenInPlace(const std::string& name, bool exists) {
    // A file that appeared since the name was looked at is refused all the same.
    const int exclusive = !exists && options_.existing == IfExists::Refuse ? _O_EXCL : 0;
    const int descriptor =
        _wopen(WideName(name).c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | exclusive | TextOrBytes(options_.content),
               _S_IREAD | _S_IWRITE);
    if (descriptor < 0) return ErrorOr(EACCES);
    stream_ = _fdopen(descriptor, StreamMode(options_.content));
    if (stream_ == nullptr) {
        const int error = ErrorOr(ENOMEM);
        _close(descriptor);
        return error;
    }
    ownsStream_ = true;
    return 0;
}

int WholeFile::Close() {
    if (stream_ == nullptr) return 0;
    std::FILE* stream = stream_;
    stream_ = nullptr;
    errno = 0;
    if (!ownsStream_) return std::fflush(stream) != 0 ? ErrorOr(EIO) : 0;
    ownsStream_ = false;
    int error = std::fflush(stream) != 0 ? ErrorOr(EIO) : 0;
    if (!WritesAside()) {
        errno = 0;
        return std::fclose(stream) != 0 && error == 0 ? ErrorOr(EIO) : error;
    }
    HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    if (error == 0 && options_.syncBeforeKeeping && !FlushFileBuffers(handle)) error = LastErrorNumber();
    // Closed, the file would go with its mark; the list keeps it removable until it is kept.
    ListHeld held;
    MarkForDeletion(stream, false);
    Unhandle(cleanupSlot_);
    errno = 0;
    if (std::fclose(stream) != 0 && error == 0) error = ErrorOr(EIO);
    return error;
}

int WholeFile::CopyIntoPlace() {
    const std::wstring temporary = WideName(temporaryName_);
    HandleHeld from(CreateFileW(temporary.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (from.Get() == INVALID_HANDLE_VALUE) return LastErrorNumber();
    HandleHeld to(CreateFileW(WideName(targetName_).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
    if (to.Get() == INVALID_HANDLE_VALUE) return LastErrorNumber();  // the previous file is left as it was
    bool touched = false;
    int error = CopyBytes(from.Get(), to.Get(), touched);
    if (error == 0 && options_.syncBeforeKeeping && !FlushFileBuffers(to.Get())) error = LastErrorNumber();
    if (error != 0 && touched) {
        // The whole new file keeps its name, no longer hidden, and Aftermath() tells which.
        aftermath_.previousDamaged = true;
        aftermath_.newFileAt = temporaryName_;
        SetFileAttributesW(temporary.c_str(), FILE_ATTRIBUTE_NORMAL);
        temporaryName_.clear();
    }
    return error;
}

int WholeFile::Keep() {
    if (!WritesAside()) return 0;
    ListHeld held;
    if (copyingIn_) {
        const int error = CopyIntoPlace();
        if (!temporaryName_.empty()) DeleteFileW(WideName(temporaryName_).c_str());
        ForgetTemporary();
        return error;
    }
    const bool refuse = options_.existing == IfExists::Refuse;
    const DWORD through = options_.syncBeforeKeeping ? MOVEFILE_WRITE_THROUGH : 0;
    const std::wstring temporary = WideName(temporaryName_);
    const std::wstring target = WideName(targetName_);
    TakeAttributes(temporary, target);
    // ReplaceFile keeps the replaced file's access rights; where it cannot serve (no file stands
    // there any more) a plain rename does.
    bool kept =
        !refuse && ReplaceFileW(target.c_str(), temporary.c_str(), nullptr,
                                REPLACEFILE_IGNORE_MERGE_ERRORS | REPLACEFILE_IGNORE_ACL_ERRORS, nullptr, nullptr) != 0;
    if (!kept) {
        kept = MoveFileExW(temporary.c_str(), target.c_str(), (refuse ? 0 : MOVEFILE_REPLACE_EXISTING) | through) != 0;
    }
    const int error = kept ? 0 : LastErrorNumber();
    if (!kept) DeleteFileW(temporary.c_str());
    ForgetTemporary();
    return error;
}

int WholeFile::Discard() {
    if (!WritesAside()) return 0;
    ListHeld held;
    int error = 0;
    if (!DeleteFileW(WideName(temporaryName_).c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND) {
        error = LastErrorNumber();
        aftermath_.leftBehind = temporaryName_;
    }
    ForgetTemporary();
    return error;
}

// Under ListHeld.
int WholeFile::ForgetTemporary() {
    Unlist(cleanupSlot_);
    cleanupSlot_ = -1;
    temporaryName_.clear();
    aside_ = false;
    return 0;
}

}  // namespace drovane::platform
