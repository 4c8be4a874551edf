#include "processor/NumberText.h"

namespace NumberText
{
    juce::String withBoundedExponents (const juce::String& text)
    {
        constexpr int maxExponentDigits = 4;

        juce::String result;
        auto p = text.getCharPointer();
        juce::juce_wchar previous = 0;

        while (! p.isEmpty())
        {
            const auto c = p.getAndAdvance();
            result << juce::String::charToString (c);

            const bool startsExponent = (c == 'e' || c == 'E') && (juce::CharacterFunctions::isDigit (previous) || previous == '.');
            previous = c;

            if (! startsExponent)
                continue;

            if (*p == '+' || *p == '-')
                result << juce::String::charToString (p.getAndAdvance());

            // Leading zeros do not count; more than a few digits mean an
            // exponent no double reaches, and 9999 reads the same.
            while (*p == '0' && juce::CharacterFunctions::isDigit (p[1]))
                ++p;

            juce::String digits;
            while (juce::CharacterFunctions::isDigit (*p))
                digits << juce::String::charToString (p.getAndAdvance());

            result << (digits.length() > maxExponentDigits ? juce::String ("9999") : digits);
            previous = 0;
        }

        return result;
    }

    double read (const juce::String& text)
    {
        return withBoundedExponents (text).getDoubleValue();
    }
}
