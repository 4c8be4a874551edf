#pragma once

#include <juce_core/juce_core.h>

// Plain files as the preset storage needs them. Whatever lies in the presets
// folder came from outside: a FIFO there must not block the message thread, a
// link to a device must not be read without end, and a full disk must not
// pass for a written file.
namespace RegularFile
{
    // True when the path names a regular file, after following links.
    bool exists (const juce::File& file);

    // Reads the whole file into bytes when it is a regular file (after
    // following links) of at most maxBytes. Opening never blocks, and no more
    // than maxBytes + 1 bytes are read. False otherwise; bytes is then left alone.
    bool read (const juce::File& file, size_t maxBytes, juce::MemoryBlock& bytes);

    // Creates the file, which must not exist yet, holding exactly these bytes,
    // and flushes it to the disk. False when any step fails; a file it created
    // is then removed again.
    bool create (const juce::File& file, const void* data, size_t numBytes);

    // Puts source in target's place in one step, replacing target if it exists.
    bool replace (const juce::File& source, const juce::File& target);
}
