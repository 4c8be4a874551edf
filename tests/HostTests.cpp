#include "tests/HostFixture.h"
#include "tests/TestSupport.h"

#include "processor/EmberLashAudioProcessor.h"

#include <pluginterfaces/base/ipluginbase.h>
#include <pluginterfaces/vst/ivstaudioprocessor.h>
#include <pluginterfaces/vst/ivsteditcontroller.h>

#include <dlfcn.h>

#include <array>
#include <map>
#include <cmath>
#include <cstring>

namespace
{
    using namespace Steinberg;

    uint32_t fourCharCode (const char* code)
    {
        return (uint32_t (uint8_t (code[0])) << 24) | (uint32_t (uint8_t (code[1])) << 16)
             | (uint32_t (uint8_t (code[2])) << 8) | uint32_t (uint8_t (code[3]));
    }

    // The sixteen bytes of a class id made of four words, as the SDK lays them
    // out on this platform.
    std::array<uint8_t, 16> classIdBytes (uint32_t w1, uint32_t w2, uint32_t w3, uint32_t w4)
    {
        std::array<uint8_t, 16> bytes {};
        auto bigEndian = [&bytes] (size_t at, uint32_t w)
        {
            for (size_t i = 0; i < 4; ++i)
                bytes[at + i] = uint8_t (w >> (24 - 8 * i));
        };

       #if COM_COMPATIBLE
        for (size_t i = 0; i < 4; ++i)
            bytes[i] = uint8_t (w1 >> (8 * i));
        bytes[4] = uint8_t (w2 >> 16); bytes[5] = uint8_t (w2 >> 24);
        bytes[6] = uint8_t (w2);       bytes[7] = uint8_t (w2 >> 8);
       #else
        bigEndian (0, w1);
        bigEndian (4, w2);
       #endif
        bigEndian (8, w3);
        bigEndian (12, w4);
        return bytes;
    }

    std::array<uint8_t, 16> toBytes (const TUID cid)
    {
        std::array<uint8_t, 16> bytes {};
        std::memcpy (bytes.data(), cid, 16);
        return bytes;
    }

    juce::String hex (const std::array<uint8_t, 16>& bytes)
    {
        return juce::String::toHexString (bytes.data(), 16, 0).toUpperCase();
    }

    // The module opened directly, so that the factory answers can be read
    // exactly as a VST3 host reads them.
    struct OpenedModule
    {
        OpenedModule()
        {
            auto so = HostedPlugin::bundle().getChildFile ("Contents/x86_64-linux/Emberlash.so");
            handle = dlopen (so.getFullPathName().toRawUTF8(), RTLD_NOW | RTLD_LOCAL);

            if (handle == nullptr)
                return;

            using EntryProc = bool (*) (void*);
            if (auto* entry = reinterpret_cast<EntryProc> (dlsym (handle, "ModuleEntry")))
                entered = entry (handle);

            using FactoryProc = IPluginFactory* (*)();
            if (auto* getFactory = reinterpret_cast<FactoryProc> (dlsym (handle, "GetPluginFactory")))
                factory = getFactory();
        }

        ~OpenedModule()
        {
            if (factory != nullptr)
                factory->release();

            if (handle != nullptr)
            {
                using ExitProc = bool (*)();
                if (auto* exitProc = reinterpret_cast<ExitProc> (dlsym (handle, "ModuleExit")); exitProc != nullptr && entered)
                    exitProc();

                dlclose (handle);
            }
        }

        void* handle = nullptr;
        bool entered = false;
        IPluginFactory* factory = nullptr;
    };

    // moduleinfo.json carries trailing commas, which JUCE's JSON parser refuses.
    juce::var readModuleInfo()
    {
        auto text = HostedPlugin::bundle().getChildFile ("Contents/Resources/moduleinfo.json").loadFileAsString();
        juce::String cleaned;
        auto* p = text.toRawUTF8();
        const auto length = (int) std::strlen (p);

        for (int i = 0; i < length; ++i)
        {
            if (p[i] == ',')
            {
                int j = i + 1;
                while (j < length && std::isspace ((unsigned char) p[j]))
                    ++j;
                if (j < length && (p[j] == '}' || p[j] == ']'))
                    continue;
            }
            cleaned << juce::String::charToString ((juce::juce_wchar) (unsigned char) p[i]);
        }

        return juce::JSON::parse (cleaned);
    }

    struct ExpectedClass
    {
        const char* category;
        uint32_t secondWord;
        const char* subCategories;
    };

    const ExpectedClass expectedClasses[] {
        { "Audio Module Class", 0x9182FAEB, "Fx" },
        { "Component Controller Class", 0x1234ABCD, "Fx" },
        { "Plugin Compatibility Class", 0xC0DEF00D, "" },
    };

