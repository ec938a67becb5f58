// format: numbers as the programs' messages write them.
#pragma once

#include <string>

// A whole number with thousands separators: 2,311; -1,048,576.
std::string with_thousands(long long value);
