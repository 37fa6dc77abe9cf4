// Gang files: the sites of a gang, one a line.
#pragma once

#include <string>
#include <vector>

namespace quarnel {

struct GangSite {
    std::string name;
    std::vector<std::string> switches; // those that pick the site's adapter: -a..., -p...
};

// Reads the sites of `path`: a name and its switches a line, quoted as a shell quotes them,
// '#' comments. A file that cannot be read, a line whose words begin with no name, a name used
// twice or a file without sites print their message and raise app_error 70.
std::vector<GangSite> read_gang_file(const std::string& path);

} // namespace quarnel
