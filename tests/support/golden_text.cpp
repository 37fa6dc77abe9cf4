// Reads the expected texts from the data folder of the source tree, whatever the build folder.
#include "tests/support/golden_text.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

std::string golden_text(const std::string& name) {
    const std::string path = std::string(QUARNEL_TEST_DATA) + "/" + name;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read expected text " + path);
    }
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}
