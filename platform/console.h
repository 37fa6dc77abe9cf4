// Standard output and the keyboard of the host.
#pragma once

namespace platform {

// True when standard output is a terminal (a Windows console) rather than a file or a pipe.
bool stdout_is_terminal();

// Makes standard output unbuffered so that every message shows at once.
void make_stdout_unbuffered();

// Writes `text` to standard output and flushes it. A Windows console gets it converted to the
// OEM code page; files, pipes and other hosts' terminals get the bytes as they are.
void write_stdout(const char* text);

// Reads one key press without echo. When standard input is a terminal it is
// switched to raw mode for the read (on a Windows console: _getch); otherwise
// one byte of input is taken.
// Returns the character, or -1 at end of input (which callers treat as "no").
int read_key();

} // namespace platform
