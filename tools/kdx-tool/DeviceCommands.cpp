#include "DeviceCommands.h"

#include "FileCommands.h"

#include <CLI/CLI.hpp>
#include <array>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "device/DeviceLink.h"
#include "device/DeviceProtocol.h"
#include "device/OutputRules.h"
#include "document/KDXDoc.h"
#include "document/WaveformFile.h"

namespace kdx::tool {
namespace {

using nlohmann::ordered_json;

// The device list's room for serial numbers, as the selection dialog gives.
constexpr int ListRoom = 127;

constexpr const char* MsgListFailed = "The generators could not be listed.";

std::string Dump(const ordered_json& j) {
    return j.dump(2, ' ', false, ordered_json::error_handler_t::replace);
}

// The panel's message without its trailing line breaks, then why.
int Fail(std::string_view message, const std::string& reason) {
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) message.remove_suffix(1);
    std::cerr << message << '\n' << reason << '\n';
    return 1;
}

int Fail(std::string_view message, LinkStatus status) { return Fail(message, DescribeLinkStatus(status)); }

bool LibraryReady() {
    if (LoadDeviceLibrary()) return true;
    std::cerr << DescribeLibraryLoadError(LastLibraryLoadError()) << '\n'
              << "No generator can be reached: install the vendor's libftd2xx.so or name a D2XX library in "
                 "KDX_D2XX_LIBRARY.\n";
    return false;
}

ordered_json SettingsJson(const OutputSettings& s) {
    ordered_json j;
    for (int i = 0; i < 8; ++i) j[OutputByteFieldNames[i]] = OutputByteField(s, i);
    j["repeatCount"] = s.repeatCount;
    j["retrigger"] = s.retrigger;
    return j;
}

// The USB serials of the generators attached, as the device list finds them.
LinkStatus ListSerials(std::vector<std::string>& out) {
    std::vector<std::array<char, SerialBufferSize>> serials(ListRoom);
    std::vector<char*> buffers;
    for (auto& s : serials) buffers.push_back(s.data());
    buffers.push_back(nullptr);
    int count = 0;
    const LinkStatus status = ListGenerators(buffers.data(), count);
    out.clear();
    for (int i = 0; i < count && status == LINK_OK; ++i) out.emplace_back(serials[size_t(i)].data());
    return status;
}

// An open generator and the protocol its user area names; closed on scope exit.
class OpenedGenerator {
public:
    ~OpenedGenerator() {
        if (open) CloseGenerator(handle);
    }

    // The converted serial, or without one the first generator `devices`
    // lists (so that a device it leaves out is never taken for the first);
    // then the user area for the protocol.
    LinkStatus Open(const std::string& userSerial) {
        std::string usbSerial = UsbSerialFromUserSerial(userSerial);
        if (usbSerial.empty()) {
            std::vector<std::string> listed;
            if (LinkStatus status = ListSerials(listed); status != LINK_OK) return status;
            if (listed.empty()) return static_cast<LinkStatus>(d2xx::FT_DEVICE_NOT_FOUND);
            usbSerial = listed.front();
        }
        LinkStatus status = OpenGenerator(usbSerial.c_str(), handle);
        if (status != LINK_OK) return status;
        open = true;
        status = ReadUserArea(handle, area.data());
        if (status == LINK_OK) useRegisterProtocol = DecodeUserArea(area.data()).useRegisterProtocol;
        return status;
    }

