// A part of the simulator that serves one protocol for every simulated device.
#pragma once
#include <string>

namespace devsim {

class Service {
 public:
  virtual ~Service() = default;
  // Opens its sockets and starts its threads; false with a reason on failure.
  virtual bool Start(std::string* error) = 0;
  // Ends its threads and closes its sockets.
  virtual void Stop() = 0;
};

}  // namespace devsim