    std::array<uint8_t, 16> expectedId (const ExpectedClass& c)
    {
        return classIdBytes (0xABCDEF01, c.secondWord, fourCharCode ("Vntl"), fourCharCode ("Emlh"));
    }
}

TEST (HostIdentity, DescriptionSeenByTheHost)
{
    auto description = HostedPlugin::describe();
    ASSERT_NE (description, nullptr);

    EXPECT_EQ (description->name, "Emberlash");
    EXPECT_EQ (description->manufacturerName, "Vontal Audio");
    EXPECT_EQ (description->version, "1.0.1");
    EXPECT_EQ (description->category, "Fx");
    EXPECT_EQ (description->pluginFormatName, "VST3");
    EXPECT_FALSE (description->isInstrument);

    auto instance = HostedPlugin::load();
    ASSERT_NE (instance, nullptr);
    EXPECT_EQ (instance->getName(), "Emberlash");
    EXPECT_EQ (instance->getTotalNumInputChannels(), 2);
    EXPECT_EQ (instance->getTotalNumOutputChannels(), 2);
    EXPECT_FALSE (instance->acceptsMidi());
    EXPECT_FALSE (instance->producesMidi());
    EXPECT_NEAR (instance->getTailLengthSeconds(), 0.4, 1e-9);
    EXPECT_TRUE (instance->hasEditor());
}

TEST (HostIdentity, FactoryInfoAndClasses)
{
    OpenedModule module;
    ASSERT_NE (module.factory, nullptr);

    PFactoryInfo info;
    ASSERT_EQ (module.factory->getFactoryInfo (&info), kResultOk);
    EXPECT_STREQ (info.vendor, "Vontal Audio");
    EXPECT_GT (std::strlen (info.url), 0u);
    EXPECT_GT (std::strlen (info.email), 0u);
    EXPECT_NE (info.flags & PFactoryInfo::kUnicode, 0);

    ASSERT_EQ (module.factory->countClasses(), 3);

    IPluginFactory2* factory2 = nullptr;
    ASSERT_EQ (module.factory->queryInterface (IPluginFactory2_iid, reinterpret_cast<void**> (&factory2)), kResultOk);
    ASSERT_NE (factory2, nullptr);

    for (int i = 0; i < 3; ++i)
    {
        SCOPED_TRACE (i);
        const auto& expected = expectedClasses[i];
        PClassInfo2 c;
        ASSERT_EQ (factory2->getClassInfo2 (i, &c), kResultOk);

        EXPECT_STREQ (c.name, "Emberlash");
        EXPECT_STREQ (c.vendor, "Vontal Audio");
        EXPECT_STREQ (c.version, "1.0.1");
        EXPECT_STREQ (c.sdkVersion, "VST 3.7.12");
        EXPECT_STREQ (c.category, expected.category);
        EXPECT_STREQ (c.subCategories, expected.subCategories);
        EXPECT_EQ (c.classFlags, 0u);
        EXPECT_EQ (c.cardinality, PClassInfo::kManyInstances);
        EXPECT_EQ (hex (toBytes (c.cid)), hex (expectedId (expected)));
    }

    factory2->release();
}

TEST (HostIdentity, ModuleInfoListsTheThreeClasses)
{
    auto info = readModuleInfo();
    ASSERT_TRUE (info.isObject());

    EXPECT_EQ (info["Name"].toString(), "Emberlash");
    EXPECT_EQ (info["Version"].toString(), "1.0.1");
    EXPECT_EQ (info["Factory Info"]["Vendor"].toString(), "Vontal Audio");

    auto* classes = info["Classes"].getArray();
    ASSERT_NE (classes, nullptr);
    ASSERT_EQ (classes->size(), 3);

    for (int i = 0; i < 3; ++i)
    {
        SCOPED_TRACE (i);
        const auto& c = classes->getReference (i);
        const auto& expected = expectedClasses[i];
        EXPECT_EQ (c["Category"].toString(), expected.category);
        EXPECT_EQ (c["Name"].toString(), "Emberlash");
        EXPECT_EQ (c["Vendor"].toString(), "Vontal Audio");
        EXPECT_EQ (c["Version"].toString(), "1.0.1");
        EXPECT_EQ (c["SDKVersion"].toString(), "VST 3.7.12");
        // moduleinfo.json writes the id in the SDK's canonical text form.
        EXPECT_EQ (c["CID"].toString(),
                   juce::String::toHexString ((int) 0xABCDEF01).toUpperCase().paddedLeft ('0', 8)
                       + juce::String::toHexString ((int) expected.secondWord).toUpperCase().paddedLeft ('0', 8)
                       + "566E746C456D6C68");

        auto* subs = c["Sub Categories"].getArray();
        if (juce::String (expected.subCategories).isEmpty())
            EXPECT_TRUE (subs == nullptr || subs->isEmpty());
        else
            ASSERT_TRUE (subs != nullptr && subs->size() == 1 && (*subs)[0].toString() == expected.subCategories);
    }
}

