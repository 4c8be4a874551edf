#pragma once

#include <juce_core/juce_core.h>

#include <cstdlib>
#include <unistd.h>

namespace testing_support
{
    // Points HOME and XDG_CONFIG_HOME at a fresh temporary folder for the
    // lifetime of the object, so no test touches the real user's files.
    class TempHome
    {
    public:
        TempHome()
            : folder (juce::File::getSpecialLocation (juce::File::tempDirectory)
                          .getChildFile ("emberlash-home-" + juce::String (getpid()) + "-"
                                         + juce::String::toHexString (juce::Random().nextInt64())))
        {
            folder.createDirectory();
            save ("HOME", oldHome);
            save ("XDG_CONFIG_HOME", oldConfig);
            setenv ("HOME", folder.getFullPathName().toRawUTF8(), 1);
            setenv ("XDG_CONFIG_HOME", config().getFullPathName().toRawUTF8(), 1);
        }

        ~TempHome()
        {
            restore ("HOME", oldHome);
            restore ("XDG_CONFIG_HOME", oldConfig);
            folder.deleteRecursively();
        }

        juce::File home() const { return folder; }
        juce::File config() const { return folder.getChildFile ("config"); }
        juce::File presets() const { return config().getChildFile ("VontalAudio/Emberlash/version_1.0.1/Presets"); }

        // Every file and folder below the temporary home, relative to it.
        juce::StringArray everything() const
        {
            juce::StringArray paths;
            for (const auto& f : folder.findChildFiles (juce::File::findFilesAndDirectories, true, "*"))
                paths.add (f.getRelativePathFrom (folder));
            paths.sort (false);
            return paths;
        }

    private:
        struct Saved { bool present = false; std::string value; };

        static void save (const char* name, Saved& saved)
        {
            if (const char* v = std::getenv (name)) { saved.present = true; saved.value = v; }
        }

        static void restore (const char* name, const Saved& saved)
        {
            if (saved.present) setenv (name, saved.value.c_str(), 1);
            else unsetenv (name);
        }

        juce::File folder;
        Saved oldHome, oldConfig;
    };
}
