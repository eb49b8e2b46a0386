// One simulated VELX-9 as it looks from the USB side: its bridge identity
// (description, serial, EEPROM user area), the generator's side of both
// protocol generations, its playback, and the faults a test can make it show.
// Bytes written by the host are processed as they arrive; replies wait in an
// output queue until the host reads them.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace kdx::sim {

using Clock = std::chrono::steady_clock;

inline constexpr uint32_t SimMaxSampleCount = 262144;
inline constexpr uint32_t SimUserAreaSize = 50;
inline constexpr uint32_t SimBlockSize = 256;

// A fault that changes the reply to one or more requests. A request matches
// when every criterion given matches: its reply number (1-based, counted from
// configuration), its register (register protocol) or its command (block).
struct ReplyFault {
    enum class Kind { WrongEcho, Short, Status };
    Kind kind = Kind::WrongEcho;
    int64_t at = 0;      // 0: any reply
    int reg = -1;        // -1: any register
    int command = -1;    // -1: any command
    int byte = 0;        // WrongEcho: which reply byte is changed
    uint32_t bytes = 0;  // Short: how many reply bytes are sent at all
    int status = 2;      // Status: block reply status byte
};

// A fault on one host call: the Nth FT_Write or FT_Read (1-based) returns a
// library status, or moves fewer bytes than asked.
struct CallFault {
    int64_t at = 0;
    uint32_t status = 0;  // non-zero: the call fails with it
    int64_t bytes = -1;   // >= 0: the call moves this many bytes at most
};

struct GeneratorConfig {
    std::string description = "VELX-9  ";
    std::string usbSerial;
    bool registerProtocol = true;
    uint8_t version = 1;
    std::array<uint8_t, SimUserAreaSize> userArea{};
    uint32_t userAreaLength = SimUserAreaSize;  // bytes the EEPROM read delivers at most
    bool sink = false;                          // takes every byte in as raw data, answers nothing

    uint32_t openStatus = 0;
    uint32_t resetStatus = 0;
    uint32_t purgeStatus = 0;
    uint32_t timeoutsStatus = 0;
    uint32_t userAreaStatus = 0;
    uint32_t listDescriptionStatus = 0;
    uint32_t listSerialStatus = 0;
    bool dataError = false;           // the transfer-error flag rises after sample data
    int64_t unplugAfterWrites = -1;   // gone after this many accepted FT_Write calls
    std::vector<ReplyFault> replyFaults;
    std::vector<CallFault> writeFaults;
    std::vector<CallFault> readFaults;
};

// What the generator holds and does; settable by configuration so that a
// test can start from a running or loaded generator.
struct GeneratorMemory {
    bool running = false;
    bool dataLoaded = false;
    std::array<uint16_t, 10> registers{};  // register protocol values as last written
    // Block protocol view of the waveform and settings.
    int32_t dataId = 0;
    uint32_t sampleCount = 0;
    uint32_t samplingStep = 0;
    int32_t repeatCount = 1;
    std::array<uint8_t, 9> settings{};  // control, mode, idle a/d, trig mode/pol, sync pol/width, retrigger
    uint32_t receivedSamples = 0;       // words of the last sample stream
};

class SimGenerator {
public:
    SimGenerator(int index, GeneratorConfig config, const GeneratorMemory& memory);

    int Index() const { return index; }
    const GeneratorConfig& Config() const { return config; }
    const GeneratorMemory& Memory() const { return memory; }
    bool Unplugged() const { return unplugged; }
    bool IsOpen() const { return open; }
    void SetOpen(bool value) { open = value; }

    // Host side of the bridge. Each returns a D2XX status.
    uint32_t Write(const uint8_t* data, uint32_t length, uint32_t& written);
    uint32_t Read(uint8_t* data, uint32_t length, uint32_t& returned);
    void Purge(uint32_t mask);
    void Reset();

    // Received sample words of the last complete stream (low byte first).
    const uint8_t* SampleBytes() const { return sampleBytes.data(); }
    // Playback ends by itself in repeat mode; called before the state is shown.
    void UpdatePlayback(Clock::time_point now);
    uint16_t StatusRegister() const;

    // What a later process finds when it opens the same generator: the held
    // state and when playback started (steady clock, shared by processes).
    int64_t PlayStartNs() const { return playStart.time_since_epoch().count(); }
    bool TransferErrorFlag() const { return transferError; }
    void Restore(const GeneratorMemory& held, int64_t playStartNs, bool errorFlag);

private:
    void Consume(const uint8_t* data, uint32_t length);
    void TakeSampleData(const uint8_t*& data, uint32_t& length);
    void ProcessRegisterFrame();
    void ProcessBlockRequest();
    void FinishSampleData();
    void WriteRegisterValue(uint8_t reg, uint16_t value);
    void StartPlayback();
    void StopPlayback();
    void FillReplyBlock(uint8_t* block) const;
    // Queues a reply after applying the faults that match this request.
    void SendReply(uint8_t* reply, uint32_t length, int reg, int command, int statusByte);

    // Register-protocol view of the waveform settings.
    uint32_t PlaySampleCount() const;
    uint32_t PlayStep() const;
    int64_t PlayRepeat() const;
    bool RepeatMode() const;

    int index;
    GeneratorConfig config;
    GeneratorMemory memory;
    bool open = false;
    bool unplugged = false;
    int64_t writesAccepted = 0;
    int64_t writeCalls = 0;
    int64_t readCalls = 0;
    int64_t replies = 0;

    // Request being assembled (a register frame, or a block header and its parameter block).
    std::array<uint8_t, 4 + SimBlockSize> pending{};
    uint32_t pendingLength = 0;
    // Raw sample data still expected after a data command.
    uint64_t dataExpected = 0;
    uint64_t dataReceived = 0;
    bool dataComplete = false;  // a whole stream arrived since data-ready was cleared
    bool transferError = false;
    bool blockDataPending = false;  // a block data set waits for its samples before replying

    std::vector<uint8_t> sampleBytes;  // 2 * SimMaxSampleCount, allocated once
    std::vector<uint8_t> replyQueue;
    size_t replyRead = 0;
    Clock::time_point playStart{};
};

}  // namespace kdx::sim
