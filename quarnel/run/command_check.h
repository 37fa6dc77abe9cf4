// Rules that reject contradictory or incomplete requests before any hardware is touched.
#pragma once

// Applies the rules in their fixed order; the first failure prints its
// message and raises app_error 70.
void check_command();
