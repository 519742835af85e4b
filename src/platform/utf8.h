// UTF-8 encoding and decoding, shared by the code page conversions and the
// profile engine's UTF-16 files.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quillet::platform {

// Decodes the sequence that starts at text[i] (i < text.size()). Returns its
// length and sets cp, or returns 0 when the bytes there are not UTF-8: a stray
// continuation byte, a truncated or overlong sequence, a value beyond Unicode,
// or a surrogate unless allow_surrogates (which lets the unpaired surrogates of
// a UTF-16 file travel through UTF-8 text and back).
std::size_t DecodeUtf8(std::string_view text, std::size_t i, char32_t& cp,
                       bool allow_surrogates = false);

// Appends the UTF-8 form of cp.
void AppendUtf8(std::string& out, char32_t cp);

}  // namespace quillet::platform
