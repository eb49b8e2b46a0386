#include "FakeD2xx.h"

#include <algorithm>
#include <cstring>

#include "device/DeviceLink.h"

namespace kdx::test {
namespace {

using namespace d2xx;

int TheHandle;  // the one open handle's address

FT_STATUS ListDevices(void* arg1, void* arg2, DWORD flags) {
    FakeBus& bus = Bus();
    if (flags == FT_LIST_NUMBER_ONLY) {
        if (bus.numberStatus == FT_OK) {
            *static_cast<DWORD*>(arg1) = static_cast<DWORD>(bus.devices.size());
        }
        return bus.numberStatus;
    }
    const size_t index = reinterpret_cast<uintptr_t>(arg1);
    if (index >= bus.devices.size()) {
        return FT_DEVICE_NOT_FOUND;
    }
    const FakeDevice& device = bus.devices[index];
    if (flags == (FT_LIST_BY_INDEX | FT_OPEN_BY_DESCRIPTION) && !device.descriptionFails) {
        std::strcpy(static_cast<char*>(arg2), device.description.c_str());
        return FT_OK;
    }
    if (flags == (FT_LIST_BY_INDEX | FT_OPEN_BY_SERIAL_NUMBER) && !device.serialFails) {
        std::strcpy(static_cast<char*>(arg2), device.serial.c_str());
        return FT_OK;
    }
    return flags == (FT_LIST_BY_INDEX | FT_OPEN_BY_DESCRIPTION) || flags == (FT_LIST_BY_INDEX | FT_OPEN_BY_SERIAL_NUMBER)
               ? FT_OTHER_ERROR
               : FT_INVALID_PARAMETER;
}

FT_STATUS Open(int, FT_HANDLE*) {
    return FT_NOT_SUPPORTED;
}

FT_STATUS OpenEx(void* arg1, DWORD flags, FT_HANDLE* handle) {
    FakeBus& bus = Bus();
    bus.calls.push_back("OpenEx " + std::to_string(flags) + " " + static_cast<const char*>(arg1));
    if (bus.openStatus == FT_OK) {
        *handle = &TheHandle;
    }
    return bus.openStatus;
}

FT_STATUS Close(FT_HANDLE) {
    Bus().calls.push_back("Close");
    return FT_OK;
}

FT_STATUS ResetDevice(FT_HANDLE) {
    Bus().calls.push_back("Reset");
    return Bus().resetStatus;
}

FT_STATUS Purge(FT_HANDLE, ULONG mask) {
    Bus().calls.push_back("Purge " + std::to_string(mask));
    return Bus().purgeStatus;
}

FT_STATUS SetTimeouts(FT_HANDLE, ULONG readMs, ULONG writeMs) {
    Bus().calls.push_back("Timeouts " + std::to_string(readMs) + " " + std::to_string(writeMs));
    return Bus().timeoutsStatus;
}

// The generator's side of a complete write.
void Receive(FakeBus& bus, const std::vector<uint8_t>& bytes) {
    if (bus.registerProtocol) {
        if (bytes.size() == 6 && (bytes[0] == 0xD2 || bytes[0] == 0xB4)) {
            std::vector<uint8_t> reply = bytes;
            const uint8_t reg = bytes[2] & 0x0F;
            if (bytes[0] == 0xD2) {
                bus.registers[reg] = static_cast<uint16_t>(bytes[3] | (bytes[4] << 8));
            } else {
                reply[3] = static_cast<uint8_t>(bus.registers[reg]);
                reply[4] = static_cast<uint8_t>(bus.registers[reg] >> 8);
            }
            bus.pending.insert(bus.pending.end(), reply.begin(), reply.end());
        }
        return;  // sample data: no reply of its own
    }
    if (bus.payloadWritesLeft > 0) {
        --bus.payloadWritesLeft;
        return;
    }
    const uint8_t command = bytes[0];
    if (command == 0x10) {
        bus.payloadWritesLeft = 2;
    }
    const uint8_t replyCommand = bus.blockCommandOverride >= 0 ? static_cast<uint8_t>(bus.blockCommandOverride) : command;
    const uint8_t header[4] = {replyCommand, bus.blockStatus, bus.blockState, 0};
    bus.pending.insert(bus.pending.end(), header, header + 4);
    bus.pending.insert(bus.pending.end(), bus.replyBlock.begin(), bus.replyBlock.end());
}

FT_STATUS Write(FT_HANDLE, void* buffer, DWORD length, DWORD* written) {
    FakeBus& bus = Bus();
    bus.calls.push_back("Write " + std::to_string(length));
    const int call = bus.writeCalls++;
    const auto* bytes = static_cast<const uint8_t*>(buffer);
    bus.writes.emplace_back(bytes, bytes + length);
    *written = 0;
    if (call == bus.failWrite) {
        if (!bus.failShort) {
            return bus.failStatus;
        }
        *written = length - 1;
        return FT_OK;
    }
    Receive(bus, bus.writes.back());
    *written = length;
    return FT_OK;
}

FT_STATUS Read(FT_HANDLE, void* buffer, DWORD length, DWORD* read) {
    FakeBus& bus = Bus();
    bus.calls.push_back("Read " + std::to_string(length));
    const int call = bus.readCalls++;
    *read = 0;
    if (call == bus.failRead && !bus.failShort) {
        return bus.failStatus;
    }
    DWORD count = std::min<DWORD>(length, static_cast<DWORD>(bus.pending.size()));
    if (call == bus.failRead) {
        count = std::min<DWORD>(count, length - 1);
    }
    auto* out = static_cast<uint8_t*>(buffer);
    std::copy_n(bus.pending.begin(), count, out);
    bus.pending.erase(bus.pending.begin(), bus.pending.begin() + count);
    if (call == bus.corruptRead && static_cast<DWORD>(bus.corruptByte) < count) {
        out[bus.corruptByte] ^= 0xFF;
    }
    *read = count;
    return FT_OK;
}

FT_STATUS ReadEE(FT_HANDLE, DWORD, WORD*) {
    return FT_NOT_SUPPORTED;
}
FT_STATUS EeProgram(FT_HANDLE, void*) {
    return FT_NOT_SUPPORTED;
}
FT_STATUS EeRead(FT_HANDLE, void*) {
    return FT_NOT_SUPPORTED;
}
FT_STATUS EeUASize(FT_HANDLE, DWORD*) {
    return FT_NOT_SUPPORTED;
}
FT_STATUS EeUAWrite(FT_HANDLE, UCHAR*, DWORD) {
    return FT_NOT_SUPPORTED;
}

FT_STATUS EeUARead(FT_HANDLE, UCHAR* data, DWORD length, DWORD* read) {
    FakeBus& bus = Bus();
    bus.calls.push_back("UARead " + std::to_string(length));
    *read = 0;
    if (bus.userAreaStatus != FT_OK) {
        return bus.userAreaStatus;
    }
    const DWORD count = std::min<DWORD>(length, static_cast<DWORD>(bus.userArea.size()));
    std::copy_n(bus.userArea.begin(), count, data);
    *read = count;
    return FT_OK;
}

}  // namespace

FakeBus& Bus() {
    static FakeBus bus;
    return bus;
}

void InstallFakeD2xx() {
    Bus() = FakeBus{};
    InstallDeviceApi({ListDevices, Open, OpenEx, Close, ResetDevice, Purge, SetTimeouts, Write, Read, ReadEE, EeProgram,
                      EeRead, EeUASize, EeUAWrite, EeUARead});
}

std::vector<uint8_t> MakeUserArea(bool registerProtocol, const std::string& serialText, uint16_t code1,
                                  uint16_t code2, int32_t volt1, int32_t volt2) {
    std::vector<uint8_t> area(50);
    area[19] = registerProtocol ? 1 : 0;
    std::memcpy(area.data() + 20, serialText.data(), std::min<size_t>(serialText.size(), 16));
    auto put16 = [&](int at, uint16_t v) {
        area[at] = static_cast<uint8_t>(v);
        area[at + 1] = static_cast<uint8_t>(v >> 8);
    };
    auto put32 = [&](int at, int32_t v) {
        put16(at, static_cast<uint16_t>(static_cast<uint32_t>(v)));
        put16(at + 2, static_cast<uint16_t>(static_cast<uint32_t>(v) >> 16));
    };
    put16(36, code1);
    put16(38, code2);
    put32(40, volt1);
    put32(44, volt2);
    uint16_t sum = 0;
    for (int at = 0; at < 48; at += 2) {
        sum = static_cast<uint16_t>(sum + (area[at] | (area[at + 1] << 8)));
    }
    put16(48, sum);
    return area;
}

}  // namespace kdx::test
