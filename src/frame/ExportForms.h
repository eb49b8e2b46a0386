// The editor's exports without a window: each format's save-dialog texts and
// proposed name, the option dialogs' checks and messages, and the export
// itself with what the user is told afterwards.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "document/WaveformExport.h"
#include "units/UnitText.h"

namespace kdx {

enum class ExportFormat : uint8_t { Csv, Vcd, Wav, Pwl };

// The save dialog of a format: its caption, its one filter and the extension
// it adds.
struct ExportFileTexts {
    const char* caption;
    const char* filter;
    const char* extension;
};
const ExportFileTexts& ExportFileTextsOf(ExportFormat format);

// The name the save dialog proposes: the document's name with the format's
// extension in place of ".kdx".
std::string ExportFileName(std::string_view title, ExportFormat format);

// The WAV options dialog's list of sample formats, in WavSampleFormat order.
inline constexpr const char* WavFormatItems[] = {"32 ビット浮動小数点", "16 ビット PCM", "24 ビット PCM"};

// The PWL options dialog's fields as typed; channel is the list's index:
// 0 the analog channel, 1..4 CH0..CH3.
struct PwlFormInput {
    int channel = 0;
    std::string high;
    std::string edge;
    TimeUnitIndex edgeUnit = TimeUnitNs;
};
enum class PwlField : uint8_t { None, High, Edge };
struct PwlFormCheck {
    std::optional<PwlOptions> options;  // nullopt while a field is wrong
    std::string message;                // why, for the message box
    PwlField field = PwlField::None;    // the field the message names
};

// The fields that show a choice already made.
PwlFormInput PwlFormInputOf(const PwlOptions& options);
// The high level counts only for a digital channel.
inline bool PwlHighEnabled(int channel) {
    return channel > 0;
}
// The checks of OK: a high level that is a finite number (for a digital
// channel), an edge time more than 0 and less than the sampling time.
PwlFormCheck CheckPwlForm(const PwlFormInput& input, int64_t samplingNs);

struct ExportChoice {
    ExportFormat format = ExportFormat::Csv;
    WavOptions wav;
    PwlOptions pwl;
};
struct ExportOutcome {
    bool written = false;
    // A failure's message, or after a WAV export the rate and clipping notes
    // (empty when there is nothing to say).
    std::string message;
};
// Writes the file as Save writes a waveform: never half-written.
ExportOutcome WriteExport(const std::filesystem::path& path, const ExportSource& source, const ExportChoice& choice);

}  // namespace kdx
