#include "processor/EmberLashAudioProcessor.h"

#include "editor/EmberLashAudioProcessorEditor.h"

#include "processor/NumberText.h"
#include "processor/ScopedSuspendProcessing.h"
#include "processor/StoredXml.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace
{
    using Coefficients = juce::dsp::IIR::Coefficients<float>;

    ProductInfo makeProductIdentity()
    {
        ProductInfo info;
        info.name = "Emberlash";
        info.version = "1.0.1";
        info.companyFolder = "VontalAudio";
        return info;
    }

    struct Voicing
    {
        float tightScale, bodyScale, biteScale, fizzScale, airScale, driveOffset;
    };

    constexpr Voicing cleanVoicing  { 0.8f, 0.95f, 0.88f, 0.9f, 1.15f, -0.08f };
    constexpr Voicing rockVoicing   { 1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 0.0f };
    constexpr Voicing modernVoicing { 1.25f, 0.92f, 1.18f, 1.1f, 1.0f, 0.14f };

    const Voicing& voicingFor (int mode) noexcept
    {
        if (mode == 0) return cleanVoicing;
        if (mode == 2) return modernVoicing;
        return rockVoicing;
    }

    float widthFactorFor (int mode) noexcept
    {
        if (mode == 0) return 1.08f;
        if (mode == 2) return 0.94f;
        return 1.0f;
    }

    // 10^(-0.5): the fixed trim after the drive.
    const float outputTrim = std::pow (10.0f, -0.5f);

    float dBgain (float decibels) noexcept
    {
        return juce::Decibels::decibelsToGain (decibels);
    }

    constexpr double tightRampSeconds = 0.03;
    constexpr double slowRampSeconds = 0.04;
}

//==============================================================================
EmberLashAudioProcessor::EmberLashAudioProcessor()
    : juce::AudioProcessor (BusesProperties()
                                .withInput ("Input", juce::AudioChannelSet::stereo(), true)
                                .withOutput ("Output", juce::AudioChannelSet::stereo(), true)),
      valueTreeState (*this, nullptr, juce::Identifier ("PARAMETERS"), createParameterLayout()),
      productIdentity (makeProductIdentity())
{
    for (const auto& id : parameterIds)
        valueTreeState.addParameterListener (juce::String (id), this);

    productInfo = productIdentity;
    presetStorage.productInfo = productInfo;

    for (size_t i = 0; i < parameterIds.size(); ++i)
        rawParameterValues[i] = valueTreeState.getRawParameterValue (juce::String (parameterIds[i]));
}

EmberLashAudioProcessor::~EmberLashAudioProcessor()
{
    for (const auto& id : parameterIds)
        valueTreeState.removeParameterListener (juce::String (id), this);
}

juce::AudioProcessorValueTreeState::ParameterLayout EmberLashAudioProcessor::createParameterLayout()
{
    auto floatParameter = [] (const char* id, const char* name, float start, float end, float defaultValue)
    {
        return std::make_unique<juce::AudioParameterFloat> (juce::ParameterID { id, 1 }, name,
                                                            juce::NormalisableRange<float> (start, end, 0.01f),
                                                            defaultValue);
    };

    juce::AudioProcessorValueTreeState::ParameterLayout layout;
    layout.add (std::make_unique<juce::AudioParameterBool> (juce::ParameterID { "power", 1 }, "Power", true),
                std::make_unique<juce::AudioParameterChoice> (juce::ParameterID { "mode", 1 }, "Mode",
                                                              juce::StringArray { "Clean", "Rock", "Modern" }, 1),
                floatParameter ("tight", "Tight", -12.0f, 12.0f, 3.0f),
                floatParameter ("body", "Body", -12.0f, 12.0f, 2.5f),
                floatParameter ("bite", "Bite", -12.0f, 12.0f, 4.0f),
                floatParameter ("fizz", "Fizz", -12.0f, 12.0f, 4.5f),
                floatParameter ("air", "Air", -12.0f, 12.0f, 1.5f),
                floatParameter ("width", "Width", 0.0f, 200.0f, 120.0f),
                floatParameter ("room", "Room", 0.0f, 100.0f, 25.0f),
                floatParameter ("mix", "Mix", 0.0f, 100.0f, 70.0f),
                floatParameter ("output", "Output", -12.0f, 12.0f, 0.0f));
    return layout;
}

//==============================================================================
const juce::String EmberLashAudioProcessor::getName() const { return "Emberlash"; }
double EmberLashAudioProcessor::getTailLengthSeconds() const { return 0.4; }
bool EmberLashAudioProcessor::acceptsMidi() const { return false; }
bool EmberLashAudioProcessor::producesMidi() const { return false; }
bool EmberLashAudioProcessor::isMidiEffect() const { return false; }
bool EmberLashAudioProcessor::hasEditor() const { return true; }
int EmberLashAudioProcessor::getNumPrograms() { return 1; }
int EmberLashAudioProcessor::getCurrentProgram() { return 0; }
void EmberLashAudioProcessor::setCurrentProgram (int) {}
const juce::String EmberLashAudioProcessor::getProgramName (int) { return {}; }
void EmberLashAudioProcessor::changeProgramName (int, const juce::String&) {}

juce::AudioProcessorEditor* EmberLashAudioProcessor::createEditor()
{
    return new EmberLashAudioProcessorEditor (*this);
}