TEST (HostParameters, ElevenParametersInOrderThenBypass)
{
    auto instance = HostedPlugin::load();
    ASSERT_NE (instance, nullptr);

    struct Expected { const char* name; float normalisedDefault; };
    const Expected expected[] {
        { "Power", 1.0f }, { "Mode", 0.5f }, { "Tight", 0.625f }, { "Body", 29.0f / 48.0f },
        { "Bite", 2.0f / 3.0f }, { "Fizz", 0.6875f }, { "Air", 0.5625f }, { "Width", 0.6f },
        { "Room", 0.25f }, { "Mix", 0.7f }, { "Output", 0.5f },
    };

    const auto& params = instance->getParameters();
    ASSERT_EQ (params.size(), 12);

    for (int i = 0; i < 11; ++i)
    {
        SCOPED_TRACE (expected[i].name);
        EXPECT_EQ (params[i]->getName (100), expected[i].name);
        EXPECT_NEAR (params[i]->getDefaultValue(), expected[i].normalisedDefault, 1e-6);
        EXPECT_NEAR (params[i]->getValue(), expected[i].normalisedDefault, 1e-6);
    }

    auto* bypass = instance->getBypassParameter();
    ASSERT_NE (bypass, nullptr);
    EXPECT_EQ (bypass, params[11]);
    EXPECT_EQ (bypass->getName (100), "Bypass");
}

TEST (HostBuses, MonoAndStereoAcceptedMixedRefused)
{
    auto instance = HostedPlugin::load();
    ASSERT_NE (instance, nullptr);

    auto layout = [] (const juce::AudioChannelSet& in, const juce::AudioChannelSet& out)
    {
        juce::AudioProcessor::BusesLayout l;
        l.inputBuses.add (in);
        l.outputBuses.add (out);
        return l;
    };

    const auto mono = juce::AudioChannelSet::mono();
    const auto stereo = juce::AudioChannelSet::stereo();

    EXPECT_TRUE (instance->checkBusesLayoutSupported (layout (stereo, stereo)));
    EXPECT_TRUE (instance->checkBusesLayoutSupported (layout (mono, mono)));
    EXPECT_FALSE (instance->checkBusesLayoutSupported (layout (stereo, mono)));

    EXPECT_TRUE (instance->setBusesLayout (layout (mono, mono)));
    EXPECT_EQ (instance->getTotalNumInputChannels(), 1);
    EXPECT_FALSE (instance->setBusesLayout (layout (stereo, mono)));
    EXPECT_TRUE (instance->setBusesLayout (layout (stereo, stereo)));
    EXPECT_EQ (instance->getTotalNumOutputChannels(), 2);
}

namespace
{
    void fillTestSignal (juce::AudioBuffer<float>& buffer, int blockIndex)
    {
        for (int ch = 0; ch < buffer.getNumChannels(); ++ch)
            for (int i = 0; i < buffer.getNumSamples(); ++i)
            {
                const auto n = (double) (blockIndex * buffer.getNumSamples() + i);
                buffer.setSample (ch, i, (float) (0.6 * std::sin (n * 0.031 * (ch + 1)) + 0.3 * std::sin (n * 0.47)));
            }
    }

    void setPlain (juce::AudioProcessorParameter& p, juce::RangedAudioParameter& reference, float plain)
    {
        p.setValueNotifyingHost (reference.convertTo0to1 (plain));
    }
}

TEST (HostProcessing, HostedBlocksEqualInProcessBlocks)
{
    constexpr double rate = 48000.0;
    constexpr int blockSize = 256;

    auto hosted = HostedPlugin::load (rate, blockSize);
    ASSERT_NE (hosted, nullptr);
    EmberLashAudioProcessor local;

    hosted->prepareToPlay (rate, blockSize);
    local.prepareToPlay (rate, blockSize);

    // Non-default settings on both, through the same normalised values.
    const std::pair<const char*, float> settings[] {
        { "mode", 2.0f }, { "tight", 6.5f }, { "bite", -3.0f }, { "fizz", -2.0f },
        { "width", 160.0f }, { "room", 60.0f }, { "mix", 85.0f }, { "output", -4.0f },
    };

    for (const auto& [id, value] : settings)
    {
        auto* reference = local.valueTreeState.getParameter (id);
        ASSERT_NE (reference, nullptr);
        auto* remote = HostedPlugin::parameterNamed (*hosted, reference->getName (100));
        ASSERT_NE (remote, nullptr) << id;
        setPlain (*remote, *reference, value);
        setPlain (*reference, *reference, value);
    }

    juce::MidiBuffer midi;
    double maxDifference = 0.0, maxChange = 0.0;

    for (int block = 0; block < 40; ++block)
    {
        juce::AudioBuffer<float> a (2, blockSize), b (2, blockSize);
        fillTestSignal (a, block);
        b.makeCopyOf (a);
        juce::AudioBuffer<float> dry (a);

        hosted->processBlock (a, midi);
        local.processBlock (b, midi);

        for (int ch = 0; ch < 2; ++ch)
            for (int i = 0; i < blockSize; ++i)
            {
                maxDifference = std::max (maxDifference, (double) std::abs (a.getSample (ch, i) - b.getSample (ch, i)));
                maxChange = std::max (maxChange, (double) std::abs (a.getSample (ch, i) - dry.getSample (ch, i)));
            }
    }

    EXPECT_LT (maxDifference, 1e-6);
    EXPECT_GT (maxChange, 0.05) << "the hosted plug-in left the signal alone";
    hosted->releaseResources();
}

