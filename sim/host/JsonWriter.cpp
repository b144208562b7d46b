#include "JsonWriter.hpp"

#include <foundation/PropertyList.hpp>

#include <cmath>
#include <cstdio>

namespace sim {

void JsonWriter::separate()
{
    if (m_afterKey) {
        m_afterKey = false;
        return;
    }
    if (!m_hasElement.empty()) {
        if (m_hasElement.back())
            m_out += ", ";
        m_hasElement.back() = true;
    }
}

JsonWriter& JsonWriter::beginObject()
{
    separate();
    m_out += '{';
    m_hasElement.push_back(false);
    return *this;
}

JsonWriter& JsonWriter::endObject()
{
    m_out += '}';
    m_hasElement.pop_back();
    return *this;
}

JsonWriter& JsonWriter::beginArray()
{
    separate();
    m_out += '[';
    m_hasElement.push_back(false);
    return *this;
}

JsonWriter& JsonWriter::endArray()
{
    m_out += ']';
    m_hasElement.pop_back();
    return *this;
}

JsonWriter& JsonWriter::key(const std::string& name)
{
    separate();
    m_out += toJSONString(name);
    m_out += ": ";
    m_afterKey = true;
    return *this;
}

JsonWriter& JsonWriter::value(const std::string& text)
{
    return raw(toJSONString(text));
}

JsonWriter& JsonWriter::value(const char* text)
{
    return value(std::string(text));
}

JsonWriter& JsonWriter::value(double number)
{
    if (!std::isfinite(number))
        return null();
    char buffer[32];
    // Enough digits for geometry and durations, without binary noise such as 0.10000000000000001.
    std::snprintf(buffer, sizeof buffer, "%.10g", number);
    return raw(buffer);
}

JsonWriter& JsonWriter::value(long long number)
{
    return raw(std::to_string(number));
}

JsonWriter& JsonWriter::value(bool flag)
{
    return raw(flag ? "true" : "false");
}

JsonWriter& JsonWriter::null()
{
    return raw("null");
}

JsonWriter& JsonWriter::raw(const std::string& text)
{
    separate();
    m_out += text;
    return *this;
}

}
