#include "digital/ProtocolForm.h"

#include <algorithm>
#include <cmath>

#include "document/TimeBaseRows.h"

namespace kdx {

namespace {

struct FieldDefault {
    const char* text;
    TimeUnitIndex unit;
};

// The texts a first opening shows; empty times take their default length.
constexpr FieldDefault Defaults[DigitalProtocolForm::Count] = {
    {"", TimeUnitNone},       {"115200", TimeUnitNone}, {"0", TimeUnitNone},       {"1M", TimeUnitNone},
    {"0", TimeUnitNone},      {"", TimeUnitUs},         {"", TimeUnitUs},          {"", TimeUnitUs},
    {"100k", TimeUnitNone},   {"", TimeUnitUs},         {"48 65 6C 6C 6F", TimeUnitNone},
    {"w:50:00 10", TimeUnitNone},
};

BusProtocol ProtocolOf(int id) {
    using F = DigitalProtocolForm;
    switch (id) {
        case F::SpiClock:
        case F::FrameBytes:
        case F::Lead:
        case F::Lag:
        case F::SpiGap: return BusProtocol::Spi;
        case F::I2cClock:
        case F::BusGap:
        case F::Transactions: return BusProtocol::I2c;
        default: return BusProtocol::Uart;
    }
}

bool Distinct(const std::vector<int>& channels) {
    for (size_t i = 0; i < channels.size(); ++i)
        for (size_t j = i + 1; j < channels.size(); ++j)
            if (channels[i] == channels[j]) return false;
    return true;
}

}  // namespace

DigitalProtocolForm::DigitalProtocolForm(const DigitalSetup& setup, const ProtocolMemory& m)
    : DigitalForm(setup, Count, DigitalChannels), memory(m) {
    for (int id = 1; id < Count; ++id) {
        const bool stored = size_t(id) < m.texts.size() && size_t(id) < m.units.size();
        MutableField(id).text = stored ? m.texts[id] : Defaults[id].text;
        MutableField(id).unit = stored ? m.units[id] : Defaults[id].unit;
    }
    Changed();
}

void DigitalProtocolForm::Changed() {
    // Settings out of range are put back in it.
    UartSettings& u = memory.uart;
    u.channel = ValidChannelOr(u.channel, 0);
    u.dataBits = std::clamp(u.dataBits, 5, 9);
    u.stopHalves = std::clamp(u.stopHalves, 2, 4);
    SpiSettings& s = memory.spi;
    s.mode &= 3;
    for (int* ch : {&s.sclk, &s.mosi, &s.cs, &memory.i2c.scl, &memory.i2c.sda}) *ch = ValidChannelOr(*ch, 0);
    for (int id = 1; id < Count; ++id) MutableField(id).enabled = FieldShown(id);
    MakeStale();
    Validate();
}

bool DigitalProtocolForm::FieldShown(int id) const {
    if (id == EditStart) return true;
    if (id == Data) return memory.protocol != BusProtocol::I2c;
    return ProtocolOf(id) == memory.protocol;
}

void DigitalProtocolForm::SetProtocol(BusProtocol p) {
    memory.protocol = p;
    Changed();
}

void DigitalProtocolForm::SetUart(const UartSettings& s) {
    memory.uart = s;
    Changed();
}

void DigitalProtocolForm::SetSpi(const SpiSettings& s) {
    memory.spi = s;
    Changed();
}

void DigitalProtocolForm::SetI2c(const I2cSettings& s) {
    memory.i2c = s;
    Changed();
}

void DigitalProtocolForm::SetTextData(bool text) {
    memory.textData = text;
    Changed();
}

int DigitalProtocolForm::LaneOf(int ch) const {
    std::vector<int> driven;
    switch (memory.protocol) {
        case BusProtocol::Uart: driven = DrivenChannels(memory.uart); break;
        case BusProtocol::Spi: driven = DrivenChannels(memory.spi); break;
        case BusProtocol::I2c: driven = DrivenChannels(memory.i2c); break;
    }
    return std::find(driven.begin(), driven.end(), ch) != driven.end() ? ch : -1;
}

bool DigitalProtocolForm::CheckRate(int id, const char* label, bool half, double& rate) {
    const auto parsed = ParseRate(Field(id).text);
    const double dt = double(TimeBase().samplingNs);
    const bool ok = parsed && (half ? HalfClockNs(*parsed) : UartBitNs(*parsed)) >= dt;
    ShowMarker(id, !ok);
    if (!ok && problem.empty()) {
        problem = std::string(label) + (!parsed ? "数値が正しくありません"
                                        : half  ? "半周期がサンプリング時間より短くなります"
                                                : "1ビットの時間がサンプリング時間より短くなります");
    }
    if (parsed) rate = *parsed;
    return ok;
}

bool DigitalProtocolForm::CheckOptionalTime(int id, const char* label, std::optional<double>& value) {
    value.reset();
    if (Field(id).text.find_first_not_of(' ') == std::string::npos) {
        ShowMarker(id, false);
        return true;
    }
    int64_t ns = 0;
    // Shorter than a sample, two edges would fall on one sample.
    const bool ok = ReadTime(id, ns, 0) && ns >= TimeBase().samplingNs && uint64_t(ns) <= TimeBase().totalNs;
    ShowMarker(id, !ok);
    if (!ok && problem.empty()) problem = std::string(label) + "サンプリング時間以上、トータル時間以下にしてください";
    if (ok) value = double(ns);
    return ok;
}

void DigitalProtocolForm::CheckFields() {
    problem.clear();
    for (int id = 1; id < Count; ++id) ShowMarker(id, false);
    bytes.clear();
    transactions.clear();
    const auto fail = [this](int id, const std::string& text) {
        ShowMarker(id, true);
        if (problem.empty()) problem = text;
    };
    if (memory.protocol != BusProtocol::I2c) {
        const auto parsed = memory.textData ? ParseEscapedText(Field(Data).text) : ParseHexBytes(Field(Data).text);
        if (parsed) bytes = *parsed;
        else
            fail(Data, memory.textData ? "[データ] 文字列が正しくありません（エスケープは \\r \\n \\t \\\\ \\xHH）"
                                       : "[データ] 16進数のバイトを空白で区切って入力してください");
    }
    switch (memory.protocol) {
        case BusProtocol::Uart: {
            UartSettings& u = memory.uart;
            CheckRate(Baud, "[ボーレート] ", false, u.baud);
            if (!ReadCount(UartGap, u.gapBits, 0)) fail(UartGap, "[バイト間隔] ビット数を入力してください");
            const auto wide = std::find_if(bytes.begin(), bytes.end(),
                                           [&](uint8_t b) { return u.dataBits < 8 && (b >> u.dataBits) != 0; });
            if (wide != bytes.end())
                fail(Data, "[データ] " + std::to_string(u.dataBits) + " ビットに入らないバイトがあります");
            break;
        }
        case BusProtocol::Spi: {
            SpiSettings& s = memory.spi;
            CheckRate(SpiClock, "[クロック周波数] ", true, s.clockHz);
            if (!ReadCount(FrameBytes, s.frameBytes, 0)) fail(FrameBytes, "[フレームのバイト数] 数値が正しくありません");
            CheckOptionalTime(Lead, "[CS リード時間] ", s.leadNs);
            CheckOptionalTime(Lag, "[CS ラグ時間] ", s.lagNs);
            CheckOptionalTime(SpiGap, "[フレーム間隔] ", s.gapNs);
            if (!Distinct({s.sclk, s.mosi, s.cs}) && problem.empty())
                problem = "SCLK、MOSI、CS には別々のチャンネルを選んでください";
            break;
        }
        case BusProtocol::I2c: {
            I2cSettings& s = memory.i2c;
            CheckRate(I2cClock, "[クロック周波数] ", true, s.clockHz);
            CheckOptionalTime(BusGap, "[バス開放時間] ", s.gapNs);
            const std::string& text = Field(Transactions).text;
            size_t from = 0;
            bool ok = true;
            while (ok && from <= text.size()) {
                const size_t end = std::min(text.find(';', from), text.size());
                std::string_view part(text.data() + from, end - from);
                while (!part.empty() && part.front() == ' ') part.remove_prefix(1);
                while (!part.empty() && part.back() == ' ') part.remove_suffix(1);
                const auto tx = ParseI2cTransaction(part);
                ok = tx && tx->address <= (s.tenBit ? 0x3FFu : 0x7Fu);
                if (ok) transactions.push_back(*tx);
                from = end + 1;
            }
            if (!ok) {
                transactions.clear();
                fail(Transactions, s.tenBit ? "[転送] w:アドレス:データ または r:アドレス:データ（アドレスは 3FF まで）"
                                            : "[転送] w:アドレス:データ または r:アドレス:データ（アドレスは 7F まで）");
            }
            if (!Distinct({s.scl, s.sda}) && problem.empty())
                problem = "SCL と SDA には別々のチャンネルを選んでください";
            break;
        }
    }
    byteCount = bytes.size();
    for (const I2cTransaction& tx : transactions) byteCount += tx.data.size();
    lengthSamples = 0;
    lengthText.clear();
    rateErrorText.clear();
    if (!problem.empty()) return;
    const EncodedStretch e = Encode(SIZE_MAX, {});
    lengthSamples = e.samples;
    lengthText = FormatTimeAutoWithUnit(static_cast<int64_t>(e.samples) * TimeBase().samplingNs) + "（" +
                 FormatUnsigned(e.samples) + " サンプル）";
    rateErrorText = ErrorPercentText(e.rateErrorPercent);
}

std::optional<int64_t> DigitalProtocolForm::LabelPeriod() const {
    if (!problem.empty()) return std::nullopt;
    return static_cast<int64_t>(lengthSamples) * TimeBase().samplingNs;
}

EncodedStretch DigitalProtocolForm::Encode(size_t byteLimit, const LaneTargets& out) const {
    const double dt = double(TimeBase().samplingNs);
    switch (memory.protocol) {
        case BusProtocol::Uart: return EncodeUart(memory.uart, bytes, byteLimit, dt, out);
        case BusProtocol::Spi: return EncodeSpi(memory.spi, bytes, byteLimit, dt, out);
        case BusProtocol::I2c: return EncodeI2c(memory.i2c, transactions, byteLimit, dt, out);
    }
    return {};
}

LaneTargets DigitalProtocolForm::Targets(uint32_t capacity) {
    LaneTargets out;
    out.capacity = capacity;
    for (int ch = 0; ch < DigitalChannels; ++ch) out.lanes[ch] = LaneOf(ch) >= 0 ? MutableLane(ch) : nullptr;
    return out;
}

bool DigitalProtocolForm::Create(FormPrompts& prompts) {
    if (!CreateEnabled()) return Finish(false, 0, 0, prompts);
    const LaneTargets out = Targets(TimeBase().Count());
    const EncodedStretch e = Encode(SIZE_MAX, out);
    const auto count = static_cast<uint32_t>(std::min<uint64_t>(e.samples, out.capacity));
    return Finish(true, int64_t{count} * TimeBase().samplingNs, count, prompts);
}

bool DigitalProtocolForm::Fit(uint32_t room, FormPrompts& prompts) {
    if (lengthSamples <= room) return true;
    // The most bytes whose frames (with the idle end) end by the document's end.
    size_t low = 0, high = byteCount;
    while (low < high) {
        const size_t mid = (low + high + 1) / 2;
        if (Encode(mid, {}).samples <= room) {
            low = mid;
        } else {
            high = mid - 1;
        }
    }
    const std::string total = std::to_string(byteCount) + " バイト";
    if (low == 0) {
        prompts.Inform("データ " + total + "のうち、編集開始から波形の終わりまでに入るバイトはありません");
        return false;
    }
    const std::string fit = std::to_string(low) + " バイト";
    if (!prompts.Confirm("データ " + total + "のうち、編集開始から波形の終わりまでに入るのは " + fit + "です。\n" + fit +
                         "を書き込みます。"))
        return false;
    const EncodedStretch e = Encode(low, Targets(room));
    SetBuilt(static_cast<uint32_t>(e.samples), static_cast<int64_t>(e.samples) * TimeBase().samplingNs);
    return true;
}

ProtocolMemory DigitalProtocolForm::Params() const {
    ProtocolMemory m = memory;
    m.texts.assign(Count, "");
    m.units.assign(Count, TimeUnitNone);
    for (int id = 1; id < Count; ++id) {
        m.texts[id] = Field(id).text;
        m.units[id] = Field(id).unit;
    }
    return m;
}

}  // namespace kdx
