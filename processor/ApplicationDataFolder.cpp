#include "processor/ApplicationDataFolder.h"

#if JUCE_WINDOWS
 #include <windows.h>
 #include <shlobj.h>
#endif

#include <cstdlib>

juce::File getApplicationDataFolder()
{
   #if JUCE_WINDOWS
    WCHAR buffer[520] = {};

    if (SHGetSpecialFolderPathW (nullptr, buffer, CSIDL_APPDATA, FALSE))
        return juce::File (juce::String (buffer));

    return {};
   #elif JUCE_LINUX || JUCE_BSD
    // The XDG base-directory rule: $XDG_CONFIG_HOME when it is an absolute
    // path, otherwise ~/.config.
    if (const char* configHome = std::getenv ("XDG_CONFIG_HOME"))
    {
        const auto path = juce::String::fromUTF8 (configHome);

        if (juce::File::isAbsolutePath (path))
            return juce::File (path);
    }

    return juce::File ("~/.config");
   #else
    return juce::File::getSpecialLocation (juce::File::userApplicationDataDirectory);
   #endif
}
