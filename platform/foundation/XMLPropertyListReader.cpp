// The XML form, for the subset property lists use: a prolog, <plist>, the value elements, comments,
// CDATA and character references. No internal DTD subset and no entities beyond XML's five, so
// the text can't expand; the file must be UTF-8 without NUL or control characters.
#include <foundation/PropertyListFormats.hpp>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace PropertyListFormats {

namespace {

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool isNameCharacter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == ':' || c == '.' || c == '-';
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && isSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

// Whole numbers from -2^63 to 2^64 - 1; those above 2^63 - 1 keep their bits, as the binary form does.
std::optional<int64_t> parseInteger(std::string_view text)
{
    bool isNegative = !text.empty() && text.front() == '-';
    if (!text.empty() && (text.front() == '-' || text.front() == '+'))
        text.remove_prefix(1);
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    uint64_t magnitude = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    if (!isNegative)
        return static_cast<int64_t>(magnitude);
    if (magnitude > uint64_t { 1 } << 63)
        return std::nullopt;
    return static_cast<int64_t>(0 - magnitude);
}

std::optional<double> parseReal(std::string_view text)
{
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); });
    if (lower == "nan")
        return std::numeric_limits<double>::quiet_NaN();
    if (lower == "inf" || lower == "+inf" || lower == "infinity" || lower == "+infinity")
        return std::numeric_limits<double>::infinity();
    if (lower == "-inf" || lower == "-infinity")
        return -std::numeric_limits<double>::infinity();
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    double value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
int64_t daysFromCivil(int64_t year, int64_t month, int64_t day)
{
    year -= month <= 2;
    int64_t era = (year >= 0 ? year : year - 399) / 400;
    int64_t yearOfEra = year - era * 400;
    int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

// "YYYY-MM-DDTHH:MM:SSZ", as seconds since 2001-01-01.
std::optional<double> parseDate(std::string_view text)
{
    if (text.size() != 20 || text[4] != '-' || text[7] != '-' || text[10] != 'T' || text[13] != ':' || text[16] != ':' || text[19] != 'Z')
        return std::nullopt;
    auto field = [&](size_t at, size_t length) -> std::optional<int64_t> {
        int64_t value = 0;
        auto [end, error] = std::from_chars(text.data() + at, text.data() + at + length, value);
        if (error != std::errc() || end != text.data() + at + length || text[at] == '-' || text[at] == '+')
            return std::nullopt;
        return value;
    };
    auto year = field(0, 4), month = field(5, 2), day = field(8, 2), hour = field(11, 2), minute = field(14, 2), second = field(17, 2);
    if (!year || !month || !day || !hour || !minute || !second || *month < 1 || *month > 12 || *day < 1 || *day > 31
        || *hour > 23 || *minute > 59 || *second > 60)
        return std::nullopt;
    int64_t days = daysFromCivil(*year, *month, *day) - daysFromCivil(2001, 1, 1);
    return static_cast<double>(days * 86400 + *hour * 3600 + *minute * 60 + *second);
}

std::optional<std::vector<uint8_t>> decodeBase64(std::string_view text)
{
    std::vector<uint8_t> bytes;
    bytes.reserve(text.size() / 4 * 3);
    uint32_t chunk = 0;
    int bits = 0;
    bool isPadded = false;
    for (char c : text) {
        int sextet = c >= 'A' && c <= 'Z' ? c - 'A' : c >= 'a' && c <= 'z' ? c - 'a' + 26 : c >= '0' && c <= '9' ? c - '0' + 52
            : c == '+' ? 62 : c == '/' ? 63 : -1;
        if (isSpace(c))
            continue;
        if (c == '=') {
            isPadded = true;
            continue;
        }
        if (sextet < 0 || isPadded)
            return std::nullopt;
        chunk = (chunk << 6 | static_cast<uint32_t>(sextet)) & 0xFFFFFF;
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            bytes.push_back(static_cast<uint8_t>(chunk >> bits));
        }
    }
    return bytes;
}

class XMLReader : private ReadFailure {
public:
    explicit XMLReader(std::span<const uint8_t> bytes)
        : m_text(reinterpret_cast<const char*>(bytes.data()), bytes.size())
        , m_budget(bytes.size())
    {
    }

    std::optional<PlistValue> read(std::string& error)
    {
        auto value = readDocument();
        if (!value)
            error = reason();
        return value;
    }

private:
    struct Tag {
        std::string_view name;
        bool isClosing { false };
        bool isEmpty { false };
    };

    bool startsWith(std::string_view prefix) const { return m_text.substr(m_at).starts_with(prefix); }

    bool skipPast(std::string_view terminator)
    {
        auto end = m_text.find(terminator, m_at);
        if (end == std::string_view::npos)
            return refuse("an unterminated comment or declaration");
        m_at = end + terminator.size();
        return true;
    }

