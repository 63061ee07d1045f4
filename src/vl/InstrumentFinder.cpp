#include "InstrumentFinder.h"

#include "InstrumentRequests.h"
#include "MidiPlatform.h"
#include "RegRoot.h"
#include "TMidiCorvoIn.h"
#include "TMidiCorvoOut.h"
#include "VentaroError.h"

#include <QTemporaryDir>

#include <memory>
#include <vector>

namespace {

// Longest single wait, so that a stop is seen soon.
constexpr int WaitStepMs = 10;
constexpr int SentWaitMs = 1000;

} // namespace

QList<InstrumentFinder::Found> InstrumentFinder::Run(const Wait &wait, const Starting &starting)
{
    QList<Found> found;
    // Ports of their own that remember nothing: the user's choice of
    // devices stays as it is.
    QTemporaryDir scratch;
    const RegRoot settings = RegRoot::iniFile(scratch.filePath(QStringLiteral("search.ini")));
    const QStringList inputs = TMidiCorvoIn(nullptr, &m_platform, settings).DeviceNames();
    const QStringList outputs = TMidiCorvoOut(nullptr, &m_platform, settings).DeviceNames();

    QString asking; // the output device asked last
    std::vector<std::unique_ptr<TMidiCorvoIn>> listening;
    for (const QString &input : inputs) {
        auto port = std::make_unique<TMidiCorvoIn>(nullptr, &m_platform, settings);
        port->setDeviceName(input);
        port->OnSysexReceived = [&found, &asking, input](QObject *, const quint8 *data,
                                                         qint32 len) {
            if (!data || asking.isEmpty())
                return;
            const std::optional<int> device =
                InstrumentRequests::ReadIdentityReply(QByteArrayView(data, len));
            if (!device)
                return;
            for (const Found &known : found)
                if (known.input == input && known.output == asking && known.deviceNumber == *device)
                    return;
            found.append({input, asking, *device});
        };
        try {
            port->Open(true);
            listening.push_back(std::move(port));
        } catch (const VentaroError &) {
            port->OnSysexReceived = nullptr; // cannot listen there: passed over
        }
    }

    const QByteArray request = InstrumentRequests::IdentityRequest();
    for (int i = 0; i < outputs.size(); ++i) {
        if (starting && !starting(i, int(outputs.size()), outputs[i]))
            break;
        TMidiCorvoOut out(nullptr, &m_platform, settings);
        out.setDeviceName(outputs[i]);
        bool asked = false;
        try {
            out.Open();
            asked = out.SendLongMessage(request) == MidiPlatform::NoError
                    && out.WaitSent(SentWaitMs) == MidiPlatform::NoError;
        } catch (const VentaroError &) {
        }
        if (!asked)
            continue;
        asking = outputs[i];
        bool goOn = true;
        for (int waited = 0; goOn && waited < AnswerWaitMs; waited += WaitStepMs)
            goOn = wait(WaitStepMs);
        asking.clear();
        try {
            out.Close();
        } catch (const VentaroError &) {
        }
        if (!goOn)
            break;
    }
    for (const auto &port : listening) {
        try {
            port->Close();
        } catch (const VentaroError &) {
        }
        port->OnSysexReceived = nullptr;
    }
    return found;
}
