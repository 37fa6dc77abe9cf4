// A file written under a temporary name beside its destination, which it
// replaces only once it is complete.
#pragma once

#include <cstdio>
#include <string>

enum class file_mode { text, binary };

class replacement_file_t {
  public:
    explicit replacement_file_t(std::string destination);
    replacement_file_t(const replacement_file_t&) = delete;
    replacement_file_t& operator=(const replacement_file_t&) = delete;
    // Discards the new content unless commit() succeeded.
    ~replacement_file_t();

    // Creates the temporary file. False on failure, with errno set. A
    // destination that exists and is no regular file (a device, a pipe) is
    // opened and written directly instead.
    bool open(file_mode mode);
    std::FILE* stream() const { return file; }

    // Stores the content, closes it and puts it in place of the destination.
    // False when any of it failed (errno set); the destination is then
    // unchanged, or, for a directly written destination, partly written.
    bool commit();
    // Closes and deletes the new content; the destination stays as it was.
    void discard();

  private:
    std::string destination;
    std::string target;    // the destination with symbolic links resolved
    std::string temporary; // empty when the destination is written directly
    std::FILE* file = nullptr;
};