    // Whitespace, comments, and (before the root) declarations and processing instructions.
    bool skipMisc(bool inProlog)
    {
        for (;;) {
            while (m_at < m_text.size() && isSpace(m_text[m_at]))
                ++m_at;
            bool skipped = true;
            if (startsWith("<!--"))
                skipped = skipPast("-->");
            else if (inProlog && startsWith("<?"))
                skipped = skipPast("?>");
            else if (inProlog && startsWith("<!DOCTYPE"))
                skipped = skipDoctype();
            else
                return true;
            if (!skipped)
                return false;
        }
    }

    // A DTD subset could declare entities that expand; property lists never carry one.
    bool skipDoctype()
    {
        char quote = 0;
        for (; m_at < m_text.size(); ++m_at) {
            char c = m_text[m_at];
            if (quote) {
                quote = c == quote ? 0 : quote;
            } else if (c == '"' || c == '\'') {
                quote = c;
            } else if (c == '[') {
                return refuse("a document type with its own declarations");
            } else if (c == '>') {
                ++m_at;
                return true;
            }
        }
        return refuse("an unterminated document type");
    }

    std::optional<Tag> readTag()
    {
        if (m_at >= m_text.size() || m_text[m_at] != '<')
            return fail("text where an element was expected");
        Tag tag;
        ++m_at;
        if (m_at < m_text.size() && m_text[m_at] == '/') {
            tag.isClosing = true;
            ++m_at;
        }
        size_t nameStart = m_at;
        while (m_at < m_text.size() && isNameCharacter(m_text[m_at]))
            ++m_at;
        tag.name = m_text.substr(nameStart, m_at - nameStart);
        if (tag.name.empty())
            return fail("a malformed element");
        // Attributes are skipped: only <plist version="..."> has any.
        char quote = 0;
        for (; m_at < m_text.size(); ++m_at) {
            char c = m_text[m_at];
            if (quote) {
                quote = c == quote ? 0 : quote;
            } else if (c == '"' || c == '\'') {
                quote = c;
            } else if (c == '<') {
                break;
            } else if (c == '>') {
                tag.isEmpty = m_text[m_at - 1] == '/';
                ++m_at;
                if (tag.isEmpty && tag.isClosing)
                    return fail("a malformed element");
                return tag;
            }
        }
        return fail("an unterminated element");
    }

    bool expectClosing(std::string_view name)
    {
        if (!skipMisc(false))
            return false;
        auto tag = readTag();
        if (!tag)
            return false;
        if (!tag->isClosing || tag->name != name)
            return refuse("mismatched elements");
        return true;
    }

    bool appendReference(std::string& text)
    {
        auto end = m_text.find(';', m_at);
        if (end == std::string_view::npos || end - m_at > 12)
            return refuse("a malformed character reference");
        auto name = m_text.substr(m_at + 1, end - m_at - 1);
        m_at = end + 1;
        static constexpr std::pair<std::string_view, char> named[] = { { "lt", '<' }, { "gt", '>' }, { "amp", '&' }, { "quot", '"' }, { "apos", '\'' } };
        for (auto [entity, character] : named) {
            if (name == entity) {
                text += character;
                return true;
            }
        }
        if (name.empty() || name[0] != '#')
            return refuse("an unknown entity");
        bool isHex = name.size() > 1 && name[1] == 'x';
        auto digits = name.substr(isHex ? 2 : 1);
        uint32_t codePoint = 0;
        auto [last, error] = std::from_chars(digits.data(), digits.data() + digits.size(), codePoint, isHex ? 16 : 10);
        if (digits.empty() || error != std::errc() || last != digits.data() + digits.size())
            return refuse("a malformed character reference");
        if (!appendUTF8(text, codePoint))
            return refuse("a character reference to NUL or no character");
        return true;
    }

    // The text of an element up to its closing tag.
    std::optional<std::string> readText(std::string_view name)
    {
        std::string text;
        while (m_at < m_text.size()) {
            char c = m_text[m_at];
            if (c == '&') {
                if (!appendReference(text))
                    return std::nullopt;
            } else if (startsWith("<![CDATA[")) {
                auto end = m_text.find("]]>", m_at + 9);
                if (end == std::string_view::npos)
                    return fail("an unterminated CDATA section");
                text += m_text.substr(m_at + 9, end - m_at - 9);
                m_at = end + 3;
            } else if (startsWith("<!--")) {
                if (!skipPast("-->"))
                    return std::nullopt;
            } else if (c == '<') {
                if (!expectClosing(name))
                    return std::nullopt;
                if (!m_budget.takeBytes(text.size()))
                    return fail("too much text and data");
                return text;
            } else {
                text += c;
                ++m_at;
            }
        }
        return fail("an unterminated element");
    }

