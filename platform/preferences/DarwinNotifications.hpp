// The system-wide notifications that rows post after a write ("PostNotification"). Nothing
// listens on the simulated device: each post is recorded, in order, for hosts and tests to read.
#pragma once

#include <string>
#include <vector>

namespace DarwinNotifications {

// Safe from any thread; empty names are not posted.
void post(const std::string& name);
std::vector<std::string> posted();
void clear();

}
