#pragma once

#include <juce_audio_processors/juce_audio_processors.h>
#include <juce_dsp/juce_dsp.h>

#include <array>
#include <atomic>
#include <string>

#include "processor/BlockArrivals.h"
#include "processor/FactoryPresets.h"
#include "processor/PresetStorage.h"
#include "processor/PresettableProcessor.h"
#include "processor/ProductInfo.h"
#include "processor/VoiceKernels.h"

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

    // The meter levels as the editor shows them: as published after the last
    // block while blocks keep coming; once the host stops calling
    // processBlock, as they would be after the silent blocks of the last
    // block's size that it would have processed since (see BlockArrivals).
    struct MeterReading
    {
        std::array<float, 2> input {}, output {};
        float clip = 0.0f;
    };

    MeterReading readMeters() const;

    // What the published levels keep of themselves from one block to the next.
    static constexpr float levelFallPerBlock = 0.86f;
    static constexpr float clipFallPerBlock = 0.84f;

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
    bool isCurrentPresetModified() override;
    void setCurrentPreset (const juce::String& name, bool isUser, bool isModified) override;

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
    BlockArrivals blockArrivals;

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

    // A host can leave a raw value that is not a number (the framework passes
    // a NaN normalised value through its range unchecked); such a value
    // leaves the control where it was.
    void followRaw (juce::SmoothedValue<float>& smoother, int index, float scale) noexcept;

    void setMeterLevels (float inPeak0, float inPeak1, float outPeak0, float outPeak1,
                         float clipSum, int numChannels, int numSamples) noexcept;

    //==========================================================================
    // processBlock works through a block in chunks of at most chunkSize
    // samples, one stage at a time over the whole chunk: smoothed controls,
    // left voice, right voice, reverb, then width, mix, gain and power. The
    // per-sample values live in these fixed arrays, so a block of any length
    // is processed without allocating.
    static constexpr int chunkSize = 256;
    using ChunkArray = std::array<float, (size_t) chunkSize>;

    struct ChunkScratch
    {
        // The ten smoothed controls, in smoother order.
        ChunkArray tight, body, bite, fizz, air, width, room, mix, gain, power;
        // Voice controls per sample while their smoothers ramp.
        ChunkArray tightGain, tightBlend, tightDry, tightThin, bodyGain, biteGain,
                   fizz3300, fizz5200, air5200, air3300, drive, driveNorm;
        // The five bands of the channel being voiced.
        ChunkArray low, hi3300, band340, band2300, hi5200;
        // Both voices (then the wet signal), the output, and zeros for a bus
        // without input channels.
        ChunkArray left, right, outLeft, outRight, silence;
    };

    // Peak magnitudes and the clip sum of the block so far.
    struct BlockFigures
    {
        float inputPeak[2] {}, outputPeak[2] {}, clipSum = 0.0f;
    };

    void processChunk (const float* inL, const float* inR, float* outL, float* outR,
                       int numSamples, int mode, bool measureRight, BlockFigures& figures) noexcept;
    void splitBands (int channel, const float* input, int numSamples) noexcept;

    ChunkScratch scratch {};

    // The working copy of the filter bank that the voices run: per channel,
    // the five filters in member order, each with the coefficient values of
    // its framework filter (copied by updateFilters) and its own state. The
    // same transposed direct form II step as the framework's filter, inlined
    // and with the state in registers over a chunk. Pass-through until the
    // first prepareToPlay, like the framework filters.
    std::array<std::array<VoiceKernels::BandFilter, 5>, 2> bandFilters {};

    void loadBandCoefficients() noexcept;

    // The five filter members, in member order.
    std::array<std::array<juce::dsp::IIR::Filter<float>, 2>*, 5> filterBank() noexcept;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (EmberLashAudioProcessor)
};
