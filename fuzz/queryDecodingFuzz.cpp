// Query text of any bytes through the server's decoders. The input is "query\nkey".
#include "require.h"
#include "textCodec.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char *>(data), size);
    const std::size_t end = input.find('\n');
    const std::string_view query = input.substr(0, end);
    const std::string_view key = end == input.npos ? std::string_view("search") : input.substr(end + 1);

    std::string value;
    if (textCodec::rawQueryValue(query, key, value))
        fuzz::require(query.find(value) != query.npos, "a value is part of its query");
    for (const bool leading : {false, true}) {
        const std::string_view stripped = textCodec::stripOuterPercent(query, leading);
        fuzz::require(stripped.size() <= query.size(), "stripping only shortens");
        const std::string utf8 = textCodec::queryValueToUtf8(query, leading);
        fuzz::require(textCodec::latin1ToUtf8(textCodec::utf8ToLatin1(utf8)) == utf8,
                      "decoded text is Latin-1");
    }
    fuzz::require(textCodec::percentDecode(query).size() <= query.size(), "decoding only shortens");
    fuzz::require(textCodec::utf8ToLatin1(textCodec::latin1ToUtf8(query)) == query, "Latin-1 round trip");
    fuzz::require(textCodec::withoutCommas(query).find(',') == std::string::npos, "no comma left");
    for (const char c : textCodec::slug(query))
        fuzz::require((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-', "slug characters");
    fuzz::require(textCodec::htmlEscape(query).find('<') == std::string::npos, "no tag in escaped text");
    textCodec::searchKey(query);
    textCodec::lookupKey(query);
    return 0;
}
