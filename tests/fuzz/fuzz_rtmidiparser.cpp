// The RtMidi input parser: no SysEx piece is longer than the limit, only a
// message's last piece is shorter than it, pieces carry the F0 and F7 of
// their message and no other status byte, their bytes come in input order,
// and short messages are a status with its data bytes.
//
// Input: the first byte sets the limit (2..65), the second how the rest is
// cut into deliveries (a delivery ends after each byte equal to it).

#include "FuzzCheck.h"
#include "MidiBytes.h"
#include "MidiStreamParser.h"
#include "RtMidiInDevice.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

constexpr unsigned char StatusBit = MidiBytes::StatusBit;
constexpr unsigned char SysexStart = MidiBytes::SysExStart;
constexpr unsigned char SysexEnd = MidiBytes::SysExEnd;
constexpr std::size_t LimitSpan = 64;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 2)
        return 0;
    const std::size_t limit = 2 + data[0] % LimitSpan;
    const unsigned char cut = data[1];
    const std::uint8_t *bytes = data + 2;
    const std::size_t count = size - 2;

    MidiStreamParser parser(RtMidiInDevice::parsing(limit));
    bool midMessage = false; // the last piece was full and had no F7
    std::size_t inputAt = 0; // SysEx bytes handed out come in input order
    const auto onSysex = [&](const QByteArray &message) {
        const std::vector<unsigned char> piece(message.cbegin(), message.cend());
        FUZZ_CHECK(!piece.empty() && piece.size() <= limit);
        const bool first = piece.front() == SysexStart;
        const bool last = piece.back() == SysexEnd;
        // A piece without F0 goes on with a message whose last piece was full.
        FUZZ_CHECK(first || midMessage);
        FUZZ_CHECK(last || piece.size() == limit);
        for (std::size_t i = 0; i < piece.size(); ++i) {
            const bool status = piece[i] & StatusBit;
            FUZZ_CHECK(!status || (i == 0 && first) || (i + 1 == piece.size() && last));
            while (inputAt < count && bytes[inputAt] != piece[i])
                ++inputAt;
            FUZZ_CHECK(inputAt < count);
            ++inputAt;
        }
        midMessage = !last;
    };
    const auto onShort = [&](quint32 message) {
        const unsigned char status = message & 0xFF;
        const int length = MidiBytes::shortMessageLength(status);
        FUZZ_CHECK(length >= 1 && length <= 3);
        FUZZ_CHECK((message >> (8 * length)) == 0);
        for (int i = 1; i < length; ++i)
            FUZZ_CHECK(((message >> (8 * i)) & StatusBit) == 0);
    };

    std::size_t start = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (bytes[i] == cut || i + 1 == count) {
            parser.feed(reinterpret_cast<const char *>(bytes + start), i + 1 - start,
                        {onShort, onSysex, {}});
            start = i + 1;
        }
    }
    return 0;
}
