// Hostile bytes as an injected library's filter property list: read, then matched against a process.
#include <foundation/PropertyList.hpp>
#include <substrate/Filter.hpp>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string reason;
    auto propertyList = NSPropertyListSerialization::propertyListWithData(std::span<const uint8_t>(data, size), &reason);
    if (reason.starts_with("an internal fault"))
        std::abort();
    if (!propertyList)
        return 0;
    auto filter = Substrate::Filter::fromPropertyList(*propertyList);
    if (!filter)
        return 0;
    static const Substrate::ProcessIdentity assistant { "com.apple.springboard", { "com.apple.SiriUICore", "com.apple.UIKit" }, "SpringBoard" };
    static const Substrate::ProcessIdentity other { "", {}, "" };
    (void)filter->matches(assistant);
    (void)filter->matches(other);
    return 0;
}
