#pragma once
// Text for the terminal: file names are bytes and may hold anything, so what reaches a terminal is
// made harmless first; and the progress line must fit the width of the window.

#include <cstdint>
#include <string>
#include <string_view>

namespace hozonix::runner {

// Bytes that are not valid UTF-8 and control characters (C0, DEL, C1) become "?", so that a file name
// can never send escape sequences to the terminal.
std::string TerminalSafe(std::string_view text);

// Columns that terminal-safe text takes (East Asian wide characters count two).
int DisplayWidth(std::string_view text);

// Terminal-safe text of at most `columns` columns: when too wide, its start is replaced by "…" so that
// the end of a path (the file name) stays visible.
std::string FitFromLeft(std::string_view text, int columns);

// "\r\n" line breaks (the desktop's message texts) as "\n".
std::string UnixLineBreaks(std::string_view text);

// A message with "\n" line breaks; for a terminal, each line made terminal-safe. Elsewhere (a log, a
// pipe) the bytes stay as they are, so that file names can be found again exactly.
std::string Printable(std::string_view text, bool terminal);

// A byte count for people: "512 B", "1.50 kB", "20.0 MB", "321.4 GB" (powers of 1000).
std::string FormatBytes(int64_t bytes);

// A duration for people: "0.4 s", "12.0 s", "3 min 05 s", "2 h 07 min".
std::string FormatDuration(double seconds);

} // namespace hozonix::runner