//==============================================================================
// What hosts and upstream plug-ins can feed it, through the built bundle.
#include "tests/BadInputScenarios.h"

#include <cstdio>
#include <iostream>
#include <unistd.h>

namespace
{
    using testing_support::ToneThenSilence;

    void applyThroughHost (juce::AudioPluginInstance& instance, const testing_support::Setting& setting)
    {
        EmberLashAudioProcessor reference;

        for (const auto& [id, value] : setting.values)
        {
            auto* mine = reference.valueTreeState.getParameter (id);
            ASSERT_NE (mine, nullptr) << id;
            auto* hosted = HostedPlugin::parameterNamed (instance, mine->getName (100));
            ASSERT_NE (hosted, nullptr) << id;
            setPlain (*hosted, *mine, value);
        }
    }

    // What the process writes to its standard error while the object lives.
    // The hosted plug-in runs a framework of its own, which prints its failed
    // assertions there.
    class CapturedStandardError
    {
    public:
        CapturedStandardError()
        {
            flush();
            if (file != nullptr && (saved = dup (STDERR_FILENO)) >= 0)
                dup2 (fileno (file), STDERR_FILENO);
        }

        ~CapturedStandardError()
        {
            stop();
            if (file != nullptr)
                std::fclose (file);
        }

        juce::String text()
        {
            stop();
            juce::MemoryOutputStream out;

            if (file != nullptr)
            {
                std::rewind (file);
                char chunk[4096];
                for (size_t n; (n = std::fread (chunk, 1, sizeof (chunk), file)) > 0;)
                    out.write (chunk, n);
            }

            return out.toString();
        }

    private:
        static void flush()
        {
            std::cerr.flush();
            std::fflush (stderr);
        }

        void stop()
        {
            if (saved < 0)
                return;

            flush();
            dup2 (saved, STDERR_FILENO);
            close (saved);
            saved = -1;
        }

        std::FILE* file = std::tmpfile();
        int saved = -1;
    };
}

TEST (HostRecovery, BadSamplesLeaveNoTraceOnceSilenceFollows)
{
    constexpr double rate = 48000.0;
    constexpr int blockSize = 512;

    for (const auto& setting : testing_support::settings)
    {
        SCOPED_TRACE (setting.name);
        auto instance = HostedPlugin::load (rate, blockSize);
        ASSERT_NE (instance, nullptr);
        applyThroughHost (*instance, setting);
        instance->prepareToPlay (rate, blockSize);

        // One instance takes every kind in turn, each after the silence that
        // followed the one before.
        for (const auto& bad : testing_support::badSamples)
        {
            SCOPED_TRACE (bad.name);
            const auto out = testing_support::run (*instance, rate, blockSize, ToneThenSilence { 0.5, bad.value, 40, 3.0 });
            EXPECT_TRUE (out.allFinite);
            EXPECT_GT (out.peak, 0.1f) << "the tone did not come through";
            EXPECT_LT (out.tailPeak, 1.0e-4f);
        }

        instance->releaseResources();
    }
}

TEST (HostRecovery, LowSampleRatesStayBoundedFallSilentAndPrintNoAssertion)
{
    constexpr int blockSize = 64;

    // 1234.5678 Hz is the odd rate that the SDK's validator runs.
    for (const auto rate : { 8000.0, 11025.0, 16000.0, 1234.5678 })
        for (const auto& setting : testing_support::settings)
        {
            SCOPED_TRACE (testing::Message() << rate << " Hz with " << setting.name);
            CapturedStandardError errors;
            testing_support::OutputFigures out;

            {
                auto instance = HostedPlugin::load (rate, blockSize);
                ASSERT_NE (instance, nullptr);
                applyThroughHost (*instance, setting);
                instance->prepareToPlay (rate, blockSize);
                out = testing_support::run (*instance, rate, blockSize, ToneThenSilence {});
                instance->releaseResources();
            }

            const auto printed = errors.text();
            EXPECT_FALSE (printed.contains ("Assertion")) << printed;
            EXPECT_TRUE (out.allFinite);
            EXPECT_LT (out.peak, 8.0f);
            EXPECT_LT (out.tailPeak, 1.0e-4f);
        }
}

