#include "textCodec.h"

#include <cstdint>
#include <vector>

namespace textCodec {

namespace {

void appendUtf8(std::string &out, char32_t c)
{
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

// Decodes the code points of a UTF-8 text; a broken sequence yields U+FFFD for its first byte.
std::vector<char32_t> codePoints(std::string_view utf8)
{
    std::vector<char32_t> out;
    out.reserve(utf8.size());
    size_t i = 0;
    while (i < utf8.size()) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        int extra = 0;
        char32_t c = 0;
        if (b < 0x80) {
            c = b;
        } else if ((b & 0xE0) == 0xC0) {
            extra = 1;
            c = b & 0x1F;
        } else if ((b & 0xF0) == 0xE0) {
            extra = 2;
            c = b & 0x0F;
        } else if ((b & 0xF8) == 0xF0) {
            extra = 3;
            c = b & 0x07;
        } else {
            out.push_back(0xFFFD);
            ++i;
            continue;
        }
        bool ok = true;
        for (int k = 1; k <= extra; ++k) {
            if (i + k >= utf8.size() || (static_cast<unsigned char>(utf8[i + k]) & 0xC0) != 0x80) {
                ok = false;
                break;
            }
            c = (c << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        }
        if (!ok) {
            out.push_back(0xFFFD);
            ++i;
            continue;
        }
        out.push_back(c);
        i += size_t(extra) + 1;
    }
    return out;
}

char32_t lowerLatin1(char32_t c)
{
    if (c >= 'A' && c <= 'Z')
        return c + 32;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7)
        return c + 32;
    return c;
}

// Base letter of a lower-case Latin-1 letter with an accent; others unchanged.
char32_t foldAccent(char32_t c)
{
    static const char *const table = // 0xE0 .. 0xFF
        "aaaaaaaceeeeiiiidnooooo/ouuuuyty";
    if (c >= 0xE0 && c <= 0xFF && c != 0xF7 && c != 0xE6 && c != 0xF0 && c != 0xFE && c != 0xDF)
        return char32_t(static_cast<unsigned char>(table[c - 0xE0]));
    return c;
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string_view trimBlanks(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

} // namespace

std::string latin1ToUtf8(std::string_view latin1)
{
    std::string out;
    out.reserve(latin1.size() + latin1.size() / 8);
    for (char ch : latin1)
        appendUtf8(out, static_cast<unsigned char>(ch));
    return out;
}

std::string utf8ToLatin1(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    bool plain = true;
    for (char ch : utf8)
        plain = plain && static_cast<unsigned char>(ch) < 0x80;
    if (plain)
        return std::string(utf8);
    for (char32_t c : codePoints(utf8))
        out += c <= 0xFF ? char(c) : '?';
    return out;
}

std::string percentDecode(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            const int hi = hexValue(text[i + 1]);
            const int lo = hexValue(text[i + 2]);
            if (hi >= 0 && lo >= 0) {
                out += char(hi * 16 + lo);
                i += 2;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

std::string_view stripOuterPercent(std::string_view text, bool leadingMarker)
{
    if (!text.empty() && text.front() == '%' &&
        (leadingMarker || !(text.size() >= 3 && hexValue(text[1]) >= 0 && hexValue(text[2]) >= 0)))
        text.remove_prefix(1);
    if (!text.empty() && text.back() == '%')
        text.remove_suffix(1);
    return text;
}

std::string queryValueToUtf8(std::string_view raw, bool leadingMarker)
{
    return latin1ToUtf8(percentDecode(stripOuterPercent(raw, leadingMarker)));
}

std::string browserValueToUtf8(std::string_view raw)
{
    std::string bytes = percentDecode(stripOuterPercent(raw, false));
    std::string reencoded;
    for (char32_t c : codePoints(bytes))
        appendUtf8(reencoded, c);
    // A broken sequence comes back as U+FFFD: those bytes were single-byte text.
    return reencoded == bytes ? bytes : latin1ToUtf8(bytes);
}

std::string searchKey(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    for (char32_t c : codePoints(utf8)) {
        c = foldAccent(lowerLatin1(c));
        if (c == ';')
            c = ',';
        appendUtf8(out, c);
    }
    return out;
}

std::string lookupKey(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    for (char32_t c : codePoints(trimBlanks(utf8))) {
        if (c == '/' || c == '\\')
            continue;
        c = lowerLatin1(c);
        if (c == ';')
            c = ',';
        appendUtf8(out, c);
    }
    return std::string(trimBlanks(out));
}

std::string withoutCommas(std::string_view utf8)
{
    std::string out(utf8);
    for (char &ch : out)
        if (ch == ',')
            ch = ';';
    return out;
}

std::string slug(std::string_view utf8)
{
    std::string out;
    bool dash = false;
    for (char32_t c : codePoints(utf8)) {
        c = foldAccent(lowerLatin1(c));
        if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) {
            if (dash && !out.empty())
                out += '-';
            dash = false;
            out += char(c);
        } else {
            dash = true;
        }
    }
    return out.empty() ? std::string("x") : out;
}

bool rawQueryValue(std::string_view query, std::string_view key, std::string &value)
{
    size_t from = 0;
    while (from <= query.size()) {
        const size_t at = query.find(key, from);
        if (at == std::string_view::npos)
            return false;
        const bool atStart = at == 0 || query[at - 1] == '&' || query[at - 1] == '?';
        if (atStart && query.substr(at + key.size(), 1) == "=") {
            const size_t begin = at + key.size() + 1;
            const size_t end = query.find('&', begin);
            value =
                std::string(query.substr(begin, end == std::string_view::npos ? query.npos : end - begin));
            return true;
        }
        from = at + 1;
    }
    return false;
}

std::string toLowerAscii(std::string_view text)
{
    std::string out(text);
    for (char &ch : out)
        if (ch >= 'A' && ch <= 'Z')
            ch = char(ch + 32);
    return out;
}

std::string htmlEscape(std::string_view text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

} // namespace textCodec
