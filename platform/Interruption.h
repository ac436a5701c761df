#pragma once
#include <cstddef>

namespace drovane::platform {

// What a program writes when a signal ends it (on Windows Ctrl+C, Ctrl+Break or a closed
// console). It runs inside the signal handler, on the thread that started catching, once the
// unfinished temporary files are removed: it may only read what is already in memory and write
// with WriteToStandardError. `cause` names the signal ("SIGTERM"); `leftBehind` lists the
// temporary files that could not be removed, ended by nullptr.
using InterruptionReport = void (*)(void* context, const char* cause, const char* const* leftBehind);

// From now on the signals that would end the process and can be caught (INT, TERM, HUP, PIPE,
// QUIT, USR1, USR2, ALRM, VTALRM, PROF) remove the unfinished temporary files, give the report
// its turn and then end the process as the signal would have, so that a shell sees the cause. A
// file size limit (SIGXFSZ) ends no process: the write that crosses it fails with EFBIG. A signal
// the process was started to ignore (nohup, a background job) stays ignored. Call it first on
// the thread that is to report; any later call changes nothing.
void CatchEndingSignals();

// The report to run, or nullptr for none; `context` is passed to it.
void SetInterruptionReport(InterruptionReport report, void* context);

// Writes to standard error directly, with no buffer in between; safe inside the report.
void WriteToStandardError(const char* text, std::size_t size);

}  // namespace drovane::platform
