// Runs a built program as a user would and captures what it prints.
#pragma once

#include <map>
#include <string>
#include <vector>

struct ProgramResult {
    std::string output; // standard output and standard error, interleaved as written
    int status = -1;    // exit status; 128 + signal number when killed by a signal
};

struct ProgramRun {
    std::string program;                    // name in QUARNEL_BIN, or a path
    std::vector<std::string> args;          // argv[1..]
    std::map<std::string, std::string> env; // added to (or replacing in) the environment
    std::string input;                      // fed to standard input, then closed
    std::string directory;                  // working directory; empty: unchanged
    double timeout_s = 1200;                // hang guard only: killed after this long
    int signal_after_output_bytes = 0;      // >0: send signal once this much was printed
    int signal_number = 0;                  // the signal to send
    std::string signal_after_text;          // or: once the output holds this text...
    int signal_after_count = 1;             // ...this many times
};

ProgramResult run_program(const ProgramRun& run);

// Path of a built program or library in build/bin (from QUARNEL_BIN).
std::string bin_path(const std::string& name);

// Path below the source tree (from QUARNEL_SOURCE).
std::string source_path(const std::string& relative);

// A fresh empty directory, removed with its contents when the object dies.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return dir; }
    std::string file(const std::string& name) const { return dir + "/" + name; }

  private:
    std::string dir;
};

std::string read_file(const std::string& path);
// Number of entries in a directory.
std::size_t files_in(const std::string& dir);
void write_file(const std::string& path, const std::string& content);