bool EmberLashAudioProcessor::isBusesLayoutSupported (const BusesLayout& layouts) const
{
    const auto output = layouts.getMainOutputChannelSet();

    if (output != juce::AudioChannelSet::mono() && output != juce::AudioChannelSet::stereo())
        return false;

    return layouts.getMainInputChannelSet() == output;
}

//==============================================================================
// Host state

namespace
{
    const juce::Identifier presetNameProperty ("uiCurrentPresetName");
    const juce::Identifier presetIsUserProperty ("uiCurrentPresetIsUser");
    const juce::Identifier presetModifiedProperty ("uiCurrentPresetModified");
    const juce::String noPresetName ("Presets");

    // The framework passes a stored value through unchecked: "nan" or "inf"
    // would reach the DSP as such, and a long exponent overflows its reader.
    // A value that is not a finite number counts as no value, so the
    // parameter takes its default.
    void dropNonFiniteValues (juce::ValueTree& tree)
    {
        static const juce::Identifier valueProperty ("value");

        for (auto child : tree)
        {
            if (! child.hasProperty (valueProperty))
                continue;

            const auto text = NumberText::withBoundedExponents (child.getProperty (valueProperty).toString());

            if (std::isfinite (text.getDoubleValue()))
                child.setProperty (valueProperty, text, nullptr);
            else
                child.removeProperty (valueProperty, nullptr);
        }
    }
}

void EmberLashAudioProcessor::getStateInformation (juce::MemoryBlock& destData)
{
    auto state = valueTreeState.copyState();

    {
        const juce::ScopedLock lock (presetLock);
        state.setProperty (presetNameProperty, currentPresetName, nullptr);
        state.setProperty (presetIsUserProperty, currentPresetIsUser, nullptr);
    }

    state.setProperty (presetModifiedProperty, currentPresetModified.load(), nullptr);

    if (auto xml = state.createXml())
        copyXmlToBinary (*xml, destData);
}

void EmberLashAudioProcessor::setStateInformation (const void* data, int sizeInBytes)
{
    // The framework's XML block: magic, text length, text. Its own reader
    // would hand text that is not UTF-8, or nested without end, straight to
    // the parser, so the text goes through the checked parser instead.
    if (data == nullptr || sizeInBytes <= 8 || juce::ByteOrder::littleEndianInt (data) != 0x21324356)
        return;

    const auto length = (int) juce::ByteOrder::littleEndianInt (juce::addBytesToPointer (data, 4));

    if (length <= 0)
        return;

    const auto xml = StoredXml::parse (static_cast<const char*> (data) + 8, (size_t) juce::jmin (sizeInBytes - 8, length));

    if (xml == nullptr)
        return;

    auto tree = juce::ValueTree::fromXml (*xml);

    if (! tree.isValid())
        return;

    const auto name = tree.getProperty (presetNameProperty, noPresetName).toString();
    const auto isUser = (bool) tree.getProperty (presetIsUserProperty, false);
    const auto isModified = (bool) tree.getProperty (presetModifiedProperty, false);
    dropNonFiniteValues (tree);

    restoringState.store (true);
    valueTreeState.replaceState (tree);
    restoringState.store (false);

    setCurrentPreset (name, isUser, isModified);
}

//==============================================================================
// Current preset

void EmberLashAudioProcessor::setCurrentPreset (const juce::String& name, bool isUser, bool isModified)
{
    {
        const juce::ScopedLock lock (presetLock);
        currentPresetName = name.isEmpty() ? noPresetName : name;
        currentPresetIsUser = isUser;
    }

    currentPresetModified.store (isModified);
}

void EmberLashAudioProcessor::clearCurrentPreset()
{
    setCurrentPreset (noPresetName, false, false);
}

juce::String EmberLashAudioProcessor::getCurrentPresetName()
{
    const juce::ScopedLock lock (presetLock);
    return currentPresetName;
}

bool EmberLashAudioProcessor::isCurrentPresetUser()
{
    const juce::ScopedLock lock (presetLock);
    return currentPresetIsUser;
}

bool EmberLashAudioProcessor::isCurrentPresetModified()
{
    return currentPresetModified.load();
}

juce::String EmberLashAudioProcessor::getCurrentPresetDisplayName()
{
    const auto isModified = currentPresetModified.load();
    juce::String name;

    {
        const juce::ScopedLock lock (presetLock);
        name = currentPresetName;
    }

    if (isModified)
        name << " *";

    return name;
}

void EmberLashAudioProcessor::parameterChanged (const juce::String&, float)
{
    if (! restoringState.load())
        currentPresetModified.store (true);
}

//==============================================================================
// User presets

namespace
{
    // A preset operation reports failure through its result only. Reading a
    // file or building a tree allocates, and a host does not expect an
    // exception (std::bad_alloc included) out of its plug-in.
    template <typename Result, typename Operation>
    Result withoutExceptions (Result failed, Operation&& operation) noexcept
    {
        try
        {
            return operation();
        }
        catch (...)
        {
            return failed;
        }
    }

    // Sets the flag for its lifetime, so that it is cleared again however
    // the restore ends.
    struct ScopedRestoringState
    {
        explicit ScopedRestoringState (std::atomic<bool>& flagToSet) : flag (flagToSet) { flag.store (true); }
        ~ScopedRestoringState() { flag.store (false); }

        std::atomic<bool>& flag;
    };
}

juce::StringArray EmberLashAudioProcessor::getUserPresetNames()
{
    return withoutExceptions (juce::StringArray(), [this] { return presetStorage.listPresetNames(); });
}

