// Moves a simulated device's address on the simulator's own network namespace: the new address
// goes onto the interface that holds the old one (with the new netmask, or the old prefix when
// none is given), and the old one comes off unless another device still uses it.
#pragma once
#include <string>

namespace devsim {

bool MoveAddress(const std::string& from, const std::string& to, const std::string& netmask, bool keepOld,
                 std::string* error);

}  // namespace devsim