    DeviceHandle handle = nullptr;
    bool open = false;
    bool useRegisterProtocol = true;
    std::array<uint8_t, UserAreaSize> area{};
};

int RunDevices() {
    if (!LibraryReady()) return 1;
    std::vector<std::string> serials;
    if (LinkStatus status = ListSerials(serials); status != LINK_OK) return Fail(MsgListFailed, status);
    ordered_json list = ordered_json::array();
    for (const std::string& usbSerial : serials) {
        ordered_json entry;
        entry["usb_serial"] = usbSerial;
        DeviceHandle handle = nullptr;
        LinkStatus status = OpenGenerator(usbSerial.c_str(), handle);
        if (status != LINK_OK) {
            entry["error"] = status;
            list.push_back(entry);
            continue;
        }
        std::array<uint8_t, UserAreaSize> area{};
        DeviceStatus device;
        status = ReadUserArea(handle, area.data());
        const UserArea decoded = DecodeUserArea(area.data());
        if (status == LINK_OK) status = ReadDeviceStatus(handle, decoded.useRegisterProtocol, device);
        CloseGenerator(handle);
        if (status != LINK_OK) {
            entry["error"] = status;
            list.push_back(entry);
            continue;
        }
        entry["user_serial"] = UserSerialNumber(decoded);
        entry["protocol"] = decoded.useRegisterProtocol ? "register" : "block";
        entry["version"] = device.version;
        entry["running"] = device.running;
        entry["data_loaded"] = device.dataLoaded;
        Calibration calibration;
        if (LinkStatus c = CalibrationFromUserArea(area.data(), calibration); c == LINK_OK) {
            entry["calibration"] = {{"slope", calibration.slope}, {"intercept", calibration.intercept}};
        } else {
            // Such a generator can be watched but not written to.
            entry["calibration"] = nullptr;
            entry["calibration_error"] = c;
        }
        list.push_back(entry);
    }
    std::cout << Dump(list) << '\n';
    return 0;
}

// The document as the editor would hold it after Open: the sync-pulse rule
// applied to the settings, and a fresh data identity for a file of another
// format version. Null after the file's failure was printed.
std::unique_ptr<CKDXDoc> OpenDocument(const std::string& path) {
    std::unique_ptr<LoadedFile> file;
    try {
        file = ReadOrFail(path);
    } catch (const CommandFailure& failure) {
        std::cerr << failure.what() << '\n';
        return nullptr;
    }
    auto doc = std::make_unique<CKDXDoc>();
    doc->LoadFromFile(file->header, ArraysOf(std::as_const(file->buffers)), file->params,
                      file->header.formatVersion == FileFormatVersion);
    return doc;
}

std::string Join(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& n : names) text += (text.empty() ? "" : ", ") + n;
    return text;
}

// After a transfer the generator must hold what was sent: data, and the
// settings (both protocols) with the identity, count and step (block protocol).
LinkStatus CheckHeld(const OpenedGenerator& generator, const CKDXDoc& doc, std::string& problem) {
    DeviceStatus state;
    OutputSettings held;
    DeviceWaveformInfo heldWaveform;
    LinkStatus status = ReadDeviceStatus(generator.handle, generator.useRegisterProtocol, state);
    if (status == LINK_OK)
        status = ReadDeviceSettings(generator.handle, generator.useRegisterProtocol, held, &heldWaveform);
    if (status != LINK_OK) {
        problem = "the generator could not be read back: " + DescribeLinkStatus(status);
        return status;
    }
    if (!state.dataLoaded) {
        problem = "the generator holds no waveform after the transfer";
        return LINK_TRANSFER_ERROR;
    }
    const DeviceWaveformInfo sent = WaveformInfoOf(doc);
    const bool block = !generator.useRegisterProtocol;
    const std::vector<std::string> fields =
        HeldDifferences(doc.GetOutputSettings(), held, block ? &sent : nullptr, block ? &heldWaveform : nullptr);
    if (fields.empty()) return LINK_OK;
    problem = "the generator holds other values than were sent: " + Join(fields);
    return LINK_TRANSFER_ERROR;
}

int RunSend(const std::string& path, const std::string& serial) {
    const std::unique_ptr<CKDXDoc> doc = OpenDocument(path);
    if (!doc) return 1;
    const OutputSettings& settings = doc->GetOutputSettings();
    // No code stands for a value that is not a number: nothing is sent.
    if (const uint32_t bad = FirstNotANumber(std::as_const(*doc).GetSampleArrays(), doc->GetSampleCount());
        bad < doc->GetSampleCount()) {
        std::cerr << NotANumberMessage(bad, doc->GetSamplingTime()) << '\n' << path << '\n';
        return 1;
    }
    if (!RepeatCountAcceptable(settings)) {
        std::cerr << MsgRepeatCountInvalid << '\n';
        return 1;
    }
    if (!LibraryReady()) return 1;
    OpenedGenerator generator;
    LinkStatus status = generator.Open(serial);
    Calibration calibration;
    if (status == LINK_OK) status = ReadCalibration(generator.handle, calibration);
    if (status == LINK_OK) {
        const uint32_t count = doc->GetSampleCount();
        std::vector<uint8_t> words(SampleWordBufferSize);
        BuildSampleWords(calibration, generator.useRegisterProtocol, std::as_const(*doc).GetSampleArrays(), count,
                         words.data());
        status = WriteWaveform(generator.handle, generator.useRegisterProtocol, settings, count,
                               doc->GetSamplingStep(), doc->GetDataId(), calibration, words.data());
    }
    if (status != LINK_OK) return Fail(MsgDataSetFailed, status);
    std::string problem;
    if (CheckHeld(generator, *doc, problem) != LINK_OK) return Fail(MsgDataSetFailed, problem);
    return 0;
}