    std::optional<PlistValue> readDocument()
    {
        if (startsWith("\xEF\xBB\xBF"))
            m_at += 3;
        if (!checkCharacters() || !skipMisc(true))
            return std::nullopt;
        auto tag = readTag();
        if (!tag)
            return std::nullopt;
        std::optional<PlistValue> value;
        if (tag->name == "plist" && !tag->isClosing && !tag->isEmpty) {
            if (!skipMisc(false))
                return std::nullopt;
            auto inner = readTag();
            value = inner ? readValue(*inner, 0) : std::nullopt;
            if (value && !expectClosing("plist"))
                return std::nullopt;
        } else {
            value = readValue(*tag, 0);
        }
        if (!value || !skipMisc(false))
            return std::nullopt;
        if (m_at != m_text.size())
            return fail("content after the property list");
        return value;
    }

    // XML text is UTF-8 and holds no NUL or control characters but tab and line ends.
    bool checkCharacters()
    {
        auto rest = m_text.substr(m_at);
        bool hasControl = std::any_of(rest.begin(), rest.end(), [](char c) { return static_cast<uint8_t>(c) < 0x20 && !isSpace(c); });
        if (hasControl || !isValidText(rest))
            return refuse("NUL, a control character or bytes that are not UTF-8");
        return true;
    }

    std::optional<PlistValue> readValue(const Tag& tag, int depth)
    {
        if (tag.isClosing)
            return fail("a closing element where a value was expected");
        if (!m_budget.takeObjects(1))
            return fail("too many values");
        if (tag.name == "dict" || tag.name == "array") {
            if (depth + 1 > NSPropertyListSerialization::maximumDepth)
                return fail("nested too deeply");
            if (tag.isEmpty)
                return tag.name == "dict" ? PlistValue(PlistDictionary {}) : PlistValue(PlistArray {});
            return tag.name == "dict" ? readDictionary(depth + 1) : readArray(depth + 1);
        }
        if (tag.name == "true" || tag.name == "false") {
            if (!tag.isEmpty && !expectClosing(tag.name))
                return std::nullopt;
            return PlistValue(tag.name == "true");
        }
        std::string text;
        if (!tag.isEmpty) {
            auto content = readText(tag.name);
            if (!content)
                return std::nullopt;
            text = std::move(*content);
        }
        return readScalar(tag.name, std::move(text));
    }

    std::optional<PlistValue> readScalar(std::string_view name, std::string text)
    {
        if (name == "string")
            return PlistValue(std::move(text));
        if (name == "integer") {
            if (auto number = parseInteger(trimmed(text)))
                return PlistValue(*number);
            return fail("a bad integer");
        }
        if (name == "real") {
            if (auto real = parseReal(trimmed(text)))
                return PlistValue(*real);
            return fail("a bad real number");
        }
        if (name == "date") {
            if (auto seconds = parseDate(trimmed(text)))
                return PlistValue(*seconds);
            return fail("a bad date");
        }
        if (name == "data") {
            if (auto bytes = decodeBase64(text))
                return PlistValue(PlistData { std::move(*bytes) });
            return fail("bad base64 data");
        }
        return fail("an unsupported element");
    }

    std::optional<PlistValue> readArray(int depth)
    {
        PlistArray array;
        for (;;) {
            if (!skipMisc(false))
                return std::nullopt;
            auto tag = readTag();
            if (!tag)
                return std::nullopt;
            if (tag->isClosing && tag->name == "array")
                return PlistValue(std::move(array));
            auto item = readValue(*tag, depth);
            if (!item)
                return std::nullopt;
            array.push_back(std::move(*item));
        }
    }

    std::optional<PlistValue> readDictionary(int depth)
    {
        PlistDictionary dictionary;
        for (;;) {
            if (!skipMisc(false))
                return std::nullopt;
            auto tag = readTag();
            if (!tag)
                return std::nullopt;
            if (tag->isClosing && tag->name == "dict")
                return PlistValue(std::move(dictionary));
            if (tag->name != "key" || tag->isClosing)
                return fail("a dictionary value without a key");
            std::string key;
            if (!tag->isEmpty) {
                auto text = readText("key");
                if (!text)
                    return std::nullopt;
                key = std::move(*text);
            }
            if (!skipMisc(false))
                return std::nullopt;
            auto valueTag = readTag();
            auto value = valueTag ? readValue(*valueTag, depth) : std::nullopt;
            if (!value)
                return std::nullopt;
            dictionary.insert_or_assign(std::move(key), std::move(*value));
        }
    }

    std::string_view m_text;
    size_t m_at { 0 };
    ParseBudget m_budget;
};

}

std::optional<PlistValue> readXML(std::span<const uint8_t> bytes, std::string& error)
{
    return XMLReader(bytes).read(error);
}

}
