#pragma once

#include "VoiceDump.h"

#include <QByteArray>
#include <QByteArrayView>

#include <array>

// Byte-exact conversion between the working full voice dump and the custom
// and internal voice dumps. Each conversion is a fixed list of byte-range
// copies; no value is translated, scaled or checked. The working dump is the
// template: loading a custom or internal voice writes only the dump bytes
// that form carries, every other byte keeps its value.
class VoiceConversion
{
public:
    // One copied range: `length` bytes at offset `form` of the custom or
    // internal voice dump correspond to the bytes at offset `dump` of the full
    // voice dump.
    struct Range
    {
        int form;
        int dump;
        int length;
    };

    // Custom voice dump block A data (offsets 9..171) against the full dump.
    static constexpr std::array<Range, 19> CustomRanges{{
        {9, 393, 15},   // voice name .. reserved byte after portamento mode
        {24, 14, 1},    // mono/poly
        {25, 17, 13},   // note shift .. variation send
        {38, 38, 5},    // modulation-wheel pitch control .. LFO filter modulation
        {43, 44, 5},    // pitch-bend control .. LFO filter modulation
        {48, 78, 17},   // scale tuning C .. aftertouch LFO filter modulation
        {65, 102, 6},   // assignable controller 1
        {71, 116, 2},   // portamento switch, portamento time
        {73, 135, 1},   // pitch-bend low control
        {74, 201, 14},  // reverb type .. reverb pan
        {88, 226, 6},   // further reverb parameters
        {94, 243, 15},  // chorus type .. chorus-to-reverb send
        {109, 269, 6},  // further chorus parameters
        {115, 286, 28}, // variation type .. variation part
        {143, 316, 2},  // aftertouch and controller 1 variation control
        {145, 330, 6},  // further variation parameters
        {151, 347, 13}, // distortion type .. distortion part
        {164, 362, 2},  // aftertouch and controller 1 distortion control
        {166, 376, 6},  // six unnamed bytes of dump block 13
    }};

    // Custom voice dump block B data: the whole VL element block.
    static constexpr Range CustomElementRange{183, 419, 1387};

    // Internal voice dump data (offsets 9..171) against the full dump.
    static constexpr std::array<Range, 25> InternalRanges{{
        {9, 393, 8},    // voice name
        {17, 402, 5},   // voice level .. portamento mode
        {22, 14, 1},    // mono/poly
        {23, 17, 21},   // note shift .. release time
        {44, 41, 2},    // modulation-wheel LFO pitch and filter modulation
        {46, 44, 1},    // pitch-bend control
        {47, 47, 1},    // pitch-bend LFO pitch modulation
        {48, 91, 1},    // aftertouch filter control
        {49, 93, 1},    // aftertouch LFO pitch modulation
        {50, 102, 1},   // assignable controller 1 control number
        {51, 104, 3},   // assignable controller 1 filter, amplitude, LFO pitch
        {54, 116, 6},   // portamento switch .. pitch envelope release time
        {60, 135, 4},   // pitch-bend low control, filter envelope depth, bass, treble
        {64, 184, 6},   // amplitude scaling break point .. program pointer
        {70, 201, 7},   // reverb type .. reverb low-pass cutoff
        {77, 213, 2},   // reverb return, reverb pan
        {79, 243, 6},   // chorus type .. chorus delay offset
        {85, 255, 3},   // chorus return, pan, chorus-to-reverb send
        {88, 286, 12},  // variation type .. variation feedback level 2
        {100, 306, 8},  // variation dry/wet .. variation part
        {108, 316, 2},  // aftertouch and controller 1 variation control
        {110, 347, 7},  // distortion type .. distortion output level
        {117, 358, 2},  // distortion dry/wet, distortion part
        {119, 362, 2},  // aftertouch and controller 1 distortion control
        {121, 429, 51}, // first 51 parameters of the VL element
    }};

    // Custom voice dump into the working dump: dump byte 12 (program number)
    // takes block A's memory number, the custom ranges and the element block
    // are copied, and `slotNumber` becomes block B's memory number + 1.
    // Returns false and changes nothing unless `source` holds 1572 bytes and
    // `dump` 1808.
    static bool CustomToDump(QByteArrayView source, QByteArray &dump, int &slotNumber);

    // The working dump as a sealed custom voice dump for `slotNumber` (1..6,
    // anything else taken as 1) and `deviceId`. Dump byte 12 is not read.
    // Returns an empty array unless `dump` holds 1808 bytes.
    static QByteArray DumpToCustom(QByteArrayView dump, int slotNumber, quint8 deviceId);

    // Internal voice dump into the working dump: `slotNumber` becomes its
    // memory number + 1 and the internal ranges are copied. Returns false and
    // changes nothing unless `source` holds 174 bytes and `dump` 1808.
    static bool InternalToDump(QByteArrayView source, QByteArray &dump, int &slotNumber);

    // The working dump as a sealed internal voice dump for `slotNumber`
    // (1..64, anything else taken as 1) and `deviceId`. Returns an empty array
    // unless `dump` holds 1808 bytes.
    static QByteArray DumpToInternal(QByteArrayView dump, int slotNumber, quint8 deviceId);
};
