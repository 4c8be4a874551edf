#pragma once

#include <juce_core/juce_core.h>

#include <memory>

// Parses XML that comes from outside the process (a host's state chunk, a
// preset file). The framework's parser assumes well-formed UTF-8, recurses
// once per nesting level, and loops for ever on some malformed documents (a
// processing instruction followed by text inside an element, for one). So
// the text is first checked against the plain subset of XML that a
// parameter state is written in, without recursion, and only then parsed.
namespace StoredXml
{
    // Deeper than this is never a parameter state.
    constexpr int maxNestingDepth = 32;

    // True when the bytes, up to the first zero byte, are well-formed UTF-8.
    bool isWellFormedUtf8 (const char* data, size_t numBytes);

    // True for a well-formed document of this shape: an optional XML
    // declaration, comments and blanks, then one element tree at most
    // maxNestingDepth deep whose elements hold quoted attributes, child
    // elements, comments and blanks; nothing but comments and blanks after
    // it. No text, character reference or CDATA inside an element (a value
    // tree has nothing to hold it in), no DOCTYPE and no processing
    // instruction besides the declaration.
    bool isPlainDocument (const char* data, size_t numBytes);

    // The document element, or nothing when the text is refused or does not parse.
    std::unique_ptr<juce::XmlElement> parse (const char* data, size_t numBytes);
}