bool EmberLashAudioProcessor::saveUserPreset (const juce::String& name)
{
    return withoutExceptions (false, [this, &name]
    {
        const auto state = valueTreeState.copyState();

        if (! presetStorage.savePresetFile (name, state))
            return false;

        setCurrentPreset (name, true, false);
        return true;
    });
}

bool EmberLashAudioProcessor::loadUserPreset (const juce::String& name)
{
    return withoutExceptions (false, [this, &name]
    {
        juce::ValueTree tree;

        if (! presetStorage.loadPresetFile (name, tree))
            return false;

        dropNonFiniteValues (tree);

        // A user preset never changes the output level.
        const juce::String outputId (parameterIds[outputIndex]);
        const auto output = getParameterValue (outputId);

        {
            const ScopedSuspendProcessing suspend (*this);

            {
                const ScopedRestoringState restoring (restoringState);
                valueTreeState.replaceState (tree);
                setParameterValue (outputId, output);
            }

            setCurrentPreset (name, true, false);
        }

        return true;
    });
}

bool EmberLashAudioProcessor::deleteUserPreset (const juce::String& name)
{
    return withoutExceptions (false, [this, &name]
    {
        if (! presetStorage.deletePresetFile (name))
            return false;

        auto& presets = static_cast<PresettableProcessor&> (*this);

        if (presets.isCurrentPresetUser() && presets.getCurrentPresetName().equalsIgnoreCase (name))
            clearCurrentPreset();

        return true;
    });
}

bool EmberLashAudioProcessor::renameUserPreset (const juce::String& oldName, const juce::String& newName)
{
    return withoutExceptions (false, [this, &oldName, &newName]
    {
        if (! presetStorage.renamePresetFile (oldName, newName))
            return false;

        auto& presets = static_cast<PresettableProcessor&> (*this);

        if (presets.isCurrentPresetUser() && presets.getCurrentPresetName().equalsIgnoreCase (oldName))
            setCurrentPreset (newName, true, false);

        return true;
    });
}

void EmberLashAudioProcessor::setParameterValue (const juce::String& parameterId, float plainValue)
{
    auto* parameter = valueTreeState.getParameter (parameterId);

    if (parameter == nullptr)
        return;

    const auto& range = parameter->getNormalisableRange();
    parameter->setValueNotifyingHost (range.convertTo0to1 (range.snapToLegalValue (plainValue)));
}

//==============================================================================
// Factory presets

juce::StringArray EmberLashAudioProcessor::getFactoryPresetNames()
{
    juce::StringArray names;

    for (const auto& preset : factoryPresets)
        names.add (preset.name);

    return names;
}

void EmberLashAudioProcessor::loadFactoryPreset (const juce::String& name)
{
    restoringState.store (true);

    const auto* row = &fallbackFactoryPreset;

    for (const auto& preset : factoryPresets)
    {
        if (name == preset.name)
        {
            row = &preset;
            break;
        }
    }

    applyFactoryValues (*row);
    restoringState.store (false);

    setCurrentPreset (name, false, false);
}

void EmberLashAudioProcessor::applyFactoryValues (const FactoryPreset& preset)
{
    const float values[] { 1.0f, preset.mode, preset.tight, preset.body, preset.bite,
                           preset.fizz, preset.air, preset.width, preset.room, preset.mix };

    // power to mix, in layout order; output is left alone.
    for (size_t i = 0; i < std::size (values); ++i)
        setParameterValue (juce::String (parameterIds[i]), values[i]);
}

//==============================================================================
// Channel voice

namespace
{
    using VoiceKernels::fastTanh;
    using VoiceKernels::runBandFilter;

    // The control values one voice step uses, derived from the smoothed
    // tight, body, bite, fizz, air and room values and the voicing.
    struct VoiceControls
    {
        float tightGain, tightBlend, tightDry, tightThin;
        float bodyGain, biteGain;
        float fizz3300, fizz5200, air5200, air3300;
        float drive, driveNorm;
    };

    struct TightShape
    {
        float gain, blend, dry, thin;
    };

    TightShape tightShapeFor (float tightAmount) noexcept
    {
        const auto t = juce::jlimit (-1.0f, 1.0f, tightAmount / 12.0f);
        const auto tp = juce::jmax (t, 0.0f);
        const auto tn = juce::jmin (t, 0.0f);
        return { 1.0f + 3.6f * tp, 0.16f + 0.26f * tp, 1.0f - 0.52f * tp, 0.32f * tn };
    }

    forcedinline float saturateLowBand (float low, float gain, float blend, float dry, float thin) noexcept
    {
        return (fastTanh (gain * low) - low) * blend + dry * low + thin * low;
    }

    // Fizz adds both high bands when positive and takes them away, with
    // other weights, when negative.
    void fizzWeights (float fizz, float fizzScale, float& w3300, float& w5200) noexcept
    {
        const auto up = fizz / 12.0f * fizzScale;
        const auto down = -fizz / 12.0f * fizzScale;
        const auto positive = fizz >= 0.0f;
        w3300 = positive ? up : -(0.75f * down);
        w5200 = positive ? 0.55f * up : -(0.42f * down);
    }

    float driveFor (float bite, float room, float driveOffset) noexcept
    {
        return 1.0f + 1.35f * juce::jmax (bite, 0.0f) / 12.0f + 0.42f * room + driveOffset;
    }

    float driveNormFor (float drive) noexcept
    {
        return juce::jmax (fastTanh (drive), 0.001f);
    }

