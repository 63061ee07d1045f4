#pragma once

#include "RtMidiPlatform.h"
#include "WorkQueue.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

class RtMidiIn;
class RtMidiOut;
class MidiStreamParser;
class RtMidiJackWatch;
class Sleeper;
class SimulatedVl70m;

// Puts a simulated instrument on two virtual MIDI ports: "<name> IN:MIDI"
// (what programs send to) and "<name> OUT:MIDI" (what the instrument
// sends). Each lives on a client of its own, as RtMidi opens one client per
// port, and JACK would rename a second client of the same name.
//
// Received messages are parsed whole and handed, in order, to a worker
// thread that gives them to the simulator and reports one line per message:
// what arrived and what the instrument did with it, followed by one line per
// message it sent in answer. Nothing is ever sent from RtMidi's input
// thread.
class SimulatorHost
{
public:
    using LineSink = std::function<void(const QString &line)>;

    static constexpr const char *InputClientSuffix = " IN";
    static constexpr const char *OutputClientSuffix = " OUT";
    static constexpr const char *PortName = "MIDI";
    // Bytes of a message shown before the rest is left out.
    static constexpr int ShownBytes = 12;
    // How long a send waits for a JACK server that takes nothing.
    static constexpr int SendWaitMs = 1000;

    // The simulator, clock and sink are not owned and must outlive the host.
    SimulatorHost(SimulatedVl70m &simulator, Sleeper &clock, LineSink sink);
    ~SimulatorHost();

    SimulatorHost(const SimulatorHost &) = delete;
    SimulatorHost &operator=(const SimulatorHost &) = delete;

    // Opens both virtual ports. Throws VentaroError with a readable text.
    void open(RtMidiPlatform::Backend backend, const QString &clientName);
    // Stops taking input, lets the worker finish and closes the ports.
    void close();
    // False once the JACK server the ports live on has ended.
    bool serverAlive() const;

    // The device name other programs list for the port, e.g. "VL70-m IN:MIDI".
    static QString deviceName(const QString &clientName, bool input);
    // A message in words, e.g. "note on, channel 1, note 60, velocity 100".
    static QString describe(const QByteArray &message);

private:
    static void onInput(double timeStamp, std::vector<unsigned char> *message, void *self);
    void handle(const QByteArray &message);
    void send(const QByteArray &message);
    QString stamp() const;

    SimulatedVl70m &m_simulator;
    Sleeper &m_clock;
    LineSink m_sink;
    qint64 m_startNs = 0;

    std::unique_ptr<MidiStreamParser> m_parser; // input thread only
    std::unique_ptr<RtMidiJackWatch> m_watch;
    std::unique_ptr<RtMidiOut> m_out; // worker thread only, once open
    std::unique_ptr<RtMidiIn> m_in;

    std::vector<QString> m_sent; // answers of the message being handled (worker only)
    // Last, so that it ends before the members its thread uses.
    WorkQueue<QByteArray> m_work{[this](QByteArray &message) { handle(message); }};
};
