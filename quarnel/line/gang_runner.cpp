// Starting the sites, passing their lines on with their names, and the closing table.
#include "quarnel/line/gang_runner.h"

#include "platform/child_process.h"
#include "platform/program_path.h"
#include "platform/signals.h"
#include "quarnel/common/console.h"
#include "quarnel/common/errors.h"
#include "quarnel/line/log_record.h"
#include "quarnel/line/log_sink.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <optional>

namespace quarnel {

namespace {

struct SiteRun {
    const GangSite* site;
    platform::child_process child;
    std::string partial_line; // output after the last line end
    std::string record_text;  // what the site reported to the gang
    int status = EXIT_ENVIRONMENT;
    std::optional<LogRecord> record;
};

// The gang itself goes on through a user break: it passes the break on to the sites, which
// end with their own reports, and the table then shows them.
volatile std::sig_atomic_t break_pending = 0;

void note_break(int) {
    break_pending = 1;
}

void print_lines(SiteRun& run, const std::string& data) {
    run.partial_line += data;
    for (std::size_t end; (end = run.partial_line.find('\n')) != std::string::npos;) {
        console_log(0, "[%s] %s\n", run.site->name.c_str(),
                    run.partial_line.substr(0, end).c_str());
        run.partial_line.erase(0, end + 1);
    }
}

void start_site(SiteRun& run, const std::string& program, const std::vector<std::string>& args) {
    std::vector<std::string> site_args = args;
    site_args.insert(site_args.end(), run.site->switches.begin(), run.site->switches.end());
    site_args.push_back("--site=" + run.site->name);
    if (platform::start_child(program, site_args, record_variable(), run.child)) {
        return;
    }
    if (errno == ENOSYS) {
        console_log(0, "--gang is not available on this host\n");
        throw app_error(EXIT_ENVIRONMENT);
    }
    console_log(0, "[%s] Can't start %s: %s\n", run.site->name.c_str(), program.c_str(),
                std::strerror(errno));
}

// Passes the sites' lines on until every site has closed its pipes.
void follow_sites(std::vector<SiteRun>& runs) {
    std::vector<int*> descriptors;
    for (SiteRun& run : runs) {
        descriptors.push_back(&run.child.output);
        descriptors.push_back(&run.child.record);
    }
    const auto open = [&descriptors] {
        return std::any_of(descriptors.begin(), descriptors.end(),
                           [](int* fd) { return *fd >= 0; });
    };
    std::string data;
    while (open()) {
        // Woken now and then to pass on a break that came just before the wait.
        constexpr int wake_ms = 200;
        const int index = platform::read_any(descriptors, data, wake_ms);
        if (break_pending != 0) {
            break_pending = 0;
            for (const SiteRun& run : runs) {
                if (run.child.pid >= 0) {
                    platform::interrupt_child(run.child.pid);
                }
            }
        }
        if (index < 0) {
            continue;
        }
        SiteRun& run = runs[static_cast<std::size_t>(index) / 2];
        if (index % 2 == 1) {
            run.record_text += data;
        } else if (!data.empty()) {
            print_lines(run, data);
        } else if (!run.partial_line.empty()) {
            print_lines(run, "\n");
        }
    }
}

std::string or_dash(const std::string& text) {
    return text.empty() ? "-" : text;
}

void print_table(const std::vector<SiteRun>& runs) {
    std::vector<std::vector<std::string>> rows = {
        {"Site", "Device", "Serial", "Result", "Status", "Time"}};
    int passed = 0;
    for (const SiteRun& run : runs) {
        const LogRecord record = run.record.value_or(LogRecord{});
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "%.2f s", record.seconds);
        rows.push_back({run.site->name, or_dash(record.device), or_dash(record.serial),
                        run.status == EXIT_OK ? "ok" : "failed", std::to_string(run.status),
                        run.record ? seconds : "-"});
        passed += run.status == EXIT_OK ? 1 : 0;
    }
    std::vector<std::size_t> widths(rows.front().size(), 0);
    for (const auto& row : rows) {
        for (std::size_t i = 0; i < row.size(); ++i) {
            widths[i] = std::max(widths[i], row[i].size());
        }
    }
    console_log(0, "\n");
    for (const auto& row : rows) {
        std::string line;
        for (std::size_t i = 0; i < row.size(); ++i) {
            line += i + 1 < row.size() ? row[i] + std::string(widths[i] + 2 - row[i].size(), ' ')
                                       : row[i];
        }
        console_log(0, "%s\n", line.c_str());
    }
    console_log(0, "%d of %lu sites passed\n", passed, static_cast<unsigned long>(runs.size()));
}

} // namespace

int run_gang(const std::vector<GangSite>& sites, const std::vector<std::string>& args) {
    const std::optional<std::string> program = platform::executable_path();
    if (!program) {
        console_log(0, "Can't find the quarnel program to run the sites\n");
        throw app_error(EXIT_ENVIRONMENT);
    }
    platform::install_break_handler(note_break);
    std::vector<SiteRun> runs;
    runs.reserve(sites.size());
    for (const GangSite& site : sites) {
        runs.push_back({&site, {}, {}, {}, EXIT_ENVIRONMENT, std::nullopt});
    }
    for (SiteRun& run : runs) {
        start_site(run, *program, args);
    }
    follow_sites(runs);
    int status = EXIT_OK;
    for (SiteRun& run : runs) {
        if (run.child.pid < 0) {
            continue;
        }
        run.status = platform::wait_child(run.child.pid);
        // With --repeat a site reports every chip: the table shows the last.
        const std::size_t last_start =
            run.record_text.empty() ? 0 : run.record_text.rfind('\n', run.record_text.size() - 2);
        run.record =
            parse_log_line(std::string_view(run.record_text)
                               .substr(last_start == std::string::npos ? 0 : last_start + 1));
    }
    print_table(runs);
    for (const SiteRun& run : runs) {
        if (run.status != EXIT_OK) {
            status = run.status;
            break;
        }
    }
    return status;
}

} // namespace quarnel