    VoiceControls voiceControlsFor (float tight, float body, float bite, float fizz, float air, float room,
                                    const Voicing& v) noexcept
    {
        VoiceControls c {};
        const auto shape = tightShapeFor (v.tightScale * tight);
        c.tightGain = shape.gain;
        c.tightBlend = shape.blend;
        c.tightDry = shape.dry;
        c.tightThin = shape.thin;
        c.bodyGain = dBgain (0.7f * body) - 1.0f;
        c.biteGain = dBgain (0.75f * bite) - 1.0f;
        fizzWeights (fizz, v.fizzScale, c.fizz3300, c.fizz5200);
        const auto a = air / 12.0f * v.airScale;
        c.air5200 = 1.1f * a;
        c.air3300 = 0.28f * a;
        c.drive = driveFor (bite, room, v.driveOffset);
        c.driveNorm = driveNormFor (c.drive);
        return c;
    }

    // One output sample of a voice from its input, its five bands and its
    // controls; body and bite weights are 0.9 and 0.78 times the voicing's scales.
    forcedinline float voiceStep (float x, float low, float hi3300, float band340, float band2300, float hi5200,
                     const VoiceControls& c, float bodyWeight, float biteWeight) noexcept
    {
        auto y = x - low + saturateLowBand (low, c.tightGain, c.tightBlend, c.tightDry, c.tightThin);
        y = y + c.bodyGain * band340 * bodyWeight;
        y = y + c.biteGain * band2300 * biteWeight;
        y = y + c.fizz3300 * hi3300 + c.fizz5200 * hi5200;
        const auto pre = y + c.air5200 * hi5200 + c.air3300 * hi3300;
        return fastTanh (c.drive * pre) / c.driveNorm * outputTrim;
    }

    // A voice over a chunk, with the same controls for every sample.
    void shapeVoice (const float* __restrict input, const float* __restrict low, const float* __restrict hi3300,
                     const float* __restrict band340, const float* __restrict band2300,
                     const float* __restrict hi5200, float* __restrict output, int numSamples,
                     const VoiceControls controls, float bodyWeight, float biteWeight) noexcept
    {
        for (int i = 0; i < numSamples; ++i)
            output[i] = voiceStep (input[i], low[i], hi3300[i], band340[i], band2300[i], hi5200[i],
                                   controls, bodyWeight, biteWeight);
    }

    // A voice over a chunk, with controls per sample. Every array is its own
    // parameter so that the loop vectorises without run-time overlap checks.
    void shapeVoice (const float* __restrict input, const float* __restrict low, const float* __restrict hi3300,
                     const float* __restrict band340, const float* __restrict band2300,
                     const float* __restrict hi5200, float* __restrict output, int numSamples,
                     const float* __restrict tightGain, const float* __restrict tightBlend,
                     const float* __restrict tightDry, const float* __restrict tightThin,
                     const float* __restrict bodyGain, const float* __restrict biteGain,
                     const float* __restrict fizz3300, const float* __restrict fizz5200,
                     const float* __restrict air5200, const float* __restrict air3300,
                     const float* __restrict drive, const float* __restrict driveNorm,
                     float bodyWeight, float biteWeight) noexcept
    {
        for (int i = 0; i < numSamples; ++i)
        {
            const VoiceControls controls { tightGain[i], tightBlend[i], tightDry[i], tightThin[i],
                                           bodyGain[i], biteGain[i], fizz3300[i], fizz5200[i],
                                           air5200[i], air3300[i], drive[i], driveNorm[i] };
            output[i] = voiceStep (input[i], low[i], hi3300[i], band340[i], band2300[i], hi5200[i],
                                   controls, bodyWeight, biteWeight);
        }
    }

    void driveNorms (const float* __restrict drive, float* __restrict norms, int numSamples) noexcept
    {
        for (int i = 0; i < numSamples; ++i)
            norms[i] = juce::jmax (fastTanh (drive[i]), 0.001f);
    }

    // The next numSamples values of a smoother; false when it was not ramping,
    // so that all of them equal its target.
    bool fillSmoothed (juce::SmoothedValue<float>& smoother, float* values, int numSamples) noexcept
    {
        if (! smoother.isSmoothing())
        {
            std::fill (values, values + numSamples, smoother.getTargetValue());
            return false;
        }

        // A local copy keeps the ramp's state in registers over the loop.
        auto local = smoother;

        for (int i = 0; i < numSamples; ++i)
            values[i] = local.getNextValue();

        smoother = local;
        return true;
    }

    // Width, mix and output gain on the reverb's output (left and right hold
    // it and receive the wet signal), then the power crossfade into out.
    void finishChunk (const float* __restrict inL, const float* __restrict inR, float* __restrict left,
                      float* __restrict right, float* __restrict outL, float* __restrict outR,
                      const float* __restrict width, const float* __restrict mix, const float* __restrict gain,
                      const float* __restrict power, float widthFactor, int numSamples) noexcept
    {
        for (int i = 0; i < numSamples; ++i)
        {
            const auto g = juce::jlimit (0.6f, 2.0f, widthFactor * width[i]);
            const auto mid = (left[i] + right[i]) * 0.5f;
            const auto side = (left[i] - right[i]) * 0.5f * g;
            const auto wetL = ((mid + side - inL[i]) * mix[i] + inL[i]) * gain[i];
            const auto wetR = ((mid - side - inR[i]) * mix[i] + inR[i]) * gain[i];
            left[i] = wetL;
            right[i] = wetR;
            outL[i] = (wetL - inL[i]) * power[i] + inL[i];
            outR[i] = (wetR - inR[i]) * power[i] + inR[i];
        }
    }

