#pragma once
// The shared test ZIP builder (kept under this name for the tests that
// include it from here).
#include "support/zip_build.h"
