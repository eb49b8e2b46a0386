#include "frame/FileCommandText.h"

namespace kdx {

std::string ComposeSavePrompt(bool dataModified, bool pathKnown, std::string_view title, bool outputSettingsChanged) {
    std::string text;
    if (dataModified) {
        if (pathKnown) text += "ファイル ";
        text += title;
        text += " の内容は変更されています。\n\n";
    }
    if (outputSettingsChanged) text += "出力設定が変更されています。\n\n";
    if (text.empty()) return text;
    text += "変更を保存しますか？";
    return text;
}

std::string PrefixedTitle(std::string_view prefix, std::string_view title) {
    return std::string(prefix) + std::string(title);
}

std::string CaptionText(bool hasWaveform, std::string_view prefix, std::string_view title) {
    if (!hasWaveform) return std::string(prefix) + "KDX";
    return PrefixedTitle(prefix, title) + " - KDX";
}

std::string DocumentTagOf(std::string_view text) { return std::string(text.substr(0, 16)); }

}  // namespace kdx
