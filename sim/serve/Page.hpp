// The live phone's one page: HTML, CSS and JavaScript in one document, compiled in; it fetches
// nothing but the server's own routes.
#pragma once

#include <string>

namespace sim {

const std::string& pageHTML();

}
