// The simulated device's files: where the deliverables are installed, and the folders a phone has.
#pragma once

#include <string>

namespace sim {

// Installs the built deliverables into the device root in force. Idempotent; leaves the settings
// store, the custom picture and the photo library as they are.
bool installDevice(std::string& error);

std::string deviceRootDescription();

}
