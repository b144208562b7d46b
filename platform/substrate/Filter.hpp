// The process filter of an injected library: which processes it is loaded into. Bundles,
// executables and classes, combined with Mode "Any" or (by default) all; nothing else is read.
#pragma once

#include <foundation/PropertyList.hpp>

#include <optional>
#include <string>
#include <vector>

namespace Substrate {

// What a filter is matched against. Classes are looked up in the runtime at the time of matching,
// so a class registered by a library loaded earlier counts.
struct ProcessIdentity {
    std::string bundleIdentifier;
    std::vector<std::string> frameworkIdentifiers;
    std::string executableName;

    // The main bundle's identifier, the loaded frameworks and the process name.
    static ProcessIdentity current();
};

class Filter {
public:
    // The filter of a library's property list; none when it has no Filter dictionary, in which case
    // the library is never loaded.
    static std::optional<Filter> fromPropertyList(const PlistValue&);

    bool matches(const ProcessIdentity&) const;

private:
    // A kind is absent (no say), or a list of names of which any one matches.
    using Names = std::optional<std::vector<std::string>>;

    Names m_bundles;
    Names m_executables;
    Names m_classes;
    bool m_matchesAnyKind { false };
};

}