    // The block's clip sum carried on over a chunk: one running sum over the
    // whole block, in the order of the samples, left before right, as the
    // meters define it.
    float addClipExcess (float sum, const float* left, const float* right, int numSamples) noexcept
    {
        for (int i = 0; i < numSamples; ++i)
        {
            sum += juce::jmax (std::abs (left[i]) - 0.97f, 0.0f);
            sum += juce::jmax (std::abs (right[i]) - 0.97f, 0.0f);
        }

        return sum;
    }

    // Sets every sample that is not a finite number (an infinity or a NaN)
    // to zero. On the bits, so that the loop vectorises.
    void zeroNonFinite (float* samples, int numSamples) noexcept
    {
        for (int i = 0; i < numSamples; ++i)
        {
            const auto bits = VoiceKernels::bitsOf (samples[i]);
            const auto keep = 0u - (std::uint32_t) ((bits & 0x7f800000u) != 0x7f800000u);
            samples[i] = VoiceKernels::floatOf (bits & keep);
        }
    }

    // A filter whose state has overflowed (a sample near the float maximum
    // does that) starts again from zero; one that is finite is left alone.
    void clearNonFiniteState (VoiceKernels::BandFilter& f) noexcept
    {
        if (! (std::isfinite (f.s1) && std::isfinite (f.s2)))
            f.s1 = f.s2 = 0.0f;
    }

    float peakMagnitude (const float* values, int numSamples) noexcept
    {
        const auto range = juce::FloatVectorOperations::findMinAndMax (values, numSamples);
        return juce::jmax (-range.getStart(), range.getEnd());
    }
}

float EmberLashAudioProcessor::shapeTight (float lowBand, float tightAmount)
{
    const auto shape = tightShapeFor (tightAmount);
    return saturateLowBand (lowBand, shape.gain, shape.blend, shape.dry, shape.thin);
}

float EmberLashAudioProcessor::processChannelSample (float input, int channel, float tight, float body,
                                                     float bite, float fizz, float air, float room, int mode)
{
    const auto& v = voicingFor (mode);
    const auto c = (size_t) channel;

    auto& filters = bandFilters[c];

    const auto low      = runBandFilter (filters[0], input);
    const auto hi3300   = runBandFilter (filters[1], input);
    const auto band340  = runBandFilter (filters[2], input);
    const auto band2300 = runBandFilter (filters[3], input);
    const auto hi5200   = runBandFilter (filters[4], input);

    return voiceStep (input, low, hi3300, band340, band2300, hi5200,
                      voiceControlsFor (tight, body, bite, fizz, air, room, v),
                      0.9f * v.bodyScale, 0.78f * v.biteScale);
}

namespace
{
    // A band's frequency at a rate: its own, but at most 0.49 of the rate.
    // Low rates cannot carry every band (below 10400 Hz the 5200 Hz high-pass
    // lies above Nyquist), and there the framework's makers give unstable
    // filters; just below Nyquist they stay stable. From 10612 Hz up every
    // band keeps its own frequency, so at every common rate from 11025 Hz.
    float bandFrequency (double rate, float frequency) noexcept
    {
        return juce::jmin (frequency, (float) (rate * 0.49));
    }

    // The coefficients of the five bands, in member order.
    Coefficients::Ptr makeBandCoefficients (size_t band, double rate)
    {
        switch (band)
        {
            case 0:  return Coefficients::makeLowPass (rate, bandFrequency (rate, 180.0f));
            case 1:  return Coefficients::makeHighPass (rate, bandFrequency (rate, 3300.0f));
            case 2:  return Coefficients::makeBandPass (rate, bandFrequency (rate, 340.0f), 0.7f);
            case 3:  return Coefficients::makeBandPass (rate, bandFrequency (rate, 2300.0f), 0.8f);
            default: return Coefficients::makeHighPass (rate, bandFrequency (rate, 5200.0f));
        }
    }
}

std::array<std::array<juce::dsp::IIR::Filter<float>, 2>*, 5> EmberLashAudioProcessor::filterBank() noexcept
{
    return { &lowPass180, &highPass3300, &bandPass340, &bandPass2300, &highPass5200 };
}

void EmberLashAudioProcessor::updateFilters()
{
    const auto bank = filterBank();

    for (size_t k = 0; k < bank.size(); ++k)
    {
        const auto source = makeBandCoefficients (k, currentSampleRate);

        for (auto& filter : *bank[k])
            *filter.coefficients = *source;
    }

    loadBandCoefficients();
}

void EmberLashAudioProcessor::loadBandCoefficients() noexcept
{
    const auto members = filterBank();

    for (size_t k = 0; k < members.size(); ++k)
    {
        for (size_t c = 0; c < 2; ++c)
        {
            const auto& coefficients = *(*members[k])[c].coefficients;
            const auto* raw = coefficients.getRawCoefficients();
            auto& f = bandFilters[c][k];

            if (coefficients.getFilterOrder() == 2)
            {
                f.b0 = raw[0]; f.b1 = raw[1]; f.b2 = raw[2]; f.a1 = raw[3]; f.a2 = raw[4];
            }
            else
            {
                // The framework's first-order default, a pass-through.
                jassert (coefficients.getFilterOrder() == 1);
                f.b0 = raw[0]; f.b1 = raw[1]; f.b2 = 0.0f; f.a1 = raw[2]; f.a2 = 0.0f;
            }
        }
    }
}

