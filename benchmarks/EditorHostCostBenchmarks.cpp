#include <benchmark/benchmark.h>

#include <juce_audio_processors/juce_audio_processors.h>

#include "benchmarks/BundleLoader.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <ctime>
#include <memory>
#include <thread>
#include <vector>

// What an open editor costs its host: the CPU time of this whole process, in
// % of one core, while the message loop runs with the plug-in's editor in a
// window on the X server, against the same process without the editor. The
// plug-in is the built bundle, loaded through JUCE's VST3 hosting, so its own
// copy of the framework, its wrapper and the host's run loop all count, as in
// a host. Runs with and without the editor alternate; the medians are given.
// The blank window shows what any shown window costs this host by itself;
// the framework's copy in the plug-in adds its own timers beside it.
namespace
{
    enum class Scenario
    {
        idle,       // nothing processed, nothing changing
        metering,   // a 1 kHz tone processed in real time
        hidden,     // as metering, with the host's window hidden but the editor kept
        blankWindow // for reference: a window holding nothing of the plug-in's, nothing processed
    };

    constexpr double sampleRate = 48000.0;
    constexpr int blockSize = 512;
    constexpr int runs = 5;
    constexpr int runMilliseconds = 2000;
    constexpr int settleMilliseconds = 500;

    double processCpuSeconds()
    {
        timespec t {};
        clock_gettime (CLOCK_PROCESS_CPUTIME_ID, &t);
        return (double) t.tv_sec + 1.0e-9 * (double) t.tv_nsec;
    }

    // The process's CPU use while the message loop runs, in % of one core.
    double cpuPercentOfMessageLoop (int milliseconds)
    {
        const auto wallStart = std::chrono::steady_clock::now();
        const auto cpuStart = processCpuSeconds();
        juce::MessageManager::getInstance()->runDispatchLoopUntil (milliseconds);
        const auto wall = std::chrono::duration<double> (std::chrono::steady_clock::now() - wallStart).count();
        return 100.0 * (processCpuSeconds() - cpuStart) / wall;
    }

    double median (std::vector<double> values)
    {
        std::sort (values.begin(), values.end());
        const auto n = values.size();
        return n == 0 ? 0.0 : (n % 2 == 1 ? values[n / 2] : 0.5 * (values[n / 2 - 1] + values[n / 2]));
    }

    // A host's audio thread: a 1 kHz tone at half scale, one block of 512
    // samples every 512 / 48000 s.
    class RealTimeTone
    {
    public:
        explicit RealTimeTone (juce::AudioProcessor& processorToFeed)
            : processor (processorToFeed), thread ([this] { run(); })
        {
        }

        ~RealTimeTone()
        {
            running = false;
            thread.join();
        }

    private:
        void run()
        {
            juce::AudioBuffer<float> buffer (2, blockSize);
            juce::MidiBuffer midi;
            const auto period = std::chrono::nanoseconds (std::llround (1.0e9 * blockSize / sampleRate));
            auto due = std::chrono::steady_clock::now();
            long long sample = 0;

            while (running)
            {
                for (int i = 0; i < blockSize; ++i, ++sample)
                {
                    const auto phase = juce::MathConstants<double>::twoPi * 1000.0 * (double) sample / sampleRate;
                    const auto value = (float) (0.5 * std::sin (phase));
                    buffer.setSample (0, i, value);
                    buffer.setSample (1, i, value);
                }

                processor.processBlock (buffer, midi);
                due += period;
                std::this_thread::sleep_until (due);
            }
        }

        juce::AudioProcessor& processor;
        std::atomic<bool> running { true };
        std::thread thread;
    };

    void editorHostCost (benchmark::State& state, Scenario scenario)
    {
        juce::String error;
        auto instance = loadBundle (sampleRate, blockSize, error);

        if (instance == nullptr)
        {
            state.SkipWithError (error.toRawUTF8());
            return;
        }

        instance->prepareToPlay (sampleRate, blockSize);
        std::unique_ptr<RealTimeTone> tone;

        if (scenario == Scenario::metering || scenario == Scenario::hidden)
            tone = std::make_unique<RealTimeTone> (*instance);

        const juce::Rectangle<int> size (0, 0, (int) state.range (0), (int) state.range (1));
        std::vector<double> without, with, added;

        for (auto _ : state)
        {
            for (int run = 0; run < runs; ++run)
            {
                without.push_back (cpuPercentOfMessageLoop (runMilliseconds));

                // The host's window around the plug-in's view.
                std::unique_ptr<juce::Component> window;

                if (scenario == Scenario::blankWindow)
                    window = std::make_unique<juce::Component>();
                else
                    window.reset (instance->createEditorIfNeeded());

                if (window == nullptr)
                {
                    state.SkipWithError ("the plug-in gave no editor");
                    return;
                }

                // The view follows the host's window once it is on screen.
                window->addToDesktop (0);
                window->setVisible (true);
                window->setSize (size.getWidth(), size.getHeight());
                juce::MessageManager::getInstance()->runDispatchLoopUntil (settleMilliseconds);

                if (window->getLocalBounds() != size)
                {
                    state.SkipWithError ("the editor did not take the size");
                    return;
                }

                // As a host that hides the window when the user closes it, and
                // keeps the editor.
                if (scenario == Scenario::hidden)
                {
                    window->setVisible (false);
                    juce::MessageManager::getInstance()->runDispatchLoopUntil (100);
                }

                with.push_back (cpuPercentOfMessageLoop (runMilliseconds));
                added.push_back (with.back() - without.back());

                window.reset();
                juce::MessageManager::getInstance()->runDispatchLoopUntil (100);
            }
        }

        tone.reset();
        instance->releaseResources();

        state.counters["without_editor_%"] = median (without);
        state.counters["with_editor_%"] = median (with);
        state.counters["editor_adds_%"] = median (added);
    }
}

BENCHMARK_CAPTURE (editorHostCost, idle, Scenario::idle)->Name ("Editor/HostCpu/idle")
    ->ArgNames ({ "w", "h" })->Args ({ 1304, 810 })->Args ({ 1700, 1056 })
    ->Iterations (1)->Unit (benchmark::kSecond);
BENCHMARK_CAPTURE (editorHostCost, metering, Scenario::metering)->Name ("Editor/HostCpu/metering")
    ->ArgNames ({ "w", "h" })->Args ({ 1304, 810 })->Args ({ 1700, 1056 })
    ->Iterations (1)->Unit (benchmark::kSecond);
BENCHMARK_CAPTURE (editorHostCost, hidden, Scenario::hidden)->Name ("Editor/HostCpu/hidden")
    ->ArgNames ({ "w", "h" })->Args ({ 1304, 810 })->Args ({ 1700, 1056 })
    ->Iterations (1)->Unit (benchmark::kSecond);
BENCHMARK_CAPTURE (editorHostCost, blankWindow, Scenario::blankWindow)->Name ("Editor/HostCpu/blankWindow")
    ->ArgNames ({ "w", "h" })->Args ({ 1304, 810 })
    ->Iterations (1)->Unit (benchmark::kSecond);
