// A small writer of one-line JSON, members in the order written.
#pragma once

#include <string>
#include <vector>

namespace sim {

class JsonWriter {
public:
    JsonWriter& beginObject();
    JsonWriter& endObject();
    JsonWriter& beginArray();
    JsonWriter& endArray();
    JsonWriter& key(const std::string&);
    JsonWriter& value(const std::string&);
    JsonWriter& value(const char*);
    JsonWriter& value(double);
    JsonWriter& value(long long);
    JsonWriter& value(int number) { return value(static_cast<long long>(number)); }
    JsonWriter& value(long number) { return value(static_cast<long long>(number)); }
    JsonWriter& value(unsigned long number) { return value(static_cast<long long>(number)); }
    JsonWriter& value(bool);
    JsonWriter& null();
    // Text already in JSON form, e.g. from toJSON.
    JsonWriter& raw(const std::string&);

    template<typename T>
    JsonWriter& member(const std::string& name, const T& v)
    {
        key(name);
        return value(v);
    }

    const std::string& str() const { return m_out; }

private:
    void separate();

    std::string m_out;
    // Per open container: whether it already holds an element.
    std::vector<bool> m_hasElement;
    bool m_afterKey { false };
};

}