namespace
{
    // The plug-in's own chunk inside the host's saved state: the host keeps it
    // base64-encoded under "IComponent" in an XML block of its own.
    juce::MemoryBlock componentChunk (const juce::MemoryBlock& hostState)
    {
        const auto* bytes = static_cast<const char*> (hostState.getData());
        if (hostState.getSize() <= 8)
            return {};

        auto xml = juce::parseXML (juce::String::fromUTF8 (bytes + 8, (int) hostState.getSize() - 8));
        if (xml == nullptr)
            return {};

        juce::MemoryBlock chunk;
        if (auto* component = xml->getChildByName ("IComponent"))
            chunk.fromBase64Encoding (component->getAllSubText());
        return chunk;
    }

    std::map<juce::String, float> hostedValues (juce::AudioPluginInstance& instance)
    {
        std::map<juce::String, float> values;
        for (auto* p : instance.getParameters())
            values[p->getName (100)] = p->getValue();
        return values;
    }
}

TEST (HostState, SavedByTheHostAndRestoredIntoAFreshInstance)
{
    // Give the hosted plug-in a modified user preset by restoring a chunk made
    // in-process, then move one more knob through the host.
    EmberLashAudioProcessor local;
    local.setCurrentPreset ("My Crunch", true, false);
    juce::MemoryBlock initial;
    local.getStateInformation (initial);

    auto first = HostedPlugin::load();
    ASSERT_NE (first, nullptr);

    juce::MemoryBlock wrapped;
    {
        // A host state around our chunk, as the host itself would store it.
        juce::XmlElement state ("VST3PluginState");
        state.createNewChildElement ("IComponent")->addTextElement (initial.toBase64Encoding());
        juce::AudioProcessor::copyXmlToBinary (state, wrapped);
    }
    first->setStateInformation (wrapped.getData(), (int) wrapped.getSize());

    auto* bite = HostedPlugin::parameterNamed (*first, "Bite");
    ASSERT_NE (bite, nullptr);
    bite->setValueNotifyingHost (0.9f);
    testing_support::pumpMessages (50);

    juce::MemoryBlock saved;
    first->getStateInformation (saved);

    auto second = HostedPlugin::load();
    ASSERT_NE (second, nullptr);
    second->setStateInformation (saved.getData(), (int) saved.getSize());

    const auto restoredValues = hostedValues (*second);
    for (const auto& [name, value] : hostedValues (*first))
        EXPECT_NEAR (restoredValues.at (name), value, 1e-5) << name;
    EXPECT_NEAR (HostedPlugin::parameterNamed (*second, "Bite")->getValue(), 0.9f, 1e-4);

    juce::MemoryBlock resaved;
    second->getStateInformation (resaved);
    EmberLashAudioProcessor reader;
    const auto chunk = componentChunk (resaved);
    reader.setStateInformation (chunk.getData(), (int) chunk.getSize());

    EXPECT_EQ (reader.getCurrentPresetName(), "My Crunch");
    EXPECT_TRUE (reader.isCurrentPresetUser());
    EXPECT_EQ (reader.getCurrentPresetDisplayName(), "My Crunch *");
    EXPECT_NEAR (reader.getParameterValue ("bite"), -12.0f + 24.0f * 0.9f, 0.011f);
}

//==============================================================================
// The plug-in's window as a host opens it.
#include "editor/EmberLashAudioProcessorEditor.h"
#include "tests/TempHome.h"

namespace
{
    // What a host's window constrainer makes of a requested size: the hosted
    // window asks the plug-in's view for its size constraint.
    juce::Rectangle<int> constrainedByHost (juce::AudioProcessorEditor& window, juce::Rectangle<int> request)
    {
        auto bounds = request;
        window.getConstrainer()->checkBounds (bounds, window.getBounds(), {}, false, false, false, false);
        return bounds;
    }

    EmberLashAudioProcessorEditor::Sizing sizingForThisScreen()
    {
        const auto* display = juce::Desktop::getInstance().getDisplays().getPrimaryDisplay();
        return EmberLashAudioProcessorEditor::computeSizing (display != nullptr ? display->userArea
                                                                                : juce::Rectangle<int>(),
                                                             ProductInfo());
    }
}

