// Job files: the switches and file names of a run kept in a file beside its data.
#pragma once

#include <string>
#include <vector>

namespace quarnel {

// Replaces the first --job=FILE of `args` by the words of FILE (one or more a line, quoted as
// a shell quotes them, '#' comments) and makes FILE's folder the working directory, so that
// the job runs as the same command line typed in that folder. The file names of the other
// arguments (bare names, -c and -d files, --log and --gang) are made absolute first, so that
// they still name the files meant where the command was typed. A job naming --job, a file
// that cannot be read or a quote left open print their message and raise app_error 70.
void expand_job(std::vector<std::string>& args);

} // namespace quarnel