enum class Command { Start, Stop, ForceStop };

int RunCommand(Command command, const std::string& serial) {
    if (!LibraryReady()) return 1;
    const char* failure = command == Command::Start  ? MsgStartFailed
                          : command == Command::Stop ? MsgStopFailed
                                                     : MsgForceStopFailed;
    OpenedGenerator generator;
    LinkStatus status = generator.Open(serial);
    if (status == LINK_OK && command == Command::Start) {
        // A generator without a waveform would take the start and play nothing.
        DeviceStatus state;
        status = ReadDeviceStatus(generator.handle, generator.useRegisterProtocol, state);
        if (status == LINK_OK && !state.dataLoaded)
            return Fail(failure, "the generator holds no waveform: no waveform is loaded (send one first)");
    }
    if (status == LINK_OK) {
        switch (command) {
        case Command::Start:
            status = StartOutput(generator.handle, generator.useRegisterProtocol);
            break;
        case Command::Stop:
            status = StopOutput(generator.handle, generator.useRegisterProtocol);
            break;
        case Command::ForceStop:
            status = ForceStopOutput(generator.handle, generator.useRegisterProtocol);
            break;
        }
    }
    if (status != LINK_OK) return Fail(failure, status);
    return 0;
}

int RunStatus(const std::string& serial, const std::string& path) {
    std::unique_ptr<CKDXDoc> doc;
    if (!path.empty() && !(doc = OpenDocument(path))) return 1;
    if (!LibraryReady()) return 1;
    OpenedGenerator generator;
    LinkStatus status = generator.Open(serial);
    DeviceStatus device;
    OutputSettings settings;
    DeviceWaveformInfo waveform;
    if (status == LINK_OK) status = ReadDeviceStatus(generator.handle, generator.useRegisterProtocol, device);
    if (status == LINK_OK)
        status = ReadDeviceSettings(generator.handle, generator.useRegisterProtocol, settings, &waveform);
    // A poll that cannot reach the generator shows it as not connected.
    if (status != LINK_OK) return Fail(StatusText(DisplayState::NotConnected), status);
    const PollView view = DerivePollView(device.running, device.dataLoaded, settings.startStopControl,
                                         settings.outputMode, true);
    ordered_json j;
    j["state"] = StatusText(view.state);
    j["version"] = device.version;
    j["running"] = device.running;
    j["data_loaded"] = device.dataLoaded;
    j["settings"] = SettingsJson(settings);
    // Only the block protocol reports what it holds; a register-protocol
    // generator cannot tell (null).
    if (doc) {
        if (generator.useRegisterProtocol) {
            j["holds_file"] = nullptr;
        } else {
            j["holds_file"] = device.dataLoaded && waveform == WaveformInfoOf(*doc);
        }
    }
    std::cout << Dump(j) << '\n';
    return 0;
}

}  // namespace

void AddDeviceCommands(CLI::App& app, int& exitCode) {
    // Options outlive parsing: the callbacks run inside app.parse.
    auto serial = std::make_shared<std::string>();
    auto file = std::make_shared<std::string>();
    auto addSerial = [&](CLI::App* cmd) {
        cmd->add_option("--serial", *serial, "The generator's serial number (default: the first attached)");
    };

    auto* devices = app.add_subcommand("devices", "List the attached generators as JSON");
    devices->callback([&exitCode] { exitCode = RunDevices(); });

    auto* send = app.add_subcommand("send", "Write a waveform file's samples and output settings to a generator");
    send->add_option("FILE", *file, "Waveform file")->required();
    addSerial(send);
    send->callback([&exitCode, file, serial] { exitCode = RunSend(*file, *serial); });

    const std::pair<const char*, Command> commands[] = {
        {"start", Command::Start}, {"stop", Command::Stop}, {"force-stop", Command::ForceStop}};
    const char* help[] = {"Start the generator's output", "Stop the generator's output",
                          "Force the generator's output to stop"};
    for (size_t i = 0; i < std::size(commands); ++i) {
        auto* cmd = app.add_subcommand(commands[i].first, help[i]);
        addSerial(cmd);
        const Command command = commands[i].second;
        cmd->callback([&exitCode, command, serial] { exitCode = RunCommand(command, *serial); });
    }

    auto* status = app.add_subcommand("status", "Print the generator's state and held settings as JSON");
    auto statusFile = std::make_shared<std::string>();
    status->add_option("FILE", *statusFile, "Waveform file: also say whether the generator holds its waveform");
    addSerial(status);
    status->callback([&exitCode, serial, statusFile] { exitCode = RunStatus(*serial, *statusFile); });
}

}  // namespace kdx::tool
