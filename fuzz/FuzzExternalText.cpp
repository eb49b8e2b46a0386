// Feeds arbitrary bytes to the external data text reader. Besides not
// crashing, it must agree with a plain reading of the same text: split at the
// separators, each word read by the C library (with D taken for E) as a whole
// finite number, at most the capacity of them, anything after the last that
// fits counted as data left out, a word longer than the token limit invalid.
// And cutting the text into pieces anywhere must not change the outcome.
//
// The first byte sets a small capacity so that short inputs reach the limit;
// the second where the text is cut in two.
//
// fuzz-max-len: 4096
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "analog/ExternalData.h"

namespace {

void Require(bool condition) {
    if (!condition) std::abort();
}

using State = kdx::TextDataParser::State;

bool IsSeparator(char c) { return std::string_view("\t\n\r ,;").find(c) != std::string_view::npos && c != '\0'; }
bool IsTokenByte(char c) { return std::string_view("0123456789+-.DEde").find(c) != std::string_view::npos && c != '\0'; }

State Reference(std::string_view text, uint32_t capacity, std::vector<double>& values) {
    size_t i = 0;
    while (true) {
        while (i < text.size() && IsSeparator(text[i])) ++i;
        if (i == text.size()) return values.size() == capacity ? State::Full : State::Reading;
        if (values.size() == capacity) return State::Exceeded;
        std::string word;
        while (i < text.size() && !IsSeparator(text[i])) {
            if (!IsTokenByte(text[i])) return State::Invalid;
            word += text[i] == 'D' || text[i] == 'd' ? 'e' : text[i];
            ++i;
        }
        if (word.size() > kdx::TextDataParser::MaxTokenLength) return State::Invalid;  // no number anyone wrote
        char* end = nullptr;
        const double v = std::strtod(word.c_str(), &end);
        if (end != word.c_str() + word.size() || !std::isfinite(v)) return State::Invalid;
        values.push_back(v);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const uint32_t capacity = 1 + data[0] % 16;
    const std::string_view text(reinterpret_cast<const char*>(data + 2), size - 2);
    const size_t cut = text.empty() ? 0 : data[1] % (text.size() + 1);

    std::vector<double> whole(capacity), pieces(capacity), expected;
    kdx::TextDataParser one(whole.data(), capacity);
    one.Feed(text.data(), text.size());
    one.Finish();
    kdx::TextDataParser two(pieces.data(), capacity);
    if (two.Feed(text.data(), cut)) two.Feed(text.data() + cut, text.size() - cut);
    two.Finish();

    const State state = Reference(text, capacity, expected);
    Require(one.GetState() == state && two.GetState() == state);
    if (state == State::Invalid) return 0;
    Require(one.Count() == expected.size() && two.Count() == expected.size());
    for (size_t k = 0; k < expected.size(); ++k) {
        Require(std::memcmp(&whole[k], &expected[k], sizeof(double)) == 0);
        Require(std::memcmp(&pieces[k], &expected[k], sizeof(double)) == 0);
    }
    return 0;
}
