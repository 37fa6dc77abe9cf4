// Reading the site lines of a gang file.
#include "quarnel/line/gang_file.h"

#include "quarnel/common/command_errors.h"
#include "quarnel/common/console.h"
#include "quarnel/common/errors.h"
#include "quarnel/line/shell_words.h"

#include <cerrno>
#include <cstring>
#include <fstream>

namespace quarnel {

std::vector<GangSite> read_gang_file(const std::string& path) {
    std::ifstream in(path);
    if (!in) {
        console_log(0, "Can't open gang file %s: %s\n", path.c_str(), std::strerror(errno));
        throw app_error(EXIT_ENVIRONMENT);
    }
    std::vector<GangSite> sites;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        const auto words = shell_words(line);
        if (!words) {
            command_error("Gang file %s line %d: quote or backslash not closed\n", path.c_str(),
                          number);
        }
        if (words->empty()) {
            continue;
        }
        const std::string& name = words->front();
        if (name[0] == '-' || name[0] == '+') {
            command_error("Gang file %s line %d: site name required before '%s'\n", path.c_str(),
                          number, name.c_str());
        }
        for (const GangSite& site : sites) {
            if (site.name == name) {
                command_error("Gang file %s line %d: site %s named twice\n", path.c_str(), number,
                              name.c_str());
            }
        }
        sites.push_back({name, std::vector<std::string>(words->begin() + 1, words->end())});
    }
    if (sites.empty()) {
        command_error("Gang file %s names no site\n", path.c_str());
    }
    return sites;
}

} // namespace quarnel
