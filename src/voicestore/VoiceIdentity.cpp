#include "VoiceIdentity.h"

#include <QCryptographicHash>

namespace {

void appendData(QByteArray &out, QByteArrayView bytes, int blockStart, int count)
{
    out += bytes.sliced(blockStart + VoiceDump::DataOffset, count);
}

} // namespace

QByteArray VoiceIdentity::dataBytes(VoiceDump::Form form, QByteArrayView bytes)
{
    if (VoiceDump::formOf(bytes) != form)
        return {};
    QByteArray data;
    switch (form) {
    case VoiceDump::Form::Internal:
        appendData(data, bytes, 0, VoiceDump::InternalCount);
        break;
    case VoiceDump::Form::Custom:
        appendData(data, bytes, VoiceDump::CustomBlockAStart, VoiceDump::CustomBlockACount);
        appendData(data, bytes, VoiceDump::CustomBlockBStart, VoiceDump::CustomBlockBCount);
        break;
    case VoiceDump::Form::Full:
        for (const VoiceDump::Block &block : VoiceDump::FullBlocks)
            appendData(data, bytes, block.start, block.count);
        break;
    }
    return data;
}

QByteArray VoiceIdentity::key(VoiceDump::Form form, QByteArrayView bytes)
{
    QCryptographicHash hash(QCryptographicHash::Sha1);
    const char formByte = char(form);
    hash.addData(QByteArrayView(&formByte, 1));
    hash.addData(dataBytes(form, bytes));
    return hash.result();
}
