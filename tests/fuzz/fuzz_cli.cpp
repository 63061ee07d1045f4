// Command line arguments: any words either parse into something to run or
// are refused as wrong usage, never anything else; what parses holds only
// values in range, and parsing itself reads and writes nothing.
//
// Input: the words, separated by zero bytes (UTF-8); the program's name
// comes first by itself.

#include "BackupCommand.h"
#include "BankSendPlan.h"
#include "BankSender.h"
#include "CommandLine.h"
#include "DeviceNumberOption.h"
#include "FuzzCheck.h"
#include "ReceiveCommand.h"
#include "SendCommand.h"
#include "UsageError.h"

#include <cstddef>
#include <cstdint>

namespace {

constexpr int HighestDeviceId = DeviceNumberOption::Highest - DeviceNumberOption::Lowest;

void checkSend(const QStringList &words)
{
    const SendCommand::Options options = SendCommand::parse(words);
    const CommandWrite::Options &write = options.write;
    FUZZ_CHECK(!write.outPort.isEmpty());
    FUZZ_CHECK(!write.inPort || !write.inPort->isEmpty());
    FUZZ_CHECK(options.voice >= 1);
    FUZZ_CHECK(!write.deviceId || *write.deviceId <= HighestDeviceId);
    FUZZ_CHECK(!write.gapMs || (*write.gapMs >= 0 && *write.gapMs <= BankSender::MaxGapMs));
    if (options.to) {
        const int slotCount = BankSendPlan::slotCount(options.to->to);
        FUZZ_CHECK(slotCount == 0 ? options.to->slot == 0
                                  : options.to->slot >= 1 && options.to->slot <= slotCount);
    }
}

void checkReceive(const QStringList &words)
{
    const ReceiveCommand::Options options = ReceiveCommand::parse(words);
    FUZZ_CHECK(!options.port.isEmpty() && !options.file.isEmpty());
    FUZZ_CHECK(!options.count || *options.count >= 1);
    FUZZ_CHECK(!options.timeoutSeconds
               || (*options.timeoutSeconds >= 1
                   && *options.timeoutSeconds <= ReceiveCommand::MaxTimeoutSeconds));
    FUZZ_CHECK(!options.deviceId || *options.deviceId <= HighestDeviceId);
}

void checkBackup(const QStringList &words)
{
    const BackupCommand::Options options = BackupCommand::parse(words);
    FUZZ_CHECK(!options.inPort.isEmpty() && !options.outPort.isEmpty() && !options.file.isEmpty());
    FUZZ_CHECK(!options.deviceId || *options.deviceId <= HighestDeviceId);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    QStringList arguments{QStringLiteral("ventaro")};
    for (const QByteArray &word : input.split('\0'))
        arguments << QString::fromUtf8(word);
    const bool isCommand = CommandLine::isCommand(arguments);
    FUZZ_CHECK(!CommandLine::commandNames().contains(arguments.at(1)) || isCommand);
    bool parsed = false;
    try {
        FUZZ_CHECK(bool(CommandLine::prepare(arguments)));
        parsed = true;
    } catch (const UsageError &e) {
        FUZZ_CHECK(!e.text().isEmpty());
    } catch (const VentaroError &e) {
        // A first word that names no command and no readable file.
        FUZZ_CHECK(!isCommand || !CommandLine::commandNames().contains(arguments.at(1)));
        FUZZ_CHECK(!e.text().isEmpty());
    }
    // What the command line took, each command's own parser takes alike,
    // help asked for inside a command aside.
    const QString command = arguments.at(1);
    const QStringList words = arguments.mid(2);
    if (!parsed || words.contains(QStringLiteral("--help")) || words.contains(QStringLiteral("-h")))
        return 0;
    if (command == QLatin1String(SendCommand::Name))
        checkSend(words);
    else if (command == QLatin1String(ReceiveCommand::Name))
        checkReceive(words);
    else if (command == QLatin1String(BackupCommand::Name))
        checkBackup(words);
    return 0;
}
