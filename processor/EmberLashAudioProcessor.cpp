#include "processor/EmberLashAudioProcessor.h"

#include "editor/EmberLashAudioProcessorEditor.h"
#include "processor/ScopedSuspendProcessing.h"

#include <cmath>

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

    // The framework passes a stored value through unchecked, and "nan" or
    // "inf" would reach the DSP as such. A value that is not a finite number
    // counts as no value, so the parameter takes its default.
    void dropNonFiniteValues (juce::ValueTree& tree)
    {
        static const juce::Identifier valueProperty ("value");

        for (auto child : tree)
            if (child.hasProperty (valueProperty) && ! std::isfinite ((double) child.getProperty (valueProperty)))
                child.removeProperty (valueProperty, nullptr);
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
    auto xml = getXmlFromBinary (data, sizeInBytes);

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

juce::StringArray EmberLashAudioProcessor::getUserPresetNames()
{
    return presetStorage.listPresetNames();
}

bool EmberLashAudioProcessor::saveUserPreset (const juce::String& name)
{
    const auto state = valueTreeState.copyState();

    if (! presetStorage.savePresetFile (name, state))
        return false;

    setCurrentPreset (name, true, false);
    return true;
}

bool EmberLashAudioProcessor::loadUserPreset (const juce::String& name)
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

        restoringState.store (true);
        valueTreeState.replaceState (tree);
        setParameterValue (outputId, output);
        restoringState.store (false);

        setCurrentPreset (name, true, false);
    }

    return true;
}

bool EmberLashAudioProcessor::deleteUserPreset (const juce::String& name)
{
    if (! presetStorage.deletePresetFile (name))
        return false;

    auto& presets = static_cast<PresettableProcessor&> (*this);

    if (presets.isCurrentPresetUser() && presets.getCurrentPresetName().equalsIgnoreCase (name))
        clearCurrentPreset();

    return true;
}