void EmberLashAudioProcessor::resetDsp()
{
    for (auto* filters : filterBank())
        for (auto& filter : *filters)
            filter.reset();

    for (auto& filters : bandFilters)
        for (auto& f : filters)
            f.s1 = f.s2 = 0.0f;

    reverb.reset();
}

//==============================================================================
// Block processing

void EmberLashAudioProcessor::prepareToPlay (double sampleRate, int)
{
    currentSampleRate = sampleRate;

    // Each filter gets a coefficients object of its own for the new rate.
    const auto bank = filterBank();

    for (size_t c = 0; c < 2; ++c)
        for (size_t k = 0; k < bank.size(); ++k)
            (*bank[k])[c].coefficients = makeBandCoefficients (k, currentSampleRate);

    updateFilters();
    reverb.setSampleRate (currentSampleRate);
    resetDsp();

    // A value that is not a number keeps the smoother's last target, as in processBlock.
    auto start = [this] (juce::SmoothedValue<float>& smoother, double rampSeconds, float value)
    {
        smoother.reset (currentSampleRate, rampSeconds);
        smoother.setCurrentAndTargetValue (std::isfinite (value) ? value : smoother.getTargetValue());
    };

    start (smoothedTight, tightRampSeconds, getParameterValue ("tight"));
    start (smoothedBody, tightRampSeconds, getParameterValue ("body"));
    start (smoothedBite, tightRampSeconds, getParameterValue ("bite"));
    start (smoothedFizz, tightRampSeconds, getParameterValue ("fizz"));
    start (smoothedAir, tightRampSeconds, getParameterValue ("air"));
    start (smoothedWidth, slowRampSeconds, getParameterValue ("width") * 0.01f);
    start (smoothedRoom, slowRampSeconds, getParameterValue ("room") * 0.01f);
    start (smoothedMix, tightRampSeconds, getParameterValue ("mix") * 0.01f);
    const auto output = getParameterValue ("output");
    start (smoothedOutputGain, tightRampSeconds, std::isfinite (output) ? dBgain (output) : output);
    start (smoothedPower, tightRampSeconds, isPowerOn() ? 1.0f : 0.0f);
}

void EmberLashAudioProcessor::releaseResources() {}

float EmberLashAudioProcessor::readRaw (int index) const noexcept
{
    const auto* raw = rawParameterValues[(size_t) index];
    return raw != nullptr ? raw->load() : 0.0f;
}

void EmberLashAudioProcessor::followRaw (juce::SmoothedValue<float>& smoother, int index, float scale) noexcept
{
    if (const auto raw = readRaw (index); std::isfinite (raw))
        smoother.setTargetValue (raw * scale);
}

void EmberLashAudioProcessor::processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer&)
{
    juce::ScopedNoDenormals noDenormals;

    const auto numInputs = getTotalNumInputChannels();
    const auto numOutputs = getTotalNumOutputChannels();
    const auto numSamples = buffer.getNumSamples();

    for (auto ch = numInputs; ch < numOutputs; ++ch)
        buffer.clear (ch, 0, numSamples);

    followRaw (smoothedTight, tightIndex, 1.0f);
    followRaw (smoothedBody, bodyIndex, 1.0f);
    followRaw (smoothedBite, biteIndex, 1.0f);
    followRaw (smoothedFizz, fizzIndex, 1.0f);
    followRaw (smoothedAir, airIndex, 1.0f);
    followRaw (smoothedWidth, widthIndex, 0.01f);
    followRaw (smoothedRoom, roomIndex, 0.01f);
    followRaw (smoothedMix, mixIndex, 0.01f);

    if (const auto output = readRaw (outputIndex); std::isfinite (output))
        smoothedOutputGain.setTargetValue (dBgain (output));

    smoothedPower.setTargetValue (isPowerOn() ? 1.0f : 0.0f);
    const auto mode = getMode();

    const auto r = smoothedRoom.getTargetValue();
    reverbParameters.roomSize = 0.2f + 0.22f * r;
    reverbParameters.damping = 0.42f;
    reverbParameters.wetLevel = 0.15f + 0.2f * r;
    reverbParameters.dryLevel = 1.0f - 0.16f * r;
    reverbParameters.width = 1.0f;
    reverbParameters.freezeMode = 0.0f;
    reverb.setParameters (reverbParameters);

    const auto channelsInBuffer = juce::jmin (numInputs, buffer.getNumChannels());
    auto* left = channelsInBuffer >= 1 ? buffer.getWritePointer (0) : nullptr;
    auto* right = channelsInBuffer >= 2 ? buffer.getWritePointer (1) : nullptr;
    const auto measureRight = numInputs >= 2;

    BlockFigures figures;

    for (int start = 0; start < numSamples; start += chunkSize)
    {
        const auto n = juce::jmin (chunkSize, numSamples - start);

        // An input sample that is not a finite number counts as silence, for
        // the voices, the dry share of the output and the meters alike.
        if (left != nullptr)
            zeroNonFinite (left + start, n);

        if (right != nullptr)
            zeroNonFinite (right + start, n);

        const auto* inL = left != nullptr ? left + start : scratch.silence.data();
        const auto* inR = right != nullptr ? right + start : inL;

        processChunk (inL, inR, left != nullptr ? left + start : nullptr, right != nullptr ? right + start : nullptr,
                      n, mode, measureRight, figures);
    }

    // The meter position only grows with the magnitude, so the block's
    // highest position is that of its largest magnitude.
    const auto inPeak0 = toMeterLevel (figures.inputPeak[0]);
    const auto outPeak0 = toMeterLevel (figures.outputPeak[0]);
    const auto inPeak1 = measureRight ? toMeterLevel (figures.inputPeak[1]) : 0.0f;
    const auto outPeak1 = measureRight ? toMeterLevel (figures.outputPeak[1]) : 0.0f;

    setMeterLevels (inPeak0, inPeak1, outPeak0, outPeak1, figures.clipSum, numInputs, numSamples);
    blockArrivals.blockFinished (numSamples, currentSampleRate);
}

