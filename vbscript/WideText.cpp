// vbscript/WideText.cpp: UTF-8 to UTF-16 units and back, letter case beyond ASCII, and the
// ANSI code page's characters.
#include "vbscript/WideText.h"

#include "platform/CodePage.h"

namespace vbscript {
namespace {

bool IsContinuation(std::string_view text, size_t at) {
    return at < text.size() && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80;
}

// The code point of a valid sequence at `at` and its length in bytes; 0 bytes when the lead
// byte starts none (overlong, truncated or out of range).
uint32_t DecodeAt(std::string_view text, size_t at, size_t* used) {
    unsigned char lead = static_cast<unsigned char>(text[at]);
    *used = 1;
    if (lead < 0x80) return lead;
    size_t extra = lead >= 0xF0 && lead <= 0xF4  ? 3
                   : lead >= 0xE0 && lead < 0xF0 ? 2
                   : lead >= 0xC2 && lead < 0xE0 ? 1
                                                 : 0;
    if (extra == 0) {
        *used = 0;
        return lead;
    }
    uint32_t c = lead & (0x3Fu >> extra);
    for (size_t k = 1; k <= extra; ++k) {
        if (!IsContinuation(text, at + k)) {
            *used = 0;
            return lead;
        }
        c = (c << 6) | (static_cast<unsigned char>(text[at + k]) & 0x3Fu);
    }
    bool overlong = (extra == 2 && c < 0x800) || (extra == 3 && c < 0x10000);
    if (overlong || c > 0x10FFFF) {
        *used = 0;
        return lead;
    }
    *used = extra + 1;
    return c;
}

bool Between(char16_t c, char16_t low, char16_t high) {
    return c >= low && c <= high;
}

// Latin Extended-A pairs its letters upper then lower, except in three runs where the
// upper case has the odd code.
bool PairedUpperA(char16_t c) {
    if (Between(c, 0x0100, 0x0137)) return c % 2 == 0 && c != 0x0130;
    if (Between(c, 0x0139, 0x0148) || Between(c, 0x0179, 0x017E)) return c % 2 == 1;
    if (Between(c, 0x014A, 0x0177)) return c % 2 == 0;
    return false;
}

bool PairedUpperCyrillic(char16_t c) {
    return (Between(c, 0x0460, 0x0481) || Between(c, 0x048A, 0x04BF)) && c % 2 == 0;
}

}  // namespace

void JoinSurrogateHalves(std::string& text, size_t seam) {
    auto byte = [&text](size_t at) { return static_cast<unsigned char>(text[at]); };
    if (seam < 3 || seam + 3 > text.size()) return;
    if (byte(seam - 3) != 0xED || (byte(seam - 2) & 0xF0) != 0xA0) return;
    if (byte(seam) != 0xED || (byte(seam + 1) & 0xF0) != 0xB0) return;
    std::u16string pair = ToUnits(std::string_view(text).substr(seam - 3, 6));
    if (pair.size() != 2 || pair[0] < 0xD800 || pair[0] > 0xDBFF || pair[1] < 0xDC00) return;
    text.replace(seam - 3, 6, FromUnits(pair));
}

void AppendUtf8(std::string& out, uint32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | ((c >> 18) & 0x07));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

bool IsAsciiText(std::string_view text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

std::u16string ToUnits(std::string_view text) {
    std::u16string units;
    units.reserve(text.size());
    for (size_t at = 0; at < text.size();) {
        size_t used = 0;
        uint32_t c = DecodeAt(text, at, &used);
        at += used == 0 ? 1 : used;
        if (c >= 0x10000) {
            c -= 0x10000;
            units += static_cast<char16_t>(0xD800 + (c >> 10));
            units += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
        } else {
            units += static_cast<char16_t>(c);
        }
    }
    return units;
}

std::string FromUnits(std::u16string_view units) {
    std::string out;
    out.reserve(units.size());
    for (size_t i = 0; i < units.size(); ++i) {
        uint32_t c = units[i];
        bool pair = Between(units[i], 0xD800, 0xDBFF) && i + 1 < units.size() &&
                    Between(units[i + 1], 0xDC00, 0xDFFF);
        if (pair) c = 0x10000 + ((c - 0xD800) << 10) + (units[++i] - 0xDC00u);
        AppendUtf8(out, c);
    }
    return out;
}

size_t UnitCount(std::string_view text) {
    size_t count = 0;
    for (size_t at = 0; at < text.size();) {
        size_t used = 0;
        DecodeAt(text, at, &used);
        count += used == 4 ? 2 : 1;
        at += used == 0 ? 1 : used;
    }
    return count;
}

int CompareUnits(std::string_view left, std::string_view right) {
    // Up to the first difference an ASCII text's bytes are its units, and an ASCII byte
    // orders before any other unit as before any other byte.
    int c = IsAsciiText(left) || IsAsciiText(right) ? left.compare(right)
                                                    : ToUnits(left).compare(ToUnits(right));
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

char16_t LowerUnit(char16_t c) {
    if (c < 0x80) return Between(c, 'A', 'Z') ? static_cast<char16_t>(c + 32) : c;
    if (Between(c, 0xC0, 0xDE) && c != 0xD7) return static_cast<char16_t>(c + 32);
    if (PairedUpperA(c) || PairedUpperCyrillic(c)) return static_cast<char16_t>(c + 1);
    if (c == 0x0178) return 0x00FF;
    if (c == 0x0386) return 0x03AC;
    if (c == 0x038C) return 0x03CC;
    if (Between(c, 0x0388, 0x038A)) return static_cast<char16_t>(c + 37);
    if (Between(c, 0x038E, 0x038F)) return static_cast<char16_t>(c + 63);
    if (Between(c, 0x0391, 0x03AB) && c != 0x03A2) return static_cast<char16_t>(c + 32);
    if (Between(c, 0x0400, 0x040F)) return static_cast<char16_t>(c + 80);
    if (Between(c, 0x0410, 0x042F) || Between(c, 0xFF21, 0xFF3A))
        return static_cast<char16_t>(c + 32);
    return c;
}

char16_t UpperUnit(char16_t c) {
    if (c < 0x80) return Between(c, 'a', 'z') ? static_cast<char16_t>(c - 32) : c;
    if (Between(c, 0xE0, 0xFE) && c != 0xF7) return static_cast<char16_t>(c - 32);
    if (c == 0xFF) return 0x0178;
    if (c > 0 && (PairedUpperA(static_cast<char16_t>(c - 1)) ||
                  PairedUpperCyrillic(static_cast<char16_t>(c - 1))))
        return static_cast<char16_t>(c - 1);
    if (c == 0x03AC) return 0x0386;
    if (c == 0x03CC) return 0x038C;
    if (c == 0x03C2) return 0x03A3;
    if (Between(c, 0x03AD, 0x03AF)) return static_cast<char16_t>(c - 37);
    if (Between(c, 0x03CD, 0x03CE)) return static_cast<char16_t>(c - 63);
    if (Between(c, 0x03B1, 0x03CB)) return static_cast<char16_t>(c - 32);
    if (Between(c, 0x0450, 0x045F)) return static_cast<char16_t>(c - 80);
    if (Between(c, 0x0430, 0x044F) || Between(c, 0xFF41, 0xFF5A))
        return static_cast<char16_t>(c - 32);
    return c;
}

std::u16string LowerUnits(std::u16string text) {
    for (char16_t& c : text) c = LowerUnit(c);
    return text;
}

std::u16string UpperUnits(std::u16string text) {
    for (char16_t& c : text) c = UpperUnit(c);
    return text;
}

namespace {

// Any text, a character beyond ASCII included, through its 16-bit units.
std::string FromWideUnits(const platform::OLECHAR* text, size_t length) {
    std::u16string units;
    units.reserve(length);
    for (size_t i = 0; i < length; ++i) {
        auto c = static_cast<uint32_t>(text[i]);
        if (c >= 0x10000 && c <= 0x10FFFF) {
            c -= 0x10000;
            units += static_cast<char16_t>(0xD800 + (c >> 10));
            units += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
        } else {
            units += static_cast<char16_t>(c > 0xFFFF ? u'?' : c);
        }
    }
    return FromUnits(units);
}

}  // namespace

std::string FromWide(const platform::OLECHAR* text, size_t length) {
    // Script text and names are nearly always ASCII, and a filter's whole program comes
    // through here on every message: such text is copied as it is, without the round trip
    // through 16-bit units.
    std::string ascii(length, '\0');
    for (size_t i = 0; i < length; ++i) {
        if (static_cast<uint32_t>(text[i]) >= 0x80) return FromWideUnits(text, length);
        ascii[i] = static_cast<char>(text[i]);
    }
    return ascii;
}

std::wstring ToWide(std::string_view text) {
    const std::u16string units = ToUnits(text);
    return std::wstring(units.begin(), units.end());
}

std::string FromAnsiText(std::string_view bytes) {
    if (IsAsciiText(bytes)) return std::string(bytes);
    std::wstring wide(bytes.size(), L'\0');
    const int length = static_cast<int>(bytes.size());
    const int units = platform::MultiByteToWideChar(platform::CP_ACP, 0, bytes.data(), length,
                                                    wide.data(), length);
    return FromWide(wide.data(), static_cast<size_t>(units));
}

std::string ToAnsiText(std::string_view text) {
    if (IsAsciiText(text)) return std::string(text);
    const std::wstring wide = ToWide(text);
    const int units = static_cast<int>(wide.size());
    // Sized by asking: in a multi-byte code page a character may take several bytes.
    const int needed = platform::WideCharToMultiByte(platform::CP_ACP, 0, wide.data(), units,
                                                     nullptr, 0, nullptr, nullptr);
    if (needed <= 0) return std::string(wide.size(), '?');
    std::string bytes(static_cast<size_t>(needed), '?');
    platform::WideCharToMultiByte(platform::CP_ACP, 0, wide.data(), units, bytes.data(), needed,
                                  nullptr, nullptr);
    return bytes;
}

char16_t UnitFromAnsi(unsigned char byte) {
    const char text[1] = {static_cast<char>(byte)};
    platform::OLECHAR wide[1] = {0};
    if (platform::MultiByteToWideChar(platform::CP_ACP, 0, text, 1, wide, 1) != 1) return u'?';
    return static_cast<char16_t>(wide[0]);
}

unsigned char AnsiFromUnit(char16_t unit) {
    const platform::OLECHAR wide[1] = {static_cast<platform::OLECHAR>(unit)};
    char text[1] = {'?'};
    if (platform::WideCharToMultiByte(platform::CP_ACP, 0, wide, 1, text, 1, nullptr, nullptr) != 1)
        return '?';
    return static_cast<unsigned char>(text[0]);
}

}  // namespace vbscript
