// Debian's avrdude, a programmer written elsewhere, run on a bench's virtual chip through the
// stand-in libraries.
#pragma once

#include "tests/quarnel/e2e/run_bench.h"

#include <string>
#include <vector>

bool avrdude_installed();

// avrdude with `args` in the bench's folder, the stand-in libftdi first on the library path,
// and `environment` added; no user configuration of avrdude.
ProgramResult run_avrdude(const Bench& bench, const std::vector<std::string>& args,
                          const std::map<std::string, std::string>& environment = {});
