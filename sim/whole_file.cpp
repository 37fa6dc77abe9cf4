// Target files replaced whole, through the programs' shared replacement file.
#include "sim/whole_file.h"

#include "platform/replacement_file.h"
#include "sim/target_error.h"

namespace avrsim {

void write_whole_file(const std::string& path, const std::string& content) {
    if (platform::replace_file(path, content, "avrsim") != platform::replace_result::replaced) {
        throw target_error("can't write '" + path + "'");
    }
}

} // namespace avrsim
