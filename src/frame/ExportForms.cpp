#include "frame/ExportForms.h"

#include <cmath>
#include <cstdio>
#include <new>

#include "document/WaveformFile.h"

namespace kdx {

namespace {

constexpr const char* MsgExportMemory = "エクスポートのためのメモリが確保できませんでした。";

// What the user reads after a WAV export, as kdx-tool says it on its error output.
std::string WavNotes(int64_t samplingNs, uint32_t clipped) {
    std::string notes;
    if (const auto error = WavRateErrorOf(samplingNs)) {
        char text[256];
        std::snprintf(
            text, sizeof text,
            "サンプリング周波数を %d Hz に丸めたため（1 / %lld nS = %.3f Hz）、周波数の誤差は %+.3f ppm です。",
            error->rate, static_cast<long long>(samplingNs), error->exactHz, error->ppm);
        notes = text;
    }
    if (clipped > 0) {
        if (!notes.empty()) notes += "\n\n";
        notes += "±1.0 V を超える " + std::to_string(clipped) + " サンプルをフルスケールに制限しました。";
    }
    return notes;
}

}  // namespace

const ExportFileTexts& ExportFileTextsOf(ExportFormat format) {
    static const ExportFileTexts texts[] = {
        {"CSV エクスポート", "CSVファイル (*.csv)", "csv"},
        {"VCD エクスポート", "VCDファイル (*.vcd)", "vcd"},
        {"WAV エクスポート", "WAVファイル (*.wav)", "wav"},
        {"PWL エクスポート", "PWLファイル (*.pwl)", "pwl"},
    };
    return texts[static_cast<size_t>(format)];
}

std::string ExportFileName(std::string_view title, ExportFormat format) {
    std::string name(title);
    if (name.size() > 4 && name[name.size() - 4] == '.' && HasKdxExtension(name)) name.resize(name.size() - 4);
    return name + "." + ExportFileTextsOf(format).extension;
}

PwlFormInput PwlFormInputOf(const PwlOptions& options) {
    const AutoTimeText edge = FormatTimeAuto(options.edgeNs);
    std::string high;
    AppendDouble(high, options.highVolts);
    return {options.channel + 1, high, edge.text, edge.unit};
}

PwlFormCheck CheckPwlForm(const PwlFormInput& input, int64_t samplingNs) {
    PwlFormCheck check;
    PwlOptions options;
    options.channel = input.channel - 1;
    // The analog channel keeps a readable level for the next digital export.
    const auto high = ParseReal(input.high);
    const bool highValid = high && std::isfinite(*high);
    if (highValid) {
        options.highVolts = *high;
    } else if (PwlHighEnabled(input.channel)) {
        check.message = "[ハイレベル] 数値を入力してください";
        check.field = PwlField::High;
        return check;
    }
    const auto edge = ParseTimeText(input.edge, input.edgeUnit);
    if (!edge || PwlEdgeProblem(*edge, samplingNs)) {
        check.message = "[エッジ時間] 0 より大きく、サンプリング時間（" + FormatTimeAutoWithUnit(samplingNs) +
                        "）より小さくしてください";
        check.field = PwlField::Edge;
        return check;
    }
    options.edgeNs = *edge;
    check.options = options;
    return check;
}

ExportOutcome WriteExport(const std::filesystem::path& path, const ExportSource& source, const ExportChoice& choice) {
    try {
        std::string text, notes;
        TextPieces produce = [&text](const auto& put) { return put(text); };
        switch (choice.format) {
            case ExportFormat::Csv:
                produce = [&source](const auto& put) { return WriteCsv(source, put); };
                break;
            case ExportFormat::Vcd:
                text = VcdText(source);
                break;
            case ExportFormat::Pwl:
                text = PwlText(source, choice.pwl);
                break;
            case ExportFormat::Wav: {
                WavFile wav = WavBytes(source, choice.wav);
                if (!wav.error.empty()) return {false, MsgFileWriteError};
                text = std::move(wav.bytes);
                notes = WavNotes(source.samplingNs, wav.clipped);
                break;
            }
        }
        std::string message;
        if (!WriteTextFile(path, produce, message)) return {false, message};
        return {true, notes};
    } catch (const std::bad_alloc&) {
        return {false, MsgExportMemory};
    }
}

}  // namespace kdx
