#pragma once

#include "FuzzCheck.h"
#include "VoiceDump.h"

#include <QByteArrayView>

// What every sealed block of this instrument holds: its header for the
// device number, its byte count, a checksum that brings the sum of count,
// address and data to a multiple of 128, and the end byte.
inline void checkSealedBlock(QByteArrayView bytes, int start, int count, quint8 deviceId)
{
    const int checksumAt = start + VoiceDump::DataOffset + count;
    FUZZ_CHECK(checksumAt + 1 < bytes.size());
    const auto at = [&](int i) { return quint8(bytes[i]); };
    FUZZ_CHECK(at(start + VoiceDump::StartOffset) == VoiceDump::SysExStart);
    FUZZ_CHECK(at(start + VoiceDump::ManufacturerOffset) == VoiceDump::ManufacturerId);
    FUZZ_CHECK(at(start + VoiceDump::DeviceOffset) == (deviceId & VoiceDump::DeviceMask));
    FUZZ_CHECK(at(start + VoiceDump::ModelOffset) == VoiceDump::ModelId);
    unsigned sum = 0;
    for (int i = start + VoiceDump::CountHighOffset; i <= checksumAt; ++i)
        sum += at(i);
    FUZZ_CHECK(at(checksumAt) < 0x80);
    FUZZ_CHECK(sum % 0x80 == 0);
    FUZZ_CHECK(at(checksumAt + 1) == VoiceDump::SysExEnd);
}

// A voice handed out: one of the three lengths, accepted, its form the one
// its length gives.
inline void checkHandedOutVoice(QByteArrayView bytes)
{
    FUZZ_CHECK(bytes.size() == VoiceDump::InternalLength || bytes.size() == VoiceDump::CustomLength
               || bytes.size() == VoiceDump::FullLength);
    FUZZ_CHECK(VoiceDump::IsVoiceStream(bytes));
    FUZZ_CHECK(VoiceDump::formOf(bytes).has_value());
}
