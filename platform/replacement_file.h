// A file written under a temporary name beside its destination, which it
// replaces only once it is complete.
#pragma once

#include <cstdio>
#include <string>

namespace platform {

enum class file_mode { text, binary };

// The temporary file is named ".<tag>-<pid>-<random>.tmp" and locked while it
// is written; one left behind by a killed process of the same tag is removed
// by the next replacement in that directory. User-break signals wait from
// open() to commit() or discard(), so that none leaves a temporary file.
class replacement_file_t {
  public:
    // `tag` names the program in the temporary name: letters only.
    replacement_file_t(std::string destination, const char* tag);
    replacement_file_t(const replacement_file_t&) = delete;
    replacement_file_t& operator=(const replacement_file_t&) = delete;
    // Discards the new content unless commit() succeeded.
    ~replacement_file_t();

    // Creates the temporary file. False on failure, with errno set. A
    // destination that exists and is no regular file (a device, a pipe) is
    // opened and written directly instead.
    bool open(file_mode mode);
    std::FILE* stream() const { return file; }

    // Stores the content, closes it and puts it in place of the destination,
    // whose permissions it takes; a symbolic link keeps pointing to the new
    // content. False when any of it failed (errno set); the destination is then
    // unchanged, or, for a directly written destination, partly written.
    bool commit();
    // Closes and deletes the new content; the destination stays as it was.
    void discard();

  private:
    void finish();

    std::string destination;
    std::string tag;
    std::string target;    // the destination with symbolic links resolved
    std::string temporary; // empty when the destination is written directly
    std::FILE* file = nullptr;
    bool holding_signals = false;
};

enum class replace_result {
    replaced,
    create_failed, // the temporary (or the directly written) file could not be opened
    write_failed,  // writing, storing or renaming failed; the old file is untouched
};

// `content` in place of the file `path`, through a replacement_file_t; errno
// is set on failure.
replace_result replace_file(const std::string& path, const std::string& content, const char* tag);

} // namespace platform
