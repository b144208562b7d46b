// Writing of the XML form, in the layout property list editors use.
#include <foundation/PropertyListFormats.hpp>

#include <cmath>
#include <cstdio>

namespace PropertyListFormats {

namespace {

class XMLWriter {
public:
    std::vector<uint8_t> write(const PlistValue& root)
    {
        m_out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
                "<plist version=\"1.0\">\n";
        if (!append(root, 0))
            return {};
        m_out += "</plist>\n";
        return std::vector<uint8_t>(m_out.begin(), m_out.end());
    }

private:
    void indent(int depth) { m_out.append(static_cast<size_t>(depth), '\t'); }

    // Characters XML can't hold as they are become references, which read back as the same text.
    bool appendText(const std::string& text)
    {
        if (!isValidText(text))
            return false;
        for (char c : text) {
            if (c == '&') {
                m_out += "&amp;";
            } else if (c == '<') {
                m_out += "&lt;";
            } else if (c == '>') {
                m_out += "&gt;";
            } else if (static_cast<uint8_t>(c) < 0x20 && c != '\t' && c != '\n') {
                char reference[8];
                std::snprintf(reference, sizeof reference, "&#%u;", static_cast<unsigned>(c));
                m_out += reference;
            } else {
                m_out += c;
            }
        }
        return true;
    }

    bool appendElement(const char* name, const std::string& text, int depth)
    {
        indent(depth);
        m_out += std::string("<") + name + ">";
        if (!appendText(text))
            return false;
        m_out += std::string("</") + name + ">\n";
        return true;
    }

    static std::string realText(double value)
    {
        if (std::isnan(value))
            return "nan";
        if (std::isinf(value))
            return value > 0 ? "+infinity" : "-infinity";
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%.17g", value);
        return buffer;
    }

    bool append(const PlistValue& value, int depth)
    {
        if (const auto* array = value.get<PlistArray>()) {
            if (depth >= NSPropertyListSerialization::maximumDepth)
                return false;
            indent(depth);
            m_out += "<array>\n";
            for (const auto& item : *array) {
                if (!append(item, depth + 1))
                    return false;
            }
            indent(depth);
            m_out += "</array>\n";
            return true;
        }
        if (const auto* dictionary = value.get<PlistDictionary>()) {
            if (depth >= NSPropertyListSerialization::maximumDepth)
                return false;
            indent(depth);
            m_out += "<dict>\n";
            for (const auto& [key, item] : *dictionary) {
                if (!appendElement("key", key, depth + 1) || !append(item, depth + 1))
                    return false;
            }
            indent(depth);
            m_out += "</dict>\n";
            return true;
        }
        return appendLeaf(value, depth);
    }

    bool appendLeaf(const PlistValue& value, int depth)
    {
        if (const auto* flag = value.get<bool>()) {
            indent(depth);
            m_out += *flag ? "<true/>\n" : "<false/>\n";
            return true;
        }
        if (const auto* number = value.get<int64_t>())
            return appendElement("integer", std::to_string(*number), depth);
        if (const auto* real = value.get<double>())
            return appendElement("real", realText(*real), depth);
        if (const auto* text = value.get<std::string>())
            return appendElement("string", *text, depth);
        return appendElement("data", encodeBase64(value.get<PlistData>()->bytes), depth);
    }

    std::string m_out;
};

}

std::vector<uint8_t> writeXML(const PlistValue& value)
{
    return XMLWriter().write(value);
}

}
