// How quillet-modify writes status rows: one line of text per row, or all rows
// as one JSON array.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "status/status_log.h"

namespace quillet::cli {

// The status code of a row, recovered from its colour: 1 (green), 2 (red),
// 3 (blue), 0 for any other colour.
int StatusOfRow(const StatusRow& row);

// The word that opens a row's line: "OK" (1), "FAILED" (2), "RUN" (3), "NOTE"
// for any other status.
const char* StatusWord(int status);

// A field as one line may show it: every control character (tab, CR, LF and
// the others) becomes a space, and a CR LF pair one space, so that a row never
// spans two lines or gains a column. The JSON form keeps every character.
std::string OneLineField(std::string_view text);

// text as a JSON string, quotes included: `"`, `\` and every control character
// escaped (\b \f \n \r \t, the others as \u00XX), other characters as UTF-8.
// Bytes that are not UTF-8 (a file name from a file system that allows them)
// become U+FFFD, so that the result is always valid JSON.
std::string JsonString(std::string_view text);

// The rows as one JSON array with one object per row, in this key order:
// action, value1, value2, status (a number), message. One row a line; lines
// end in `newline`.
std::string RowsAsJson(const std::vector<StatusRow>& rows, std::string_view newline);

}  // namespace quillet::cli
