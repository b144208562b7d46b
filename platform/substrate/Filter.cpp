#include <substrate/Filter.hpp>

#include <foundation/NSBundle.hpp>
#include <foundation/NSProcessInfo.hpp>
#include <objc/runtime.hpp>

#include <algorithm>

namespace Substrate {

namespace {

// A kind given with the wrong type still has its say: it names nothing, so it matches nothing.
std::optional<std::vector<std::string>> namesOf(const PlistValue& filter, const char* key)
{
    const PlistValue* value = filter.member(key);
    if (!value)
        return std::nullopt;
    std::vector<std::string> names;
    if (const auto* array = value->get<PlistArray>()) {
        for (const auto& item : *array) {
            if (const auto* name = item.get<std::string>())
                names.push_back(*name);
        }
    }
    return names;
}

bool contains(const std::vector<std::string>& names, const std::string& name)
{
    return !name.empty() && std::find(names.begin(), names.end(), name) != names.end();
}

bool bundlesMatch(const std::vector<std::string>& names, const ProcessIdentity& process)
{
    if (contains(names, process.bundleIdentifier))
        return true;
    return std::any_of(process.frameworkIdentifiers.begin(), process.frameworkIdentifiers.end(),
        [&](const std::string& identifier) { return contains(names, identifier); });
}

bool classesMatch(const std::vector<std::string>& names)
{
    return std::any_of(names.begin(), names.end(),
        [](const std::string& name) { return objc_getClass(name.c_str()) != nullptr; });
}

}

ProcessIdentity ProcessIdentity::current()
{
    ProcessIdentity identity;
    identity.bundleIdentifier = NSBundle::mainBundle()->bundleIdentifier();
    for (const auto& framework : NSBundle::allFrameworks())
        identity.frameworkIdentifiers.push_back(framework->bundleIdentifier());
    identity.executableName = NSProcessInfo::processInfo()->processName();
    return identity;
}

std::optional<Filter> Filter::fromPropertyList(const PlistValue& propertyList)
{
    const PlistValue* filter = propertyList.member("Filter");
    if (!filter || !filter->get<PlistDictionary>())
        return std::nullopt;
    Filter result;
    result.m_bundles = namesOf(*filter, "Bundles");
    result.m_executables = namesOf(*filter, "Executables");
    result.m_classes = namesOf(*filter, "Classes");
    const PlistValue* mode = filter->member("Mode");
    result.m_matchesAnyKind = mode && mode->get<std::string>() && *mode->get<std::string>() == "Any";
    return result;
}

bool Filter::matches(const ProcessIdentity& process) const
{
    std::vector<bool> verdicts;
    if (m_bundles)
        verdicts.push_back(bundlesMatch(*m_bundles, process));
    if (m_executables)
        verdicts.push_back(contains(*m_executables, process.executableName));
    if (m_classes)
        verdicts.push_back(classesMatch(*m_classes));
    // A filter that names no kind at all selects no process.
    if (verdicts.empty())
        return false;
    if (m_matchesAnyKind)
        return std::find(verdicts.begin(), verdicts.end(), true) != verdicts.end();
    return std::find(verdicts.begin(), verdicts.end(), false) == verdicts.end();
}

}