void EmberLashAudioProcessor::processChunk (const float* inL, const float* inR, float* outL, float* outR,
                                            int numSamples, int mode, bool measureRight,
                                            BlockFigures& figures) noexcept
{
    auto& s = scratch;
    const auto n = numSamples;

    const auto tightRamps = fillSmoothed (smoothedTight, s.tight.data(), n);
    const auto bodyRamps = fillSmoothed (smoothedBody, s.body.data(), n);
    const auto biteRamps = fillSmoothed (smoothedBite, s.bite.data(), n);
    const auto fizzRamps = fillSmoothed (smoothedFizz, s.fizz.data(), n);
    const auto airRamps = fillSmoothed (smoothedAir, s.air.data(), n);
    fillSmoothed (smoothedWidth, s.width.data(), n);
    const auto roomRamps = fillSmoothed (smoothedRoom, s.room.data(), n);
    fillSmoothed (smoothedMix, s.mix.data(), n);
    fillSmoothed (smoothedOutputGain, s.gain.data(), n);
    fillSmoothed (smoothedPower, s.power.data(), n);

    const auto& v = voicingFor (mode);
    const auto bodyWeight = 0.9f * v.bodyScale;
    const auto biteWeight = 0.78f * v.biteScale;

    if (! (tightRamps || bodyRamps || biteRamps || fizzRamps || airRamps || roomRamps))
    {
        // Steady controls: the tanh of the drive and the body and bite gains
        // once for the chunk.
        const auto controls = voiceControlsFor (s.tight[0], s.body[0], s.bite[0], s.fizz[0], s.air[0],
                                                s.room[0], v);

        for (int channel = 0; channel < 2; ++channel)
        {
            const auto* input = channel == 0 ? inL : inR;
            splitBands (channel, input, n);
            shapeVoice (input, s.low.data(), s.hi3300.data(), s.band340.data(), s.band2300.data(),
                        s.hi5200.data(), (channel == 0 ? s.left : s.right).data(), n, controls,
                        bodyWeight, biteWeight);
        }
    }
    else
    {
        for (int i = 0; i < n; ++i)
        {
            const auto shape = tightShapeFor (v.tightScale * s.tight[(size_t) i]);
            s.tightGain[(size_t) i] = shape.gain;
            s.tightBlend[(size_t) i] = shape.blend;
            s.tightDry[(size_t) i] = shape.dry;
            s.tightThin[(size_t) i] = shape.thin;
        }

        for (int i = 0; i < n; ++i)
        {
            fizzWeights (s.fizz[(size_t) i], v.fizzScale, s.fizz3300[(size_t) i], s.fizz5200[(size_t) i]);
            const auto a = s.air[(size_t) i] / 12.0f * v.airScale;
            s.air5200[(size_t) i] = 1.1f * a;
            s.air3300[(size_t) i] = 0.28f * a;
            s.drive[(size_t) i] = driveFor (s.bite[(size_t) i], s.room[(size_t) i], v.driveOffset);
        }

        // The power functions and the drive's tanh only for what ramps.
        auto gainsOf = [n] (const float* controls, float* gains, float scale, bool ramps)
        {
            if (ramps)
            {
                for (int i = 0; i < n; ++i)
                    gains[i] = dBgain (scale * controls[i]) - 1.0f;
            }
            else
            {
                std::fill (gains, gains + n, dBgain (scale * controls[0]) - 1.0f);
            }
        };

        gainsOf (s.body.data(), s.bodyGain.data(), 0.7f, bodyRamps);
        gainsOf (s.bite.data(), s.biteGain.data(), 0.75f, biteRamps);

        if (biteRamps || roomRamps)
            driveNorms (s.drive.data(), s.driveNorm.data(), n);
        else
            std::fill (s.driveNorm.begin(), s.driveNorm.begin() + n, driveNormFor (s.drive[0]));

        for (int channel = 0; channel < 2; ++channel)
        {
            const auto* input = channel == 0 ? inL : inR;
            splitBands (channel, input, n);
            shapeVoice (input, s.low.data(), s.hi3300.data(), s.band340.data(), s.band2300.data(),
                        s.hi5200.data(), (channel == 0 ? s.left : s.right).data(), n,
                        s.tightGain.data(), s.tightBlend.data(), s.tightDry.data(), s.tightThin.data(),
                        s.bodyGain.data(), s.biteGain.data(), s.fizz3300.data(), s.fizz5200.data(),
                        s.air5200.data(), s.air3300.data(), s.drive.data(), s.driveNorm.data(),
                        bodyWeight, biteWeight);
        }
    }

    // One call over the chunk does what one call per sample does, as the
    // reverb's parameters stay put within the block.
    reverb.processStereo (s.left.data(), s.right.data(), n);

    finishChunk (inL, inR, s.left.data(), s.right.data(), s.outLeft.data(), s.outRight.data(), s.width.data(),
                 s.mix.data(), s.gain.data(), s.power.data(), widthFactorFor (mode), n);

    // Finite input can still overflow the dry path (a sample near the float
    // maximum times the output gain); such a sample goes out as silence.
    zeroNonFinite (s.outLeft.data(), n);
    zeroNonFinite (s.outRight.data(), n);

    figures.clipSum = addClipExcess (figures.clipSum, s.left.data(), s.right.data(), n);
    figures.inputPeak[0] = juce::jmax (figures.inputPeak[0], peakMagnitude (inL, n));
    figures.outputPeak[0] = juce::jmax (figures.outputPeak[0], peakMagnitude (s.outLeft.data(), n));

    if (measureRight)
    {
        figures.inputPeak[1] = juce::jmax (figures.inputPeak[1], peakMagnitude (inR, n));
        figures.outputPeak[1] = juce::jmax (figures.outputPeak[1], peakMagnitude (s.outRight.data(), n));
    }

    if (outL != nullptr)
        std::copy (s.outLeft.begin(), s.outLeft.begin() + n, outL);

    if (outR != nullptr)
        std::copy (s.outRight.begin(), s.outRight.begin() + n, outR);
}

