#pragma once

#include <array>

// The factory presets compiled into the plug-in: plain parameter values in
// their own units (mode index, dB, percent). Every preset also switches
// power on; none touches the output level.
struct FactoryPreset
{
    const char* name;
    float mode, tight, body, bite, fizz, air, width, room, mix;
};

extern const std::array<FactoryPreset, 14> factoryPresets;

// Applied for a name that matches none of the table's names.
extern const FactoryPreset fallbackFactoryPreset;