TEST (HostEditor, OpensAtTheSizeForTheScreenAndResizesWithinTheLimits)
{
    testing_support::TempHome home;

    auto instance = HostedPlugin::load();
    ASSERT_NE (instance, nullptr);
    ASSERT_TRUE (instance->hasEditor());

    // The host's window around the plug-in's view; deleted before the instance.
    std::unique_ptr<juce::AudioProcessorEditor> window (instance->createEditorIfNeeded());
    ASSERT_NE (window, nullptr);

    // The plug-in measures the same screen as this process.
    const auto predicted = sizingForThisScreen();
    EXPECT_EQ (predicted.size, juce::Rectangle<int> (0, 0, 1304, 810)) << "not the 1920 x 1080 test screen";
    EXPECT_EQ (window->getLocalBounds(), predicted.size);
    EXPECT_TRUE (window->isResizable()) << "the view does not offer itself as resizable";

    const auto withinLimits = [&predicted] (juce::Rectangle<int> r) -> testing::AssertionResult
    {
        const auto w = r.getWidth(), h = r.getHeight();
        if (w < predicted.minWidth || w > predicted.maxWidth || h < predicted.minHeight || h > predicted.maxHeight)
            return testing::AssertionFailure() << r.toString() << " is outside the limits";
        if (std::abs ((double) w - (double) h * predicted.aspectRatio) > 1.0)
            return testing::AssertionFailure() << r.toString() << " is off the aspect ratio";
        return testing::AssertionSuccess();
    };

    // What the host's constrainer makes of requested sizes, as the view answers.
    struct Request { juce::Rectangle<int> asked; juce::Rectangle<int> exact; };
    const Request requests[] = {
        { { 0, 0, 3000, 3000 }, { 0, 0, 1700, 1056 } },
        { { 0, 0, 1256, 780 },  { 0, 0, 1256, 780 } },
        { { 0, 0, 1000, 1000 }, { 0, 0, 1000, 621 } },
        { { 0, 0, 1000, 400 },  {} },
        { { 0, 0, 100, 50 },    {} },  // the wrapper rounds 311 x 1.61 up to 501
        { { 0, 0, 1, 1 },       {} },
    };

    for (const auto& request : requests)
    {
        const auto constrained = constrainedByHost (*window, request.asked);
        EXPECT_TRUE (withinLimits (constrained)) << "asked " << request.asked.toString();
        if (! request.exact.isEmpty())
        {
            EXPECT_EQ (constrained, request.exact) << "asked " << request.asked.toString();
        }
    }

    // On screen, the host resizes the window and the view follows; showing it
    // again reads the view's own size back.
    window->addToDesktop (0);
    window->setVisible (true);
    testing_support::pumpMessages (200);
    EXPECT_EQ (window->getLocalBounds(), predicted.size);

    for (const auto& [asked, expected] : { std::pair (juce::Point<int> (1000, 1000), juce::Point<int> (1000, 621)),
                                           std::pair (juce::Point<int> (3000, 2000), juce::Point<int> (1700, 1056)) })
    {
        window->setSize (asked.x, asked.y);
        testing_support::pumpMessages (100);
        EXPECT_EQ (window->getLocalBounds(), juce::Rectangle<int> (expected.x, expected.y)) << asked.toString();

        window->setVisible (false);
        window->setVisible (true);
        testing_support::pumpMessages (100);
        EXPECT_EQ (window->getLocalBounds(), juce::Rectangle<int> (expected.x, expected.y)) << "view size after " << asked.toString();
    }

    window.reset();
    testing_support::pumpMessages (50);
}

