// A gang: the same request on several sites at once, one process each.
#pragma once

#include "quarnel/line/gang_file.h"

#include <string>
#include <vector>

namespace quarnel {

// Runs quarnel with `args` (the command line without --gang), the site's switches and
// --site=NAME once per site, all at once, each in a process of its own. Every output line of
// a site is printed prefixed with "[NAME] " as it comes; at the end a table of the sites
// (name, device, serial, result, status, time) and "N of M sites passed". Returns 0 when every
// site passed, else the status of the first failed site in the file's order. A user break
// reaches the sites, which end as they do alone; the table follows.
int run_gang(const std::vector<GangSite>& sites, const std::vector<std::string>& args);

} // namespace quarnel
