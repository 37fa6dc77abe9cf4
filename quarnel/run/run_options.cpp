// The program-wide run options.
#include "quarnel/run/run_options.h"

RunOptions options;