//==============================================================================
// One request's road through the real host: in the hosted plug-in's window
// the user picks a factory preset from the Presets menu with the mouse while
// the host keeps processing, then turns a knob. The plug-in runs its own copy
// of the framework, so it is driven through the X server as a person would.
#include "editor/IconButton.h"
#include "tests/XInput.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace
{
    // Feeds blocks through the hosted instance, as a host's audio thread does.
    struct HostAudioThread
    {
        explicit HostAudioThread (juce::AudioPluginInstance& p) : plugin (p), worker ([this] { run(); }) {}

        ~HostAudioThread()
        {
            stop = true;
            worker.join();
        }

        void run()
        {
            juce::AudioBuffer<float> buffer (2, 512);
            juce::MidiBuffer midi;
            juce::Random random (7);

            while (! stop)
            {
                for (int ch = 0; ch < 2; ++ch)
                    for (int i = 0; i < buffer.getNumSamples(); ++i)
                        buffer.setSample (ch, i, 0.2f * (2.0f * random.nextFloat() - 1.0f));

                plugin.processBlock (buffer, midi);
                ++blocks;
                std::this_thread::sleep_for (std::chrono::milliseconds (5));
            }
        }

        juce::AudioPluginInstance& plugin;
        std::atomic<bool> stop { false };
        std::atomic<int> blocks { 0 };
        std::thread worker;
    };

    // The pointer moves in steps, the host's message loop running between
    // them so that the plug-in sees each event.
    void glide (juce::Point<int> from, juce::Point<int> to, int steps = 10)
    {
        for (int i = 1; i <= steps; ++i)
        {
            x_input::moveTo ({ from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps });
            testing_support::pumpMessages (30);
        }
    }

    void clickAt (juce::Point<int> p)
    {
        x_input::moveTo (p);
        testing_support::pumpMessages (200);
        x_input::leftButton (true);
        testing_support::pumpMessages (100);
        x_input::leftButton (false);
        testing_support::pumpMessages (400);
    }

    // The current preset as the hosted plug-in's own state chunk reports it.
    struct ReportedPreset
    {
        juce::String name, displayName;
        bool isUser = false;
    };

    ReportedPreset reportedPreset (juce::AudioPluginInstance& instance)
    {
        juce::MemoryBlock state;
        instance.getStateInformation (state);
        const auto chunk = componentChunk (state);

        EmberLashAudioProcessor reader;
        reader.setStateInformation (chunk.getData(), (int) chunk.getSize());
        return { reader.getCurrentPresetName(), reader.getCurrentPresetDisplayName(), reader.isCurrentPresetUser() };
    }

    // Mean difference per colour channel between a screenshot of the Presets
    // button and the button drawn here with a given text over the bar's colour.
    double differenceFromButton (const juce::Image& shot, const juce::String& text)
    {
        IconButton button ("Preset");
        button.setSize (shot.getWidth(), shot.getHeight());
        button.setText (text);

        juce::Image drawn (juce::Image::RGB, shot.getWidth(), shot.getHeight(), true, juce::SoftwareImageType());
        {
            juce::Graphics g (drawn);
            g.fillAll (juce::Colour (0xff0a0b0c));
            button.paintButton (g, false, false);
        }

        double sum = 0.0;
        for (int y = 0; y < shot.getHeight(); ++y)
            for (int x = 0; x < shot.getWidth(); ++x)
            {
                const auto a = shot.getPixelAt (x, y), b = drawn.getPixelAt (x, y);
                sum += std::abs ((int) a.getRed() - (int) b.getRed()) + std::abs ((int) a.getGreen() - (int) b.getGreen())
                     + std::abs ((int) a.getBlue() - (int) b.getBlue());
            }
        return sum / (3.0 * shot.getWidth() * shot.getHeight());
    }

    // The button on the screen shows a text when it matches the button drawn
    // here with that text, and no other of the candidates matches better.
    testing::AssertionResult buttonShows (const juce::Image& shot, const juce::String& text,
                                          const juce::StringArray& candidates)
    {
        const auto own = differenceFromButton (shot, text);
        if (own > 2.0)
            return testing::AssertionFailure() << "the button does not look like \"" << text << "\" (" << own << ")";

        for (const auto& other : candidates)
            if (other != text && differenceFromButton (shot, other) <= own)
                return testing::AssertionFailure() << "the button looks as much like \"" << other << "\"";

        return testing::AssertionSuccess();
    }
}