void EmberLashAudioProcessor::splitBands (int channel, const float* input, int numSamples) noexcept
{
    // Local copies keep the states in registers over the chunk.
    auto filters = bandFilters[(size_t) channel];

    auto* low = scratch.low.data();
    auto* hi3300 = scratch.hi3300.data();
    auto* band340 = scratch.band340.data();
    auto* band2300 = scratch.band2300.data();
    auto* hi5200 = scratch.hi5200.data();

    for (int i = 0; i < numSamples; ++i)
    {
        const auto x = input[i];
        low[i] = runBandFilter (filters[0], x);
        hi3300[i] = runBandFilter (filters[1], x);
        band340[i] = runBandFilter (filters[2], x);
        band2300[i] = runBandFilter (filters[3], x);
        hi5200[i] = runBandFilter (filters[4], x);
    }

    // Within the chunk an overflowed band cannot make the voice's output
    // non-finite, as the drive's tanh maps it to +-1.
    for (auto& f : filters)
        clearNonFiniteState (f);

    bandFilters[(size_t) channel] = filters;
}

void EmberLashAudioProcessor::setMeterLevels (float inPeak0, float inPeak1, float outPeak0, float outPeak1,
                                              float clipSum, int numChannels, int numSamples) noexcept
{
    const float inPeaks[] { inPeak0, inPeak1 };
    const float outPeaks[] { outPeak0, outPeak1 };

    for (size_t c = 0; c < 2; ++c)
    {
        inputLevel[c].store (juce::jmax (levelFallPerBlock * inputLevel[c].load(), inPeaks[c]));
        outputLevel[c].store (juce::jmax (levelFallPerBlock * outputLevel[c].load(), outPeaks[c]));
    }

    const auto channels = juce::jmax (numChannels, 1);
    const auto divisor = (float) juce::jmax (channels * numSamples, 1);
    const auto v = juce::jlimit (0.0f, 1.0f, 8.0f * clipSum / divisor);
    clipLevel.store (juce::jmax (clipFallPerBlock * clipLevel.load(), v));
}

//==============================================================================
// Queries

bool EmberLashAudioProcessor::isPowerOn() const
{
    const auto* raw = rawParameterValues[powerIndex];
    return raw != nullptr && raw->load() >= 0.5f;
}

int EmberLashAudioProcessor::getMode() const
{
    const auto* raw = rawParameterValues[modeIndex];

    if (raw == nullptr)
        return 0;

    // A value that is not a number has no nearest integer; the DSP takes it as Rock.
    const auto value = raw->load();
    return std::isfinite (value) ? (int) std::round (value) : 1;
}

float EmberLashAudioProcessor::getParameterValue (const juce::String& parameterId) const
{
    const auto* raw = valueTreeState.getRawParameterValue (parameterId);
    return raw != nullptr ? raw->load() : 0.0f;
}

float EmberLashAudioProcessor::getInputLevel (int channel) const
{
    return inputLevel[(size_t) juce::jlimit (0, 1, channel)].load();
}

float EmberLashAudioProcessor::getOutputLevel (int channel) const
{
    return outputLevel[(size_t) juce::jlimit (0, 1, channel)].load();
}

float EmberLashAudioProcessor::getClipLevel() const
{
    return clipLevel.load();
}

EmberLashAudioProcessor::MeterReading EmberLashAudioProcessor::readMeters() const
{
    // The arrivals first: levels loaded after them are at least as new.
    const auto missed = blockArrivals.missedBlocks();

    const auto fallen = [missed] (const std::atomic<float>& level, float perBlock)
    {
        const auto published = level.load();
        return missed == 0 ? published : (float) ((double) published * std::pow ((double) perBlock, (double) missed));
    };

    MeterReading reading;

    for (size_t c = 0; c < 2; ++c)
    {
        reading.input[c] = fallen (inputLevel[c], levelFallPerBlock);
        reading.output[c] = fallen (outputLevel[c], levelFallPerBlock);
    }

    reading.clip = fallen (clipLevel, clipFallPerBlock);
    return reading;
}

float EmberLashAudioProcessor::toMeterLevel (float sample)
{
    const auto a = std::abs (sample);

    if (a <= 0.000001f)
        return 0.0f;

    const auto d = juce::Decibels::gainToDecibels (a, -72.0f);
    return juce::jlimit (0.0f, 1.0f, (d + 60.0f) / 60.0f);
}

//==============================================================================
juce::AudioProcessor* JUCE_CALLTYPE createPluginFilter()
{
    return new EmberLashAudioProcessor();
}
