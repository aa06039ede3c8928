#include "tests/fuzz/fuzz_input.h"

#include "port/text.h"

namespace fuzz {

std::wstring Wide(const std::string& bytes) { return port::FromLocal8(bytes); }

}  // namespace fuzz
