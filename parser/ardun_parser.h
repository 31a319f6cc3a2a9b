// The module's one component: to the host a data-acquisition device, behind
// it a listener on a COM port. A host write of the two bytes P, N makes it
// collect one Ardun frame of N payload bytes; a host read collects again and
// hands out the payload it holds.
#pragma once

#include <stdint.h>

#include "common/performance_clock.h"
#include "common/receiver_slots.h"
#include "parser/component_events.h"
#include "parser/packet_collector.h"
#include "plugin/host_interfaces.h"
#include "serial/kv_serial.h"

const size_t ERROR_TEXT_SIZE = 300;

class MVArdunParser final : public IMVDataAcqIO {
public:
    MVArdunParser();
    ~MVArdunParser();

    // IMVPluginComponent, slots 1 to 5 (slot 0 comes with the interface).
    int32_t GetComponentType() override;
    int32_t GetComponentInfo(MVComponentInfo* info) override;
    int32_t ShowConfig(MVConfigRequest* request) override;
    int32_t ComponentReserved(uint32_t a, uint32_t b, uint32_t c) override;
    const char* GetLastErrorText(int32_t* flag) override;

    // IMVDataAcqIO, slots 6 to 14.
    ResultCode GetHardwareInfo(MVHardwareInfo* info) override;
    ResultCode Open(MVOpenParams* params) override;
    ResultCode Close() override;
    ResultCode Write(MVIORequest* request) override;
    ResultCode Read(MVIORequest* request) override;
    ResultCode SetTimeouts(MVTimeouts* timeouts) override;
    ResultCode GetTimeouts(MVTimeouts* timeouts) override;
    ResultCode PurgeOutput() override;
    ResultCode PurgeInput() override;

    // Collects one frame of `wanted` payload bytes from the port into the
    // held packet (see CollectPacket). E_FAIL when the port is closed, which
    // also clears errorFlag. When a read finds the device gone, the port is
    // closed and marked lost; each later request first opens it again (same
    // path, baud rate and time-outs) and, while that fails, ends at once with
    // RESULT_TIMEOUT. Defined in parser/packet_reader.cpp, with the clock it
    // is timed on.
    ResultCode PacketReader(uint32_t wanted, PacketRequester requester);

    // The held payload, for diagnostics and tests.
    uint32_t StoredCount() const { return held.storedCount; }
    const uint8_t* PacketBytes() const { return held.packetBuffer; }
    // What the latest packet request saw of the line, for diagnostics.
    const PacketRequestOutcome& LastRequestOutcome() const { return lastOutcome; }
    // Why the latest Open could not open the port, for a tool's message.
    OpenStep FailedOpenStep() const { return serialPort.FailedOpenStep(); }
    DWORD OpenError() const { return serialPort.OpenError(); }
    // A tap of the component's port gets its steps and every byte the
    // reader takes; a receiver of the component's events gets each of the
    // host's calls. Each attaches and detaches only itself; one that wants
    // both attaches to both. False when every slot is taken. Not owned: a
    // receiver must stay alive while attached.
    bool AttachTap(PortTap* tap) { return serialPort.AttachTap(tap); }
    void DetachTap(const PortTap* tap) { serialPort.DetachTap(tap); }
    bool AttachEvents(ComponentEvents* receiver) { return events.Attach(receiver); }
    void DetachEvents(const ComponentEvents* receiver) { events.Detach(receiver); }

private:
    MVArdunParser(const MVArdunParser&);
    MVArdunParser& operator=(const MVArdunParser&);

    bool ReopenLostPort();
    void CloseForHost();
    // Asks each receiver whether it wants the Write or Read now beginning;
    // its start time when one does, else 0 (the clock is not read).
    uint64_t BeginRequest();
    // Tells the receivers that wanted it of a Write or Read that began at
    // startMicroseconds.
    void ReportRequest(PortRequestKind kind, uint32_t requested, ResultCode result, bool collected,
                       uint64_t startMicroseconds);

    char errorText[ERROR_TEXT_SIZE];
    int32_t errorFlag;
    KVSerial serialPort;
    HeldPacket held;  // packetBuffer and storedCount
    PacketRequestOutcome lastOutcome;
    double timeLimit;  // seconds allowed for one packet request
    // The device went away under the open port; opening it again then takes
    // the host's baud rate, and its time-outs when it set any since its Open.
    bool portLost;
    uint32_t openBaudRate;
    bool hostTimeoutsSet;
    COMMTIMEOUTS hostTimeouts;
    ReceiverSlots<ComponentEvents> events;
    // The running Write or Read is one a receiver wants told; which ones, by
    // slot.
    bool requestObserved;
    bool requestWanted[RECEIVER_SLOTS];
    // Read only for an observed request: its duration, and the input queue
    // and line errors the latest packet request began with.
    PerformanceClock clock;
    uint32_t requestInputQueue;
    uint32_t requestLineErrors;
};

// The component the plug-in object hands to the host, a module-wide static
// object (defined with the module's other static objects, in load order).
extern MVArdunParser TheComponent;
