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

QList<InstrumentFinder::Found> InstrumentFinder::run(const Wait &wait, const Starting &starting)
{
    // Ports of their own that remember nothing: the user's choice of
    // devices stays as it is.
    QTemporaryDir scratch;
    const RegRoot settings = RegRoot::iniFile(scratch.filePath(QStringLiteral("search.ini")));
    const QStringList inputs = TMidiCorvoIn(nullptr, &m_platform, settings).DeviceNames();
    const QStringList outputs = TMidiCorvoOut(nullptr, &m_platform, settings).DeviceNames();

    // A reply belongs to the output asked while it is heard; one heard
    // between two questions belongs to none.
    QString asking;
    QList<Found> heard;
    std::vector<std::unique_ptr<TMidiCorvoIn>> listening;
    for (const QString &input : inputs) {
        auto port = std::make_unique<TMidiCorvoIn>(nullptr, &m_platform, settings);
        port->setDeviceName(input);
        port->OnSysexReceived = [&heard, &asking, input](QObject *, const quint8 *data,
                                                         qint32 len) {
            if (!data || asking.isEmpty())
                return;
            const std::optional<int> device =
                InstrumentRequests::readIdentityReply(QByteArrayView(data, len));
            if (device && !heard.contains(Found{input, asking, *device}))
                heard.append({input, asking, *device});
        };
        try {
            port->Open(true);
            listening.push_back(std::move(port));
        } catch (const VentaroError &) {
            port->OnSysexReceived = nullptr; // cannot listen there: passed over
        }
    }

    const QByteArray request = InstrumentRequests::identityRequest();
    // Asks `output` and listens for the answer time; false when stopped.
    const auto ask = [&](const QString &output) {
        // What came since the last answer time is handed over first, and
        // heard by no one.
        if (!wait(0))
            return false;
        TMidiCorvoOut out(nullptr, &m_platform, settings);
        out.setDeviceName(output);
        bool asked = false;
        bool goOn = true;
        asking = output;
        try {
            out.Open();
            asked = out.SendLongMessage(request) == MidiPlatform::NoError
                    && out.waitSent(SentWaitMs) == MidiPlatform::NoError;
        } catch (const VentaroError &) {
        }
        if (asked) {
            for (int waited = 0; goOn && waited < AnswerWaitMs; waited += WaitStepMs)
                goOn = wait(WaitStepMs);
        }
        asking.clear();
        try {
            out.Close();
        } catch (const VentaroError &) {
        }
        return goOn;
    };

    bool goOn = true;
    for (int i = 0; goOn && i < outputs.size(); ++i) {
        if (starting && !starting(i, int(outputs.size()), outputs[i]))
            goOn = false;
        else
            goOn = ask(outputs[i]);
    }
    // A slow instrument's late reply may have been heard under the next
    // output. Each output that was answered is asked again once the line
    // has been quiet for an answer time, and only what answers it again is
    // kept.
    const QList<Found> candidates = heard;
    QStringList answered;
    for (const Found &candidate : candidates)
        if (!answered.contains(candidate.output))
            answered << candidate.output;
    QList<Found> found;
    for (const QString &output : answered) {
        for (int waited = 0; goOn && waited < AnswerWaitMs; waited += WaitStepMs)
            goOn = wait(WaitStepMs);
        heard.clear();
        if (!goOn || !ask(output))
            break;
        for (const Found &candidate : candidates)
            if (candidate.output == output && heard.contains(candidate))
                found.append(candidate);
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
