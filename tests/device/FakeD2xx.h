// An in-process stand-in for the D2XX library, installed with
// InstallDeviceApi: a bus of devices to enumerate, scripted open failures,
// and one generator answering both protocol generations, with faults on a
// chosen write or read call and a log of every call and every byte written.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "device/D2xx.h"

namespace kdx::test {

struct FakeDevice {
    std::string description;
    std::string serial;
    bool descriptionFails = false;
    bool serialFails = false;
};

struct FakeBus {
    d2xx::FT_STATUS numberStatus = d2xx::FT_OK;
    std::vector<FakeDevice> devices;

    d2xx::FT_STATUS openStatus = d2xx::FT_OK;
    d2xx::FT_STATUS resetStatus = d2xx::FT_OK;
    d2xx::FT_STATUS purgeStatus = d2xx::FT_OK;
    d2xx::FT_STATUS timeoutsStatus = d2xx::FT_OK;
    std::vector<std::string> calls;  // "OpenEx 1 QZ10011234", "Reset", "Purge 3", "Close", "Write 6", ...

    std::vector<uint8_t> userArea = std::vector<uint8_t>(50);
    d2xx::FT_STATUS userAreaStatus = d2xx::FT_OK;

    // The generator.
    bool registerProtocol = true;
    std::array<uint16_t, 16> registers{};
    uint8_t blockStatus = 0;
    int blockCommandOverride = -1;  // >= 0: reply header byte 0
    uint8_t blockState = 0;         // reply header byte 2
    std::array<uint8_t, 256> replyBlock{};

    // Faults: the Nth write or read call (0-based) fails with a status, or
    // moves one byte less than asked; a reply byte can be changed.
    int failWrite = -1;
    int failRead = -1;
    d2xx::FT_STATUS failStatus = d2xx::FT_IO_ERROR;
    bool failShort = false;
    int corruptRead = -1;
    int corruptByte = 0;

    std::vector<std::vector<uint8_t>> writes;  // every write call's bytes, failed ones included
    std::deque<uint8_t> pending;               // reply bytes waiting to be read
    int writeCalls = 0;
    int readCalls = 0;
    int payloadWritesLeft = 0;  // block data set: parameter block and sample data follow the header
};

FakeBus& Bus();
// Resets the bus to an empty, well-behaved state and installs the fake table.
void InstallFakeD2xx();

// A 50-byte user area with a valid checksum.
std::vector<uint8_t> MakeUserArea(bool registerProtocol, const std::string& serialText, uint16_t code1,
                                  uint16_t code2, int32_t volt1, int32_t volt2);

}  // namespace kdx::test
