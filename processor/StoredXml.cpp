#include "processor/StoredXml.h"

#include <cstring>
#include <limits>

namespace StoredXml
{
    bool isWellFormedUtf8 (const char* data, size_t numBytes)
    {
        if (data == nullptr)
            return numBytes == 0;

        const auto* bytes = reinterpret_cast<const uint8_t*> (data);
        size_t i = 0;

        while (i < numBytes && bytes[i] != 0)
        {
            const auto lead = bytes[i];

            if (lead < 0x80)
            {
                ++i;
                continue;
            }

            size_t extra = 0;
            uint32_t codePoint = 0;

            if (lead >= 0xc2 && lead <= 0xdf)      { extra = 1; codePoint = lead & 0x1fu; }
            else if (lead >= 0xe0 && lead <= 0xef) { extra = 2; codePoint = lead & 0x0fu; }
            else if (lead >= 0xf0 && lead <= 0xf4) { extra = 3; codePoint = lead & 0x07u; }
            else return false;

            if (numBytes - i <= extra)
                return false;

            for (size_t k = 1; k <= extra; ++k)
            {
                const auto next = bytes[i + k];

                if ((next & 0xc0) != 0x80)
                    return false;

                codePoint = (codePoint << 6) | (next & 0x3fu);
            }

            const bool overlong = (extra == 2 && codePoint < 0x800) || (extra == 3 && codePoint < 0x10000);
            const bool surrogate = codePoint >= 0xd800 && codePoint <= 0xdfff;

            if (overlong || surrogate || codePoint > 0x10ffff)
                return false;

            i += extra + 1;
        }

        return true;
    }

    namespace
    {
        // A cursor over the text with the few token rules the check needs.
        struct Reader
        {
            const char* text;
            size_t size, at = 0;

            bool atEnd() const             { return at >= size; }
            char peek (size_t ahead = 0) const { return at + ahead < size ? text[at + ahead] : 0; }

            bool startsWith (const char* token) const
            {
                const auto length = std::strlen (token);
                return size - at >= length && std::memcmp (text + at, token, length) == 0;
            }

            bool skipPast (const char* terminator)
            {
                const auto length = std::strlen (terminator);

                for (; at + length <= size; ++at)
                {
                    if (std::memcmp (text + at, terminator, length) == 0)
                    {
                        at += length;
                        return true;
                    }
                }

                at = size;
                return false;
            }

            static bool isBlank (char c)
            {
                return c == ' ' || c == '\t' || c == '\r' || c == '\n';
            }

            void skipBlanks()
            {
                while (! atEnd() && isBlank (peek()))
                    ++at;
            }

            static bool isNameStart (char c)
            {
                return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':' || (c & 0x80) != 0;
            }

            static bool isNameChar (char c)
            {
                return isNameStart (c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
            }

            bool readName()
            {
                if (! isNameStart (peek()))
                    return false;

                while (isNameChar (peek()))
                    ++at;

                return true;
            }

            // "&name;" or "&#digits;" / "&#xhex;".
            bool readReference()
            {
                ++at;

                if (peek() == '#')
                {
                    ++at;
                    const bool hex = peek() == 'x';
                    if (hex)
                        ++at;

                    const auto start = at;
                    while (hex ? juce::CharacterFunctions::getHexDigitValue ((juce::juce_wchar) peek()) >= 0
                               : (peek() >= '0' && peek() <= '9'))
                        ++at;

                    if (at == start || at - start > 8)
                        return false;
                }
                else if (! readName())
                {
                    return false;
                }

                if (peek() != ';')
                    return false;

                ++at;
                return true;
            }

            bool readAttributeValue()
            {
                const auto quote = peek();

                if (quote != '"' && quote != '\'')
                    return false;

                for (++at; ! atEnd(); ++at)
                {
                    const auto c = peek();

                    if (c == quote)
                    {
                        ++at;
                        return true;
                    }

                    if (c == '<')
                        return false;

                    if (c == '&')
                    {
                        if (! readReference())
                            return false;
                        --at;
                    }
                }

                return false;
            }

            // The rest of a start tag after its name: attributes, then ">" or "/>".
            // Returns 1 for an open element, 0 for an empty one, -1 for an error.
            int readRestOfStartTag()
            {
                for (;;)
                {
                    const auto before = at;
                    skipBlanks();

                    if (startsWith ("/>"))
                    {
                        at += 2;
                        return 0;
                    }

                    if (peek() == '>')
                    {
                        ++at;
                        return 1;
                    }

                    if (at == before || ! readName())
                        return -1;

                    skipBlanks();

                    if (peek() != '=')
                        return -1;

                    ++at;
                    skipBlanks();

                    if (! readAttributeValue())
                        return -1;
                }
            }

            // Comments and blanks, before or after the element tree.
            bool skipMisc()
            {
                for (;;)
                {
                    skipBlanks();

                    if (! startsWith ("<!--"))
                        return true;

                    at += 4;

                    if (! skipPast ("-->"))
                        return false;
                }
            }
        };
    }

    bool isPlainDocument (const char* data, size_t numBytes)
    {
        if (data == nullptr)
            return false;

        Reader r { data, strnlen (data, numBytes) };

        if (r.startsWith ("<?xml") && (r.isBlank (r.peek (5)) || r.peek (5) == '?'))
            if (! r.skipPast ("?>"))
                return false;

        if (! r.skipMisc() || r.peek() != '<')
            return false;

        int depth = 0;

        do
        {
            if (r.peek() == '<')
            {
                if (r.startsWith ("<!--"))
                {
                    r.at += 4;
                    if (! r.skipPast ("-->"))
                        return false;
                }
                else if (r.peek (1) == '/')
                {
                    r.at += 2;
                    if (depth == 0 || ! r.readName())
                        return false;
                    r.skipBlanks();
                    if (r.peek() != '>')
                        return false;
                    ++r.at;
                    --depth;
                }
                else
                {
                    ++r.at;
                    if (! r.readName())
                        return false;

                    const auto kind = r.readRestOfStartTag();

                    if (kind < 0 || (kind == 1 && ++depth > maxNestingDepth))
                        return false;
                }
            }
            else if (r.isBlank (r.peek()))
            {
                ++r.at;
            }
            else
            {
                // Text or a character reference inside an element (CDATA
                // fails above as a tag without a name): a parameter state
                // holds none, and a value tree cannot hold it.
                return false;
            }
        }
        while (depth > 0 && ! r.atEnd());

        return depth == 0 && r.skipMisc() && r.atEnd();
    }

    std::unique_ptr<juce::XmlElement> parse (const char* data, size_t numBytes)
    {
        if (data == nullptr || numBytes == 0)
            return {};

        // A byte-order mark is allowed in front of UTF-8 text.
        if (numBytes >= 3 && std::memcmp (data, "\xef\xbb\xbf", 3) == 0)
        {
            data += 3;
            numBytes -= 3;
        }

        // The text ends at a zero byte, as the framework's strings do.
        numBytes = strnlen (data, numBytes);

        if (numBytes == 0 || numBytes > (size_t) std::numeric_limits<int>::max()
            || ! isWellFormedUtf8 (data, numBytes) || ! isPlainDocument (data, numBytes))
            return {};

        return juce::parseXML (juce::String::fromUTF8 (data, (int) numBytes));
    }
}
