#include "processor/FactoryPresets.h"

const std::array<FactoryPreset, 14> factoryPresets {{
    //  name             mode tight body  bite  fizz  air   width room mix
    { "Studio Tight",    0,   3.0f, 1.0f, 2.5f, -4.0f, 1.0f, 104, 14, 78 },
    { "Full Stack",      1,   2.5f, 3.5f, 5.0f, -3.0f, 0.0f, 114, 20, 74 },
    { "Chugs",           2,   5.5f, 1.0f, 6.0f, -4.5f, -0.5f, 96,  8, 82 },
    { "Airy Leads",      0,   0.5f, 2.5f, 4.0f, -1.0f, 2.5f, 130, 28, 72 },
    { "Wide Cleans",     0,   1.5f, 2.0f, 1.5f, -0.5f, 2.0f, 156, 24, 68 },
    { "Fuzz Tamer",      1,   1.5f, 2.5f, -1.0f, -6.5f, -1.0f, 100, 10, 76 },
    { "Dense Rhythm",    1,   3.0f, 4.5f, 3.0f, -3.5f, -0.5f, 110, 18, 84 },
    { "Amp Finish",      1,   2.5f, 2.5f, 4.0f, -3.5f, 1.0f, 120, 25, 70 },
    { "Cab Glue",        0,   2.0f, 3.5f, 1.5f, -2.0f, 0.5f, 102, 12, 80 },
    { "Edge Driver",     2,   3.5f, 1.5f, 6.5f, 1.5f, 1.0f, 108, 10, 77 },
    { "Low End Focus",   1,   4.5f, -0.5f, 2.0f, -2.0f, -0.5f, 98,  6, 82 },
    { "Scooped Width",   0,   2.0f, -1.5f, 3.0f, -1.5f, 1.5f, 148, 20, 66 },
    { "Lead Lift",       0,   1.0f, 3.0f, 5.5f, 1.0f, 3.0f, 124, 18, 74 },
    { "Dark 4x12",       1,   2.5f, 2.5f, 1.0f, -5.5f, -2.0f, 100, 14, 79 },
}};

const FactoryPreset fallbackFactoryPreset { "", 1, 2.5f, 2.5f, 4.0f, -3.5f, 1.0f, 120, 25, 70 };