TEST (HostPresetRoad, FactoryPresetPickedWithTheMouseThenAKnobTurned)
{
    ASSERT_TRUE (x_input::available()) << "needs an X server with the XTEST extension";
    testing_support::TempHome home;

    auto instance = HostedPlugin::load();
    ASSERT_NE (instance, nullptr);
    instance->prepareToPlay (48000.0, 512);

    std::unique_ptr<juce::AudioProcessorEditor> window (instance->createEditorIfNeeded());
    ASSERT_NE (window, nullptr);
    window->setTopLeftPosition (40, 30);
    window->addToDesktop (0);
    window->setVisible (true);
    window->toFront (true);
    testing_support::pumpMessages (600);

    HostAudioThread audio (*instance);

    // Where the plug-in's controls are: the same code laid out at the same size.
    EmberLashAudioProcessor reference;
    EmberLashAudioProcessorEditor layout (reference);
    layout.setSize (window->getWidth(), window->getHeight());
    juce::Component* bar = nullptr;
    juce::Component* panel = nullptr;
    for (auto* child : layout.getChildren())
    {
        if (dynamic_cast<MenuBar*> (child) != nullptr) bar = child;
        if (dynamic_cast<EmberLashGUI*> (child) != nullptr) panel = child;
    }
    ASSERT_NE (bar, nullptr);
    ASSERT_NE (panel, nullptr);

    // The Presets button is the bar's first child; the knobs are the panel's
    // first children, in the order tight, body, bite.
    ASSERT_NE (dynamic_cast<IconButton*> (bar->getChildComponent (0)), nullptr);
    ASSERT_NE (dynamic_cast<juce::Slider*> (panel->getChildComponent (2)), nullptr);
    const auto origin = window->getScreenPosition();
    const auto presetButton = bar->getChildComponent (0)->getBounds() + bar->getPosition() + origin;
    const auto biteKnob = panel->getChildComponent (2)->getBounds() + panel->getPosition() + origin;
    const auto itemHeight = juce::roundToInt (0.33f * (float) bar->getHeight());

    const auto mark = juce::String::fromUTF8 ("  \xe2\x96\xbe");
    const juce::StringArray buttonTexts { "Presets" + mark, "Dark 4x12" + mark, "Dark 4x12 *" + mark };

    EXPECT_TRUE (buttonShows (x_input::grab (presetButton), buttonTexts[0], buttonTexts));

    auto* output = HostedPlugin::parameterNamed (*instance, reference.valueTreeState.getParameter ("output")->getName (100));
    ASSERT_NE (output, nullptr);
    const auto outputBefore = output->getValue();

    // Open the Presets menu: a window appears below the button.
    const auto shownBefore = x_input::shownTopLevelWindows();
    clickAt (presetButton.getCentre());

    juce::Rectangle<int> popup;
    for (const auto& r : x_input::shownTopLevelWindows())
        if (! shownBefore.contains (r) && r.getWidth() * r.getHeight() > popup.getWidth() * popup.getHeight())
            popup = r;

    ASSERT_FALSE (popup.isEmpty()) << "the Presets menu did not open";
    EXPECT_GE (popup.getY(), presetButton.getBottom() - 2) << "the menu opens below the button";

    // The last factory item, "Dark 4x12", is the bottom row, above the
    // popup's two-pixel border.
    const juce::Point<int> item (popup.getX() + popup.getWidth() / 3, popup.getBottom() - 2 - itemHeight / 2);
    glide (presetButton.getCentre(), item);
    clickAt (item);

    for (const auto& r : x_input::shownTopLevelWindows())
        EXPECT_TRUE (shownBefore.contains (r)) << "still shown after the choice: " << r.toString();

    // The knobs follow: the host's parameters hold the preset's values, the
    // output level is left alone.
    const std::pair<const char*, float> darkFourByTwelve[] = {
        { "power", 1.0f }, { "mode", 1.0f }, { "tight", 2.5f }, { "body", 2.5f }, { "bite", 1.0f },
        { "fizz", -5.5f }, { "air", -2.0f }, { "width", 100.0f }, { "room", 14.0f }, { "mix", 79.0f },
    };

    for (const auto& [id, plain] : darkFourByTwelve)
    {
        auto* mine = reference.valueTreeState.getParameter (id);
        ASSERT_NE (mine, nullptr) << id;
        auto* hosted = HostedPlugin::parameterNamed (*instance, mine->getName (100));
        ASSERT_NE (hosted, nullptr) << id;
        EXPECT_NEAR (hosted->getValue(), mine->convertTo0to1 (plain), 1e-4) << id;
    }
    EXPECT_NEAR (output->getValue(), outputBefore, 1e-6);

    // The Presets button follows: the plug-in names the preset, not modified,
    // and the button on the screen shows it.
    const auto afterPreset = reportedPreset (*instance);
    EXPECT_EQ (afterPreset.name, "Dark 4x12");
    EXPECT_FALSE (afterPreset.isUser);
    EXPECT_EQ (afterPreset.displayName, "Dark 4x12");
    EXPECT_TRUE (buttonShows (x_input::grab (presetButton), buttonTexts[1], buttonTexts));

    // Turn the Bite knob: drag it upwards.
    auto* bite = HostedPlugin::parameterNamed (*instance, reference.valueTreeState.getParameter ("bite")->getName (100));
    const auto biteAtPreset = bite->getValue();

    x_input::moveTo (biteKnob.getCentre());
    testing_support::pumpMessages (200);
    x_input::leftButton (true);
    testing_support::pumpMessages (100);
    glide (biteKnob.getCentre(), biteKnob.getCentre() - juce::Point<int> (0, 80));
    x_input::leftButton (false);
    testing_support::pumpMessages (500);

    EXPECT_GT (bite->getValue(), biteAtPreset + 0.05f) << "the knob did not turn";

    const auto afterKnob = reportedPreset (*instance);
    EXPECT_EQ (afterKnob.name, "Dark 4x12");
    EXPECT_EQ (afterKnob.displayName, "Dark 4x12 *");
    EXPECT_TRUE (buttonShows (x_input::grab (presetButton), buttonTexts[2], buttonTexts));

    EXPECT_GT (audio.blocks.load(), 50) << "the host's processing did not keep running";
}
