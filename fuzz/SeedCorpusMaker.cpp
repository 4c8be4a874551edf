// Writes the seed corpora of the fuzz targets: chunks and preset files made by
// the plug-in itself, a few names and typed texts, and audio inputs in the
// audio target's format (fuzz/AudioPathFuzzer.cpp).
#include "fuzz/FuzzSupport.h"

#include <cmath>
#include <initializer_list>
#include <limits>
#include <utility>

namespace
{
    // Builds one input of the audio target.
    struct AudioInput
    {
        AudioInput (double rate, bool mono, uint16_t preparedSize) : channels (mono ? 1 : 2)
        {
            writeRate (rate);
            out.writeByte ((char) (mono ? 1 : 0));
            out.writeShort ((short) preparedSize);
        }

        struct Change
        {
            uint8_t parameter;
            float normalised;
        };

        // A block of a low tone with a partial near Nyquist, with the given
        // samples of channel 0 replaced.
        void block (int numSamples, std::initializer_list<Change> changes = {},
                    std::initializer_list<std::pair<int, float>> replaced = {}, double newRate = 0.0)
        {
            out.writeByte ((char) (changes.size() | (newRate > 0.0 ? 4 : 0)));

            if (newRate > 0.0)
                writeRate (newRate);

            for (const auto& c : changes)
            {
                out.writeByte ((char) c.parameter);
                out.writeFloat (c.normalised);
            }

            out.writeShort ((short) numSamples);

            for (int ch = 0; ch < channels; ++ch)
                for (int i = 0; i < numSamples; ++i)
                {
                    auto x = (float) (0.5 * std::sin (0.002 * (position + i) * (ch + 1))
                                      + 0.2 * std::sin (2.9 * (position + i)));

                    for (const auto& [at, value] : replaced)
                        if (ch == 0 && at == i)
                            x = value;

                    out.writeFloat (x);
                }

            position += numSamples;
        }

        void writeRate (double hz)
        {
            out.writeInt ((int) (uint32_t) std::llround ((hz - 1000.0) / 383000.0 * 4294967295.0));
        }

        juce::MemoryOutputStream out;
        int channels;
        int position = 0;
    };
}

int main (int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf (stderr, "usage: %s <corpus folder>\n", argv[0]);
        return 2;
    }

    juce::ScopedJuceInitialiser_GUI juce;
    const auto home = fuzz_support::makeHome();
    const auto root = juce::File::getCurrentWorkingDirectory().getChildFile (juce::String::fromUTF8 (argv[1]));

    auto write = [&root] (const char* folder, const juce::String& name, const void* data, size_t size)
    {
        const auto file = root.getChildFile (folder).getChildFile (name);
        file.getParentDirectory().createDirectory();
        file.replaceWithData (data, size);
    };

    EmberLashAudioProcessor processor;

    auto savePair = [&] (const juce::String& name)
    {
        juce::MemoryBlock chunk;
        processor.getStateInformation (chunk);
        write ("state", name + ".bin", chunk.getData(), chunk.getSize());

        processor.saveUserPreset (name);
        juce::MemoryBlock file;
        processor.presetStorage.getPresetFile (name).loadFileAsData (file);
        write ("preset", name + ".xml", file.getData(), file.getSize());
    };

    savePair ("Default");

    for (const auto& name : processor.getFactoryPresetNames())
    {
        processor.loadFactoryPreset (name);
        savePair (name.removeCharacters (" "));
    }

    processor.setParameterValue ("power", 0.0f);
    processor.setParameterValue ("output", 12.0f);
    processor.setCurrentPreset ("Modified User", true, true);
    savePair ("ModifiedUser");

    const char* names[] { "Lead\nRhythm\nClean\nLead", "My Preset!\n  spaced  \n../up\n/abs/path",
                          "a\nA\nLead__backup\nPreset", "\n\n\n" };
    int n = 0;
    for (auto* text : names)
        write ("names", "names" + juce::String (n++) + ".txt", text, std::strlen (text));

    const char* labels[] { "\x00-3 dB", "\x05" "250%", "\x07-5", "\x02" "3db", "\x01" "1,5", "\x08" "inf",
                           "\x03nan", "\x04+4.5", "\x06" "50" };
    n = 0;
    for (auto* text : labels)
        write ("label", "label" + juce::String (n++) + ".txt", text, 1 + std::strlen (text + 1));

    // Parameter indices in layout order: power 0, mode 1, tight 2 ... output 10.
    const auto nan = std::numeric_limits<float>::quiet_NaN();
    const auto inf = std::numeric_limits<float>::infinity();
    n = 0;

    auto writeAudio = [&] (const AudioInput& input)
    {
        write ("audio", "audio" + juce::String (n++) + ".bin", input.out.getData(), input.out.getDataSize());
    };

    {
        AudioInput input (48000.0, false, 256);
        input.block (256);
        input.block (256, {}, { { 10, nan }, { 11, inf }, { 200, -inf }, { 201, 3.4e38f }, { 202, -3.4e38f } });
        input.block (256);
        writeAudio (input);
    }
    {
        AudioInput input (8000.0, true, 128);
        input.block (128, { { 1, 1.0f }, { 4, 1.0f }, { 8, 1.0f } });
        input.block (96, { { 10, 1.0f }, { 9, 0.0f } });
        writeAudio (input);
    }
    {
        AudioInput input (1234.5678, false, 64);
        input.block (64);
        input.block (0);
        input.block (200);
        writeAudio (input);
    }
    {
        AudioInput input (384000.0, false, 32);
        input.block (100, { { 0, 0.0f } });
        input.block (64, { { 0, 1.0f } }, {}, 1000.0);
        writeAudio (input);
    }
    {
        AudioInput input (44100.0, false, 128);
        input.block (128, { { 7, nan }, { 1, nan }, { 10, nan } });
        input.block (128, { { 7, 2.0f }, { 3, -inf } });
        writeAudio (input);
    }

    home.deleteRecursively();
    return 0;
}
