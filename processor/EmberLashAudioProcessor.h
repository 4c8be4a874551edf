#pragma once

#include <juce_audio_processors/juce_audio_processors.h>
#include <juce_dsp/juce_dsp.h>

#include <array>
#include <atomic>
#include <string>

#include "processor/FactoryPresets.h"
#include "processor/PresetStorage.h"
#include "processor/PresettableProcessor.h"
#include "processor/ProductInfo.h"

class EmberLashAudioProcessor : public juce::AudioProcessor,
                                public PresettableProcessor,
                                public juce::AudioProcessorValueTreeState::Listener
{
public:
    EmberLashAudioProcessor();
    ~EmberLashAudioProcessor() override;

    //==========================================================================
    const juce::String getName() const override;
    void prepareToPlay (double sampleRate, int maximumExpectedSamplesPerBlock) override;
    void releaseResources() override;
    void processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midiMessages) override;
    using juce::AudioProcessor::processBlock;
    double getTailLengthSeconds() const override;
    bool acceptsMidi() const override;
    bool producesMidi() const override;
    bool isMidiEffect() const override;
    juce::AudioProcessorEditor* createEditor() override;
    bool hasEditor() const override;
    int getNumPrograms() override;
    int getCurrentProgram() override;
    void setCurrentProgram (int index) override;
    const juce::String getProgramName (int index) override;
    void changeProgramName (int index, const juce::String& newName) override;
    void getStateInformation (juce::MemoryBlock& destData) override;
    void setStateInformation (const void* data, int sizeInBytes) override;
    bool isBusesLayoutSupported (const BusesLayout& layouts) const override;

    static juce::AudioProcessorValueTreeState::ParameterLayout createParameterLayout();

    //==========================================================================
    // Channel voice and filter bank.
    float processChannelSample (float input, int channel, float tight, float body, float bite,
                                float fizz, float air, float room, int mode);
    static float shapeTight (float lowBand, float tightAmount);
    void updateFilters();
    void resetDsp();

    // Queries used by the audio thread and the editor.
    bool isPowerOn() const;
    int getMode() const;
    float getParameterValue (const juce::String& parameterId) const;
    float getInputLevel (int channel) const;
    float getOutputLevel (int channel) const;
    float getClipLevel() const;
    static float toMeterLevel (float sample);

    //==========================================================================
    // Presets
    juce::StringArray getFactoryPresetNames() override;
    juce::StringArray getUserPresetNames() override;
    void loadFactoryPreset (const juce::String& name) override;
    bool saveUserPreset (const juce::String& name) override;
    bool loadUserPreset (const juce::String& name) override;
    bool deleteUserPreset (const juce::String& name) override;
    bool renameUserPreset (const juce::String& oldName, const juce::String& newName) override;
    juce::String getCurrentPresetName() override;
    juce::String getCurrentPresetDisplayName() override;
    bool isCurrentPresetUser() override;

    void setCurrentPreset (const juce::String& name, bool isUser, bool isModified);
    void clearCurrentPreset();

    // Sets a parameter from a plain value, snapped to its range and step.
    void setParameterValue (const juce::String& parameterId, float plainValue);
    void applyFactoryValues (const FactoryPreset& preset);

    // Parameter listener: marks the current preset modified. Runs on whichever
    // thread changed the parameter, the audio thread included.
    void parameterChanged (const juce::String& parameterID, float newValue) override;

    //==========================================================================
    juce::AudioProcessorValueTreeState valueTreeState;

    std::array<juce::dsp::IIR::Filter<float>, 2> lowPass180;
    std::array<juce::dsp::IIR::Filter<float>, 2> highPass3300;
    std::array<juce::dsp::IIR::Filter<float>, 2> bandPass340;
    std::array<juce::dsp::IIR::Filter<float>, 2> bandPass2300;
    std::array<juce::dsp::IIR::Filter<float>, 2> highPass5200;

    juce::Reverb reverb;
    juce::Reverb::Parameters reverbParameters;

    double currentSampleRate = 44100.0;

    juce::SmoothedValue<float> smoothedTight, smoothedBody, smoothedBite, smoothedFizz, smoothedAir,
                               smoothedWidth, smoothedRoom, smoothedMix, smoothedOutputGain, smoothedPower;

    std::array<std::atomic<float>, 2> inputLevel { 0.0f, 0.0f };
    std::array<std::atomic<float>, 2> outputLevel { 0.0f, 0.0f };
    std::atomic<float> clipLevel { 0.0f };

    PresetStorage presetStorage;

    juce::CriticalSection presetLock;
    juce::String currentPresetName { "Presets" };
    bool currentPresetIsUser = false;
    std::atomic<bool> currentPresetModified { false };
    std::atomic<bool> restoringState { false };

    const std::array<std::string, 11> parameterIds { "power", "mode", "tight", "body", "bite", "fizz",
                                                     "air", "width", "room", "mix", "output" };

    ProductInfo productInfo;
    ProductInfo productIdentity;

private:
    // Raw parameter values in the order of parameterIds, looked up once so
    // that the audio thread never builds a string or searches the state.
    std::array<std::atomic<float>*, 11> rawParameterValues {};

    enum ParameterIndex { powerIndex, modeIndex, tightIndex, bodyIndex, biteIndex, fizzIndex,
                          airIndex, widthIndex, roomIndex, mixIndex, outputIndex };

    float readRaw (int index) const noexcept;
    void setMeterLevels (float inPeak0, float inPeak1, float outPeak0, float outPeak1,
                         float clipSum, int numChannels, int numSamples) noexcept;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (EmberLashAudioProcessor)
};
