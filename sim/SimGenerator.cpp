#include "SimGenerator.h"

#include <algorithm>
#include <cstring>

namespace kdx::sim {
namespace {

constexpr uint32_t StatusOk = 0;
constexpr uint32_t StatusIoError = 4;

constexpr uint8_t OpWrite = 0xD2;
constexpr uint8_t OpRead = 0xB4;

constexpr uint8_t CmdStart = 0x01;
constexpr uint8_t CmdStop = 0x02;
constexpr uint8_t CmdForceStop = 0x03;
constexpr uint8_t CmdDataSet = 0x10;
constexpr uint8_t CmdQuery = 0x20;

// Block reply status the generator gives for a request it cannot make sense of.
constexpr uint8_t BlockStatusBadRequest = 1;

uint32_t Le32(const uint8_t* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

void PutLe32(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}

}  // namespace

SimGenerator::SimGenerator(int index, GeneratorConfig cfg, const GeneratorMemory& initial)
    : index(index), config(std::move(cfg)), memory(initial), sampleBytes(size_t{SimMaxSampleCount} * 2) {
    replyQueue.reserve(1024);
    unplugged = config.unplugAfterWrites == 0;
    if (memory.running) {
        playStart = Clock::now();
    }
}

uint32_t SimGenerator::Write(const uint8_t* data, uint32_t length, uint32_t& written) {
    written = 0;
    if (unplugged) {
        return StatusIoError;
    }
    ++writeCalls;
    uint32_t accepted = length;
    for (const CallFault& fault : config.writeFaults) {
        if (fault.at != writeCalls) {
            continue;
        }
        if (fault.status != 0) {
            return fault.status;
        }
        if (fault.bytes >= 0) {
            accepted = uint32_t(std::min<int64_t>(accepted, fault.bytes));
        }
    }
    if (memory.running) {
        UpdatePlayback(Clock::now());
    }
    Consume(data, accepted);
    written = accepted;
    ++writesAccepted;
    if (config.unplugAfterWrites >= 0 && writesAccepted >= config.unplugAfterWrites) {
        unplugged = true;
    }
    return StatusOk;
}

uint32_t SimGenerator::Read(uint8_t* data, uint32_t length, uint32_t& returned) {
    returned = 0;
    if (unplugged) {
        return StatusIoError;
    }
    ++readCalls;
    size_t limit = length;
    for (const CallFault& fault : config.readFaults) {
        if (fault.at != readCalls) {
            continue;
        }
        if (fault.status != 0) {
            return fault.status;
        }
        if (fault.bytes >= 0) {
            limit = std::min<size_t>(limit, size_t(fault.bytes));
        }
    }
    // Like the real bridge after its read time-out: whatever has arrived, with
    // a short count and no error.
    size_t n = std::min(limit, replyQueue.size() - replyRead);
    if (n > 0) {
        std::memcpy(data, replyQueue.data() + replyRead, n);
    }
    replyRead += n;
    if (replyRead == replyQueue.size()) {
        replyQueue.clear();
        replyRead = 0;
    }
    returned = uint32_t(n);
    return StatusOk;
}

void SimGenerator::Purge(uint32_t mask) {
    if (mask & 1u) {  // receive side: replies not yet read are dropped
        replyQueue.clear();
        replyRead = 0;
    }
}

void SimGenerator::Reset() {
    // A port reset also makes the generator drop a half-received request.
    pendingLength = 0;
    dataExpected = 0;
    dataReceived = 0;
    blockDataPending = false;
    replyQueue.clear();
    replyRead = 0;
}

void SimGenerator::Consume(const uint8_t* data, uint32_t length) {
    if (config.sink) {
        // Measures the link alone: every byte lands in sample memory unread.
        uint32_t n = std::min<uint32_t>(length, uint32_t(sampleBytes.size()));
        std::memcpy(sampleBytes.data(), data, n);
        return;
    }
    while (length > 0) {
        if (dataReceived < dataExpected) {
            TakeSampleData(data, length);
            continue;
        }
        // Bytes still missing from the request being assembled: a register
        // frame, a block header, or a data set's header and parameter block.
        uint32_t want = config.registerProtocol ? 6 : 4;
        if (!config.registerProtocol && pendingLength >= 4 && pending[0] == CmdDataSet) {
            want = 4 + SimBlockSize;
        }
        const uint32_t take = std::min(length, want - pendingLength);
        std::memcpy(pending.data() + pendingLength, data, take);
        pendingLength += take;
        data += take;
        length -= take;
        if (pendingLength < want) {
            continue;
        }
        if (config.registerProtocol) {
            ProcessRegisterFrame();
        } else if (want == 4 + SimBlockSize || pending[0] != CmdDataSet) {
            ProcessBlockRequest();
        }
    }
}

void SimGenerator::TakeSampleData(const uint8_t*& data, uint32_t& length) {
    uint64_t take = std::min<uint64_t>(length, dataExpected - dataReceived);
    // Anything beyond the sample memory is received and lost.
    if (dataReceived < sampleBytes.size()) {
        uint64_t store = std::min<uint64_t>(take, sampleBytes.size() - dataReceived);
        std::memcpy(sampleBytes.data() + dataReceived, data, size_t(store));
    }
    dataReceived += take;
    data += take;
    length -= uint32_t(take);
    if (dataReceived == dataExpected) {
        FinishSampleData();
    }
}

void SimGenerator::ProcessRegisterFrame() {
    pendingLength = 0;
    const uint8_t op = pending[0];
    if ((op != OpWrite && op != OpRead) || pending[1] != 0 || pending[5] != uint8_t(~op)) {
        return;  // not a frame of this generator: no reply
    }
    uint8_t reply[6];
    std::memcpy(reply, pending.data(), 6);
    const uint8_t reg = pending[2];
    if (op == OpWrite) {
        WriteRegisterValue(reg, uint16_t(pending[3] | pending[4] << 8));
    } else {
        uint16_t value = 0;
        if (reg == 1) {
            value = StatusRegister();
        } else if (reg < memory.registers.size()) {
            value = memory.registers[reg];
        }
        reply[3] = uint8_t(value);
        reply[4] = uint8_t(value >> 8);
    }
    SendReply(reply, 6, reg, -1, -1);
}

void SimGenerator::WriteRegisterValue(uint8_t reg, uint16_t value) {
    if (reg >= memory.registers.size() || reg == 1) {
        return;  // no such register, or the read-only status
    }
    memory.registers[reg] = value;
    if (reg == 0) {
        switch (value) {
        case 0x01:
            StartPlayback();
            break;
        case 0x02:
        case 0x80:
            StopPlayback();
            break;
        case 0x10:
            StopPlayback();
            transferError = false;
            dataComplete = false;
            dataReceived = 0;
            dataExpected = (uint64_t{memory.registers[3]} << 16 | memory.registers[2]) + 1;
            dataExpected *= 2;
            break;
        default:
            break;
        }
    } else if (reg == 9) {
        if ((value & 1) == 0) {
            StopPlayback();
            memory.dataLoaded = false;
            dataComplete = false;
        } else {
            memory.dataLoaded = dataComplete && !transferError;
        }
    }
}

void SimGenerator::ProcessBlockRequest() {
    pendingLength = 0;
    const uint8_t command = pending[0];
    const bool wellFormed = pending[1] == 0x01 && pending[2] == 0 && pending[3] == 0;
    if (command == CmdDataSet) {
        // Settings take effect once the samples have arrived; until then the
        // reply waits.
        StopPlayback();
        memory.dataLoaded = false;
        blockDataPending = true;
        dataReceived = 0;
        dataExpected = uint64_t{Le32(pending.data() + 4 + 4)} * 2;
        transferError = !wellFormed;
        if (dataExpected == 0) {
            FinishSampleData();
        }
        return;
    }
    uint8_t status = wellFormed ? 0 : BlockStatusBadRequest;
    if (wellFormed) {
        switch (command) {
        case CmdStart:
            StartPlayback();
            break;
        case CmdStop:
        case CmdForceStop:
            StopPlayback();
            break;
        case CmdQuery:
            break;
        default:
            status = BlockStatusBadRequest;
            break;
        }
    }
    uint8_t reply[4 + SimBlockSize];
    reply[0] = command;
    reply[1] = status;
    reply[2] = uint8_t((memory.running ? 1 : 0) | (memory.dataLoaded ? 2 : 0));
    reply[3] = 0;
    FillReplyBlock(reply + 4);
    SendReply(reply, sizeof reply, -1, command, status);
}

void SimGenerator::FinishSampleData() {
    const uint64_t words = dataExpected / 2;
    memory.receivedSamples = uint32_t(std::min<uint64_t>(words, SimMaxSampleCount));
    const bool overflow = words > SimMaxSampleCount || words == 0;
    dataExpected = dataReceived = 0;
    if (config.registerProtocol) {
        dataComplete = true;
        transferError = config.dataError || overflow;
        return;
    }
    if (!blockDataPending) {
        return;
    }
    blockDataPending = false;
    uint8_t status = (transferError || config.dataError || overflow) ? BlockStatusBadRequest : 0;
    // An injected status decides whether the generator took the data at all.
    for (const ReplyFault& fault : config.replyFaults) {
        if (fault.kind == ReplyFault::Kind::Status && (fault.at == 0 || fault.at == replies + 1) &&
            fault.reg < 0 && (fault.command < 0 || fault.command == CmdDataSet)) {
            status = uint8_t(fault.status);
        }
    }
    transferError = false;
    const uint8_t* block = pending.data() + 4;
    if (status == 0) {
        memory.dataId = int32_t(Le32(block + 0));
        memory.sampleCount = Le32(block + 4);
        memory.samplingStep = Le32(block + 8);
        memory.repeatCount = int32_t(Le32(block + 12));
        for (int i = 0; i < 8; ++i) {
            memory.settings[size_t(i)] = block[16 + i];
        }
        memory.settings[8] = block[26];
        memory.dataLoaded = true;
    }
    uint8_t reply[4 + SimBlockSize];
    reply[0] = CmdDataSet;
    reply[1] = status;
    reply[2] = uint8_t((memory.running ? 1 : 0) | (memory.dataLoaded ? 2 : 0));
    reply[3] = 0;
    FillReplyBlock(reply + 4);
    SendReply(reply, sizeof reply, -1, CmdDataSet, status);
}

void SimGenerator::FillReplyBlock(uint8_t* block) const {
    std::memset(block, 0, SimBlockSize);
    PutLe32(block + 0, uint32_t(memory.dataId));
    PutLe32(block + 4, memory.sampleCount);
    PutLe32(block + 8, memory.samplingStep);
    PutLe32(block + 12, uint32_t(memory.repeatCount));
    for (int i = 0; i < 8; ++i) {
        block[16 + i] = memory.settings[size_t(i)];
    }
    block[24] = config.version;
    block[26] = memory.settings[8];
}

void SimGenerator::SendReply(uint8_t* reply, uint32_t length, int reg, int command, int statusByte) {
    ++replies;
    for (const ReplyFault& fault : config.replyFaults) {
        const bool matches = (fault.at == 0 || fault.at == replies) && (fault.reg < 0 || fault.reg == reg) &&
                             (fault.command < 0 || fault.command == command);
        if (!matches) {
            continue;
        }
        switch (fault.kind) {
        case ReplyFault::Kind::WrongEcho:
            if (fault.byte >= 0 && uint32_t(fault.byte) < length) {
                reply[fault.byte] = uint8_t(~reply[fault.byte]);
            }
            break;
        case ReplyFault::Kind::Short:
            length = std::min(length, fault.bytes);
            break;
        case ReplyFault::Kind::Status:
            // Data sets have decided their status already (it governs whether
            // the data were taken); other block replies take it here.
            if (statusByte >= 0 && command != CmdDataSet && length > 1) {
                reply[1] = uint8_t(fault.status);
            }
            break;
        }
    }
    replyQueue.insert(replyQueue.end(), reply, reply + length);
}

void SimGenerator::StartPlayback() {
    if (memory.dataLoaded) {
        memory.running = true;
        playStart = Clock::now();
    }
}

void SimGenerator::StopPlayback() {
    memory.running = false;
}

uint32_t SimGenerator::PlaySampleCount() const {
    if (config.registerProtocol) {
        return (uint32_t{memory.registers[3]} << 16 | memory.registers[2]) + 1;
    }
    return memory.sampleCount;
}

uint32_t SimGenerator::PlayStep() const {
    if (config.registerProtocol) {
        return (uint32_t{memory.registers[5]} << 16 | memory.registers[4]) + 1;
    }
    return memory.samplingStep;
}

int64_t SimGenerator::PlayRepeat() const {
    if (config.registerProtocol) {
        return int64_t{memory.registers[6]} + 1;
    }
    return std::max<int64_t>(memory.repeatCount, 1);
}

bool SimGenerator::RepeatMode() const {
    if (config.registerProtocol) {
        return (memory.registers[7] >> 2 & 1) != 0;
    }
    return memory.settings[1] == 1;
}

void SimGenerator::UpdatePlayback(Clock::time_point now) {
    if (!memory.running || !RepeatMode()) {
        return;
    }
    // Total play time in ns; kept in floating point because a block generator
    // accepts repeat counts whose product would overflow 64 bits.
    const double total = double(PlayRepeat()) * double(PlaySampleCount()) * double(PlayStep()) * 20.0;
    const double elapsed = double(std::chrono::duration_cast<std::chrono::nanoseconds>(now - playStart).count());
    if (elapsed >= total) {
        memory.running = false;
    }
}

void SimGenerator::Restore(const GeneratorMemory& held, int64_t playStartNs, bool errorFlag) {
    memory = held;
    playStart = Clock::time_point(Clock::duration(playStartNs));
    transferError = errorFlag;
    dataComplete = memory.dataLoaded;
}

uint16_t SimGenerator::StatusRegister() const {
    return uint16_t((memory.running ? 0x01 : 0) | (transferError ? 0x10 : 0) | (memory.dataLoaded ? 0x20 : 0) |
                    config.version << 8);
}

}  // namespace kdx::sim
