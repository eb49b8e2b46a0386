#include "digital/VcdReader.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <string_view>
#include <unordered_map>

#include "document/WaveformFile.h"

namespace kdx {

namespace {

constexpr uint32_t NoCode = ~uint32_t{0};
// Wider vectors are kept but not offered bit by bit: a list of thousands of
// bits helps nobody choose.
constexpr uint64_t MaxOfferedWidth = 1024;

uint64_t Pow10(int e) {
    uint64_t v = 1;
    while (e-- > 0) v *= 10;
    return v;
}

bool IsSpace(uint8_t c) {
    return c == ' ' || c == '\n' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

// '0', '1', or 'x' for anything unknown (x and z read alike); 0 for a character no value has.
char ValueChar(char c) {
    switch (c) {
        case '0':
        case '1':
            return c;
        case 'x':
        case 'X':
        case 'z':
        case 'Z':
            return 'x';
        default:
            return 0;
    }
}

struct Malformed {
    uint64_t line;
    std::string what;
};

class Parser {
public:
    Parser(std::span<const uint8_t> bytes, VcdData& out)
        : p(reinterpret_cast<const char*>(bytes.data())), end(p + bytes.size()), data(out) {
        std::fill(std::begin(small1), std::end(small1), NoCode);
    }

    uint64_t LastTime() const { return time; }

    void Run() {
        Header();
        Body();
    }

private:
    // At the line of the last token read: a dump that ends too soon is
    // faulted where its last statement stands.
    [[noreturn]] void Fail(const std::string& what) const { throw Malformed{tokenLine, what}; }

    // The next blank-separated token; empty at the end of the input.
    std::string_view Next() {
        while (p != end && IsSpace(static_cast<uint8_t>(*p))) {
            if (*p == '\n') ++line;
            ++p;
        }
        const char* begin = p;
        while (p != end && !IsSpace(static_cast<uint8_t>(*p))) ++p;
        if (p != begin) tokenLine = line;
        return {begin, static_cast<size_t>(p - begin)};
    }

    std::string_view Required(const char* what) {
        const std::string_view t = Next();
        if (t.empty()) Fail(std::string(what) + "がありません");
        return t;
    }

    void ExpectEnd(const char* keyword) {
        if (Next() != "$end") Fail(std::string(keyword) + " の $end がありません");
    }

    // The tokens up to $end, joined by one blank.
    std::string UntilEnd(const char* keyword) {
        std::string text;
        for (;;) {
            const std::string_view t = Next();
            if (t.empty()) Fail(std::string(keyword) + " の $end がありません");
            if (t == "$end") return text;
            if (!text.empty()) text += ' ';
            text += t;
        }
    }

    void Header() {
        for (;;) {
            const std::string_view t = Next();
            if (t.empty()) Fail("$enddefinitions がありません");
            if (t == "$timescale") {
                Timescale(UntilEnd("$timescale"));
            } else if (t == "$scope") {
                Required("スコープの種類");
                scopes.emplace_back(Required("スコープ名"));
                ExpectEnd("$scope");
            } else if (t == "$upscope") {
                if (scopes.empty()) Fail("対応する $scope がありません");
                scopes.pop_back();
                ExpectEnd("$upscope");
            } else if (t == "$var") {
                Var();
            } else if (t == "$enddefinitions") {
                ExpectEnd("$enddefinitions");
                return;
            } else if (t[0] == '$' && t != "$end") {
                UntilEnd(std::string(t).c_str());  // $date, $version, $comment and others say nothing we use
            } else {
                Fail("ヘッダーに不明な記述があります：" + std::string(t));
            }
        }
    }

    void Timescale(const std::string& text) {
        std::string s;
        for (char c : text)
            if (c != ' ') s += c;
        size_t digits = 0;
        while (digits < s.size() && s[digits] >= '0' && s[digits] <= '9') ++digits;
        const std::string number = s.substr(0, digits), unit = s.substr(digits);
        static const std::pair<const char*, int> units[] = {{"s", 15}, {"ms", 12}, {"us", 9},
                                                            {"ns", 6}, {"ps", 3},  {"fs", 0}};
        int zeros = number == "1" ? 0 : number == "10" ? 1 : number == "100" ? 2 : -1;
        for (const auto& [name, exponent] : units) {
            if (zeros >= 0 && unit == name) {
                data.scaleExponent = exponent + zeros;
                return;
            }
        }
        Fail("時間単位が不正です：" + text);
    }

    void Var() {
        const std::string_view type = Required("変数の種類");
        const std::string_view sizeText = Required("変数のビット数");
        const std::string_view id = Required("識別子");
        std::string reference(Required("変数名"));
        std::string range(Next());
        if (range == "$end") {
            range.clear();
        } else {
            if (range.empty()) Fail("$var の $end がありません");
            ExpectEnd("$var");
        }
        uint64_t width = 0;
        for (char c : sizeText) {
            if (c < '0' || c > '9' || width > 1000000000) Fail("変数のビット数が不正です：" + std::string(sizeText));
            width = width * 10 + uint64_t(c - '0');
        }
        if (width == 0) Fail("変数のビット数が不正です：" + std::string(sizeText));
        const uint32_t code = CodeOf(id, true);
        // Reals, events and strings have no bits to offer.
        if (type.starts_with("real") || type == "event" || type == "string") return;
        // A range written into the reference, as "data[7:0]".
        if (range.empty() && !reference.empty() && reference.back() == ']') {
            const size_t open = reference.rfind('[');
            if (open != std::string::npos && open > 0 && reference.find(':', open) != std::string::npos) {
                range = reference.substr(open);
                reference.erase(open);
            }
        }
        std::string full;
        for (const std::string& s : scopes) full += s + '.';
        full += reference;
        if (width == 1) {
            // A one-bit variable may name its bit, as "data [3]".
            data.offered.push_back({full + range, code, 0, true});
            return;
        }
        if (width > MaxOfferedWidth) return;
        // The declared numbering, [msb:lsb]; without one, [width - 1:0].
        int64_t msb = int64_t(width) - 1, lsb = 0;
        if (long long a = 0, b = 0;
            std::sscanf(range.c_str(), "[%lld:%lld]", &a, &b) == 2 && uint64_t(a > b ? a - b : b - a) + 1 == width) {
            msb = a;
            lsb = b;
        }
        for (uint64_t left = 0; left < width; ++left) {
            const int64_t k = msb >= lsb ? msb - int64_t(left) : msb + int64_t(left);
            data.offered.push_back({full + '[' + std::to_string(k) + ']', code, uint32_t(width - 1 - left), false});
        }
    }

    // The index of an identifier code; a code the header did not declare is malformed.
    uint32_t CodeOf(std::string_view id, bool declare) {
        uint32_t* slot = nullptr;
        const auto c0 = static_cast<uint8_t>(id[0]);
        if (id.size() == 1 && c0 < 128) {
            slot = &small1[c0];
        } else if (id.size() == 2 && c0 < 128 && static_cast<uint8_t>(id[1]) < 128) {
            slot = &small2[size_t{c0} << 7 | static_cast<uint8_t>(id[1])];
        } else {
            const auto it = longer.find(std::string(id));
            if (it != longer.end()) return it->second;
            if (!declare) Fail("宣言されていない識別子です：" + std::string(id));
            const auto code = static_cast<uint32_t>(data.changes.size());
            longer.emplace(std::string(id), code);
            data.changes.emplace_back();
            return code;
        }
        if (*slot == NoCode) {
            if (!declare) Fail("宣言されていない識別子です：" + std::string(id));
            *slot = static_cast<uint32_t>(data.changes.size());
            data.changes.emplace_back();
        }
        return *slot;
    }

    void Body() {
        for (;;) {
            while (p != end && IsSpace(static_cast<uint8_t>(*p))) {
                if (*p == '\n') ++line;
                ++p;
            }
            if (p == end) return;
            tokenLine = line;
            const char c = *p;
            if (c == '#') {
                ++p;
                const std::string_view digits = Next();
                uint64_t t = 0;
                for (char d : digits) {
                    if (d < '0' || d > '9' || __builtin_mul_overflow(t, 10u, &t) ||
                        __builtin_add_overflow(t, unsigned(d - '0'), &t))
                        Fail("時刻が不正です：#" + std::string(digits));
                }
                if (digits.empty()) Fail("時刻が不正です：#");
                if (t < time) Fail("時刻が前の時刻より前です：#" + std::string(digits));
                time = t;
            } else if (const char v = ValueChar(c)) {
                ++p;
                const std::string_view id = Next();
                if (id.empty()) Fail("値の識別子がありません");
                Add(CodeOf(id, false), {time, static_cast<uint8_t>(v), 0});
            } else if (c == 'b' || c == 'B') {
                const std::string_view value = Next().substr(1);
                const std::string_view id = Next();
                if (value.empty() || id.empty()) Fail("ベクトルの値が不正です");
                const uint32_t code = CodeOf(id, false);
                const size_t pos = data.pool.size();
                if (pos + value.size() > std::numeric_limits<uint32_t>::max()) Fail("ファイルが大きすぎます");
                for (char ch : value) {
                    const char b = ValueChar(ch);
                    if (b == 0) Fail("ベクトルの値が不正です：b" + std::string(value));
                    data.pool += b;
                }
                Add(code, {time, static_cast<uint32_t>(pos), static_cast<uint32_t>(value.size())});
            } else if (c == 'r' || c == 'R' || c == 's' || c == 'S') {
                // Reals and strings do not reach the channels; their codes must still be declared.
                Next();
                const std::string_view id = Next();
                if (id.empty()) Fail("値の識別子がありません");
                CodeOf(id, false);
                ++data.changeCount;
            } else if (c == '$') {
                const std::string_view keyword = Next();
                // The value sections only group changes; anything else is skipped whole.
                if (keyword != "$dumpvars" && keyword != "$dumpall" && keyword != "$dumpon" && keyword != "$dumpoff" &&
                    keyword != "$end")
                    UntilEnd(std::string(keyword).c_str());
            } else {
                Fail("不明な記述です：" + std::string(Next()));
            }
        }
    }

    void Add(uint32_t code, const VcdData::Change& change) {
        data.changes[code].push_back(change);
        ++data.changeCount;
    }

    const char* p;
    const char* end;
    VcdData& data;
    uint64_t line = 1, tokenLine = 1;
    uint64_t time = 0;
    std::vector<std::string> scopes;
    uint32_t small1[128];
    std::vector<uint32_t> small2 = std::vector<uint32_t>(128 * 128, NoCode);
    std::unordered_map<std::string, uint32_t> longer;
};

// The value of a signal in a change: '0', '1' or 'x'.
char BitOf(const VcdData& data, const VcdData::Change& change, uint32_t bit) {
    if (change.len == 0) {
        const char c = static_cast<char>(change.pos);
        return bit == 0 ? c : c == 'x' ? 'x' : '0';
    }
    // Values shorter than the vector are extended to the left: x and z by
    // themselves, 0 and 1 by 0.
    if (bit < change.len) return data.pool[change.pos + change.len - 1 - bit];
    return data.pool[change.pos] == 'x' ? 'x' : '0';
}

// The last timestamp at or before a time in nanoseconds: floor(t * 10^6 / 10^e).
uint64_t UnitsAtOrBefore(uint64_t ns, int exponent) {
    if (exponent >= 6) return ns / Pow10(exponent - 6);
    const uint64_t f = Pow10(6 - exponent);
    return ns > std::numeric_limits<uint64_t>::max() / f ? std::numeric_limits<uint64_t>::max() : ns * f;
}

}  // namespace

std::array<int, 4> VcdData::DefaultSignals() const {
    std::array<int, 4> out{-1, -1, -1, -1};
    size_t n = 0;
    for (size_t i = 0; i < offered.size() && n < out.size(); ++i)
        if (offered[i].scalar) out[n++] = static_cast<int>(i);
    return out;
}

int VcdData::Find(const std::string& name) const {
    int found = -1, matches = 0;
    for (size_t i = 0; i < offered.size(); ++i) {
        const std::string& full = offered[i].name;
        if (full == name) return static_cast<int>(i);
        if (full.size() > name.size() && full.ends_with(name) && full[full.size() - name.size() - 1] == '.') {
            found = static_cast<int>(i);
            ++matches;
        }
    }
    return matches == 1 ? found : -1;
}

int64_t VcdData::PeriodFrom(int64_t fromNs) const {
    constexpr uint64_t Max = std::numeric_limits<int64_t>::max();
    uint64_t lastNs = 0;
    if (scaleExponent >= 6) {
        const uint64_t f = Pow10(scaleExponent - 6);
        lastNs = lastTime > Max / f ? Max : lastTime * f;
    } else {
        const uint64_t f = Pow10(6 - scaleExponent);
        lastNs = lastTime / f + (lastTime % f != 0);
    }
    const uint64_t from = fromNs > 0 ? uint64_t(fromNs) : 0;
    return lastNs > from ? static_cast<int64_t>(lastNs - from) : 0;
}

bool HasVcdExtension(std::string_view path) { return HasExtension(path, ".vcd"); }

std::string VcdLineMessage(uint64_t line, const std::string& what) {
    return "VCD ファイルの " + std::to_string(line) + " 行目が不正です。\n" + what + "\n\n読み込みを中止しました。";
}

std::string VcdUnknownMessage(uint64_t samples) {
    return "値が x または z の " + std::to_string(samples) + " サンプルを 0 として読み込みました。";
}

VcdReadResult ParseVcd(std::span<const uint8_t> bytes, VcdData& data) {
    data = VcdData{};
    VcdReadResult result;
    Parser parser(bytes, data);
    try {
        parser.Run();
    } catch (const Malformed& m) {
        data = VcdData{};
        result.message = VcdLineMessage(m.line, m.what);
        return result;
    }
    data.lastTime = parser.LastTime();
    if (data.offered.empty()) {
        data = VcdData{};
        result.message = "VCD ファイルに 1 ビットの信号がありません。\n\n読み込みを中止しました。";
    }
    return result;
}

VcdReadResult ReadVcdFile(const std::filesystem::path& path, VcdData& data) {
    VcdReadResult failed;
    failed.reason = NotARegularFile(path);
    if (!failed.reason.empty()) {
        failed.message = MsgFileOpenError;
        return failed;
    }
    errno = 0;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.string().c_str(), "rb"), std::fclose);
    if (!file) {
        failed.message = MsgFileOpenError;
        failed.reason = errno != 0 ? std::strerror(errno) : "";
        return failed;
    }
    std::string bytes;
    char chunk[65536];
    size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) bytes.append(chunk, got);
    if (std::ferror(file.get()) != 0) {
        failed.message = MsgFileReadError;
        failed.reason = std::strerror(errno);
        return failed;
    }
    return ParseVcd({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()}, data);
}