bool EmberLashAudioProcessor::renameUserPreset (const juce::String& oldName, const juce::String& newName)
{
    if (! presetStorage.renamePresetFile (oldName, newName))
        return false;

    auto& presets = static_cast<PresettableProcessor&> (*this);

    if (presets.isCurrentPresetUser() && presets.getCurrentPresetName().equalsIgnoreCase (oldName))
        setCurrentPreset (newName, true, false);

    return true;
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

float EmberLashAudioProcessor::shapeTight (float lowBand, float tightAmount)
{
    const auto t = juce::jlimit (-1.0f, 1.0f, tightAmount / 12.0f);
    const auto tp = juce::jmax (t, 0.0f);
    const auto tn = juce::jmin (t, 0.0f);

    return (std::tanh ((1.0f + 3.6f * tp) * lowBand) - lowBand) * (0.16f + 0.26f * tp)
         + (1.0f - 0.52f * tp) * lowBand
         + 0.32f * tn * lowBand;
}

float EmberLashAudioProcessor::processChannelSample (float input, int channel, float tight, float body,
                                                     float bite, float fizz, float air, float room, int mode)
{
    const auto& v = voicingFor (mode);
    const auto c = (size_t) channel;

    const auto low     = lowPass180[c].processSample (input);
    const auto hi3300  = highPass3300[c].processSample (input);
    const auto band340 = bandPass340[c].processSample (input);
    const auto band2300 = bandPass2300[c].processSample (input);
    const auto hi5200  = highPass5200[c].processSample (input);

    auto y = input - low + shapeTight (low, v.tightScale * tight);
    y = y + (dBgain (0.7f * body) - 1.0f) * band340 * (0.9f * v.bodyScale);
    y = y + (dBgain (0.75f * bite) - 1.0f) * band2300 * (0.78f * v.biteScale);

    if (fizz >= 0.0f)
    {
        const auto f = fizz / 12.0f * v.fizzScale;
        y = y + f * hi3300 + 0.55f * f * hi5200;
    }
    else
    {
        const auto f = -fizz / 12.0f * v.fizzScale;
        y = y - 0.75f * f * hi3300 - 0.42f * f * hi5200;
    }

    const auto a = air / 12.0f * v.airScale;
    const auto pre = y + 1.1f * a * hi5200 + 0.28f * a * hi3300;

    const auto k = 1.0f + 1.35f * juce::jmax (bite, 0.0f) / 12.0f + 0.42f * room + v.driveOffset;

    return std::tanh (k * pre) / juce::jmax (std::tanh (k), 0.001f) * outputTrim;
}

void EmberLashAudioProcessor::updateFilters()
{
    const auto rate = currentSampleRate;
    const auto lp180  = Coefficients::makeLowPass (rate, 180.0f);
    const auto hp3300 = Coefficients::makeHighPass (rate, 3300.0f);
    const auto bp340  = Coefficients::makeBandPass (rate, 340.0f, 0.7f);
    const auto bp2300 = Coefficients::makeBandPass (rate, 2300.0f, 0.8f);
    const auto hp5200 = Coefficients::makeHighPass (rate, 5200.0f);

    auto assign = [] (std::array<juce::dsp::IIR::Filter<float>, 2>& filters, const Coefficients::Ptr& source)
    {
        for (auto& filter : filters)
            *filter.coefficients = *source;
    };

    assign (lowPass180, lp180);
    assign (highPass3300, hp3300);
    assign (bandPass340, bp340);
    assign (bandPass2300, bp2300);
    assign (highPass5200, hp5200);
}

void EmberLashAudioProcessor::resetDsp()
{
    for (auto* bank : { &lowPass180, &highPass3300, &bandPass340, &bandPass2300, &highPass5200 })
        for (auto& filter : *bank)
            filter.reset();

    reverb.reset();
}

//==============================================================================
// Block processing

void EmberLashAudioProcessor::prepareToPlay (double sampleRate, int)
{
    currentSampleRate = sampleRate;

    // Each filter gets a coefficients object of its own for the new rate.
    for (size_t c = 0; c < 2; ++c)
    {
        lowPass180[c].coefficients   = Coefficients::makeLowPass (currentSampleRate, 180.0f);
        highPass3300[c].coefficients = Coefficients::makeHighPass (currentSampleRate, 3300.0f);
        bandPass340[c].coefficients  = Coefficients::makeBandPass (currentSampleRate, 340.0f, 0.7f);
        bandPass2300[c].coefficients = Coefficients::makeBandPass (currentSampleRate, 2300.0f, 0.8f);
        highPass5200[c].coefficients = Coefficients::makeHighPass (currentSampleRate, 5200.0f);
    }

    updateFilters();
    reverb.setSampleRate (currentSampleRate);
    resetDsp();

    auto start = [this] (juce::SmoothedValue<float>& smoother, double rampSeconds, float value)
    {
        smoother.reset (currentSampleRate, rampSeconds);
        smoother.setCurrentAndTargetValue (value);
    };

    start (smoothedTight, tightRampSeconds, getParameterValue ("tight"));
    start (smoothedBody, tightRampSeconds, getParameterValue ("body"));
    start (smoothedBite, tightRampSeconds, getParameterValue ("bite"));
    start (smoothedFizz, tightRampSeconds, getParameterValue ("fizz"));
    start (smoothedAir, tightRampSeconds, getParameterValue ("air"));
    start (smoothedWidth, slowRampSeconds, getParameterValue ("width") * 0.01f);
    start (smoothedRoom, slowRampSeconds, getParameterValue ("room") * 0.01f);
    start (smoothedMix, tightRampSeconds, getParameterValue ("mix") * 0.01f);
    start (smoothedOutputGain, tightRampSeconds, dBgain (getParameterValue ("output")));
    start (smoothedPower, tightRampSeconds, isPowerOn() ? 1.0f : 0.0f);
}

void EmberLashAudioProcessor::releaseResources() {}

float EmberLashAudioProcessor::readRaw (int index) const noexcept
{
    const auto* raw = rawParameterValues[(size_t) index];
    return raw != nullptr ? raw->load() : 0.0f;
}

void EmberLashAudioProcessor::processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer&)
{
    juce::ScopedNoDenormals noDenormals;

    const auto numInputs = getTotalNumInputChannels();
    const auto numOutputs = getTotalNumOutputChannels();
    const auto numSamples = buffer.getNumSamples();

    for (auto ch = numInputs; ch < numOutputs; ++ch)
        buffer.clear (ch, 0, numSamples);

    smoothedTight.setTargetValue (readRaw (tightIndex));
    smoothedBody.setTargetValue (readRaw (bodyIndex));
    smoothedBite.setTargetValue (readRaw (biteIndex));
    smoothedFizz.setTargetValue (readRaw (fizzIndex));
    smoothedAir.setTargetValue (readRaw (airIndex));
    smoothedWidth.setTargetValue (readRaw (widthIndex) * 0.01f);
    smoothedRoom.setTargetValue (readRaw (roomIndex) * 0.01f);
    smoothedMix.setTargetValue (readRaw (mixIndex) * 0.01f);
    smoothedOutputGain.setTargetValue (dBgain (readRaw (outputIndex)));
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

    float inPeak0 = 0.0f, inPeak1 = 0.0f, outPeak0 = 0.0f, outPeak1 = 0.0f, clipSum = 0.0f;

    const auto channelsInBuffer = juce::jmin (numInputs, buffer.getNumChannels());
    auto* left = channelsInBuffer >= 1 ? buffer.getWritePointer (0) : nullptr;
    auto* right = channelsInBuffer >= 2 ? buffer.getWritePointer (1) : nullptr;
    const auto widthFactor = widthFactorFor (mode);

    for (int i = 0; i < numSamples; ++i)
    {
        const auto tight = smoothedTight.getNextValue();
        const auto body = smoothedBody.getNextValue();
        const auto bite = smoothedBite.getNextValue();
        const auto fizz = smoothedFizz.getNextValue();
        const auto air = smoothedAir.getNextValue();
        const auto width = smoothedWidth.getNextValue();
        const auto room = smoothedRoom.getNextValue();
        const auto mix = smoothedMix.getNextValue();
        const auto gain = smoothedOutputGain.getNextValue();
        const auto power = smoothedPower.getNextValue();

        const auto inL = left != nullptr ? left[i] : 0.0f;
        const auto inR = right != nullptr ? right[i] : inL;

        auto l = processChannelSample (inL, 0, tight, body, bite, fizz, air, room, mode);
        auto rr = processChannelSample (inR, 1, tight, body, bite, fizz, air, room, mode);

        reverb.processStereo (&l, &rr, 1);

        const auto g = juce::jlimit (0.6f, 2.0f, widthFactor * width);
        const auto mid = (l + rr) * 0.5f;
        const auto side = (l - rr) * 0.5f * g;
        l = mid + side;
        rr = mid - side;

        const auto wetL = ((l - inL) * mix + inL) * gain;
        const auto wetR = ((rr - inR) * mix + inR) * gain;

        clipSum += juce::jmax (std::abs (wetL) - 0.97f, 0.0f);
        clipSum += juce::jmax (std::abs (wetR) - 0.97f, 0.0f);

        const auto outL = (wetL - inL) * power + inL;
        const auto outR = (wetR - inR) * power + inR;

        if (left != nullptr)
            left[i] = outL;
        if (right != nullptr)
            right[i] = outR;

        inPeak0 = juce::jmax (inPeak0, toMeterLevel (inL));
        outPeak0 = juce::jmax (outPeak0, toMeterLevel (outL));

        if (numInputs >= 2)
        {
            inPeak1 = juce::jmax (inPeak1, toMeterLevel (inR));
            outPeak1 = juce::jmax (outPeak1, toMeterLevel (outR));
        }
    }

    setMeterLevels (inPeak0, inPeak1, outPeak0, outPeak1, clipSum, numInputs, numSamples);
}

void EmberLashAudioProcessor::setMeterLevels (float inPeak0, float inPeak1, float outPeak0, float outPeak1,
                                              float clipSum, int numChannels, int numSamples) noexcept
{
    const float inPeaks[] { inPeak0, inPeak1 };
    const float outPeaks[] { outPeak0, outPeak1 };

    for (size_t c = 0; c < 2; ++c)
    {
        inputLevel[c].store (juce::jmax (0.86f * inputLevel[c].load(), inPeaks[c]));
        outputLevel[c].store (juce::jmax (0.86f * outputLevel[c].load(), outPeaks[c]));
    }

    const auto channels = juce::jmax (numChannels, 1);
    const auto divisor = (float) juce::jmax (channels * numSamples, 1);
    const auto v = juce::jlimit (0.0f, 1.0f, 8.0f * clipSum / divisor);
    clipLevel.store (juce::jmax (0.84f * clipLevel.load(), v));
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
    return raw != nullptr ? (int) std::round (raw->load()) : 0;
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
