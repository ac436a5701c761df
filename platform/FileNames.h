#pragma once
#include <cstdio>
#include <string>
#include <vector>

namespace drovane::platform {

// Names reach the programs, and the system's file functions, as UTF-8 text on every system.

// The program's arguments after its own name. POSIX systems pass them as they come. On Windows
// they are read from the wide command line, so that every letter arrives as typed (never a
// "best fit" stand-in from a code page), and expanded as Windows programs expand them: an argument
// with "*" or "?" in its last part becomes the names that it matches, in order (and stays as it is
// when it matches none, as a shell leaves it), and "/?" asks for the help, as "--help".
std::vector<std::string> ProgramArguments(int argc, char** argv);

// A file name typed at the prompt, as the program takes it. POSIX: the line as it is. Windows: a
// line that is not UTF-8 is read in the console's code page, and one pair of double quotes around
// the whole is taken off (dragging a file into the console window and Explorer's "Copy as path"
// give them; a Windows name cannot hold a quote).
std::string TypedName(std::string line);

// Opens the file `name` for reading bytes; nullptr, with errno set, when it cannot be opened.
std::FILE* OpenForReading(const std::string& name);

}  // namespace drovane::platform
