#pragma once

#include <string>
#include <string_view>

// Conversions between the catalogue's UTF-8 and the single-byte text the client speaks.
namespace textCodec {

// Each byte is one Latin-1 character.
std::string latin1ToUtf8(std::string_view latin1);
// Characters beyond Latin-1 (and broken sequences) become '?'.
std::string utf8ToLatin1(std::string_view utf8);

// Decodes %XX where XX are two hex digits; any other '%' stays as it is.
std::string percentDecode(std::string_view text);
// The client puts a bare '%' before or after a search text as a wildcard marker. A trailing '%' is
// always one (no escape fits there); a leading one is when the address puts one there
// (leadingMarker), or when it does not start a %XX escape.
std::string_view stripOuterPercent(std::string_view text, bool leadingMarker);
// A query value as the client means it: markers stripped, %XX decoded, bytes read as Latin-1.
std::string queryValueToUtf8(std::string_view raw, bool leadingMarker = false);
// The same for a value a browser may send as UTF-8 and the client as Latin-1: decoded bytes that
// are valid UTF-8 are read as UTF-8, any others as Latin-1.
std::string browserValueToUtf8(std::string_view raw);

// Lower case, accents folded to their base letter, ';' read as ',' (replies write commas that way).
// Used for prefix searches.
std::string searchKey(std::string_view utf8);
// Lower case only, '/' and '\' dropped (the client drops them from names), blanks trimmed, ';' read as ','.
// Used to find an artist by the name the client sends.
std::string lookupKey(std::string_view utf8);

// Reply fields must not hold a comma: the client splits records at every one.
std::string withoutCommas(std::string_view utf8);

// Lower-case ASCII letters and digits joined by '-': safe in any address.
std::string slug(std::string_view utf8);

// The value of the first "key=" in a raw query (after '?', '&' or at the start), up to the next '&'.
// Returns false when the key is absent.
bool rawQueryValue(std::string_view query, std::string_view key, std::string &value);

std::string toLowerAscii(std::string_view text);

// Text made safe to stand inside an HTML page.
std::string htmlEscape(std::string_view text);

} // namespace textCodec
