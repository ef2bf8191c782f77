#pragma once
// What the start-up fix check reads besides the registry keys it tests.
#include <string>

// The Windows build branch ("rs5_release", ...) as narrow text, at most 127 characters;
// empty when it cannot be read.
std::string GetOSBuildBranch();
