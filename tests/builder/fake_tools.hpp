#pragma once
// Moved to tests/support/; kept for the command-line fixture until it includes the new place.
#include "support/fake_tools.hpp"