uint32_t SampleVcd(const VcdData& data, const std::array<int, 4>& chosen, int64_t fromNs, int64_t dtNs, uint32_t count,
                   uint8_t* words, unsigned counted) {
    constexpr uint8_t Unknown = 0x10;
    std::fill(words, words + count, uint8_t{0});
    const uint64_t from = fromNs > 0 ? uint64_t(fromNs) : 0, dt = dtNs > 0 ? uint64_t(dtNs) : 1;
    for (size_t c = 0; c < chosen.size(); ++c) {
        const int s = chosen[c];
        if (s < 0 || size_t(s) >= data.offered.size()) continue;
        const VcdSignal& signal = data.offered[size_t(s)];
        const auto& changes = data.changes[signal.code];
        size_t j = 0;
        for (uint32_t i = 0; i < count; ++i) {
            uint64_t at = 0;
            if (__builtin_mul_overflow(uint64_t{i}, dt, &at) || __builtin_add_overflow(at, from, &at))
                at = std::numeric_limits<uint64_t>::max();
            const uint64_t limit = UnitsAtOrBefore(at, data.scaleExponent);
            while (j < changes.size() && changes[j].time <= limit) ++j;
            const char v = j == 0 ? 'x' : BitOf(data, changes[j - 1], signal.bit);
            if (v == '1') words[i] |= uint8_t(1u << c);
            if (v == 'x' && (counted >> c & 1) != 0) words[i] |= Unknown;
        }
    }
    uint32_t unknown = 0;
    for (uint32_t i = 0; i < count; ++i) {
        unknown += words[i] >> 4;
        words[i] &= 15;
    }
    return unknown;
}

}  // namespace kdx
