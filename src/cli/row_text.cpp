#include "cli/row_text.h"

#include <cstdio>

#include "platform/utf8.h"

namespace quillet::cli {

int StatusOfRow(const StatusRow& row) {
  for (const int status : {kStatusSuccess, kStatusFailure, kStatusInformation}) {
    if (row.colour == StatusColour(status)) return status;
  }
  return 0;
}

const char* StatusWord(int status) {
  switch (status) {
    case kStatusSuccess:
      return "OK";
    case kStatusFailure:
      return "FAILED";
    case kStatusInformation:
      return "RUN";
    default:
      return "NOTE";
  }
}

std::string OneLineField(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;  // the LF follows
    out += (c < 0x20 || c == 0x7F) ? ' ' : static_cast<char>(c);
  }
  return out;
}

std::string JsonString(std::string_view text) {
  std::string out = "\"";
  out.reserve(text.size() + 2);
  std::size_t i = 0;
  while (i < text.size()) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      switch (c) {
        case '"':
          out += "\\\"";
          break;
        case '\\':
          out += "\\\\";
          break;
        case '\b':
          out += "\\b";
          break;
        case '\f':
          out += "\\f";
          break;
        case '\n':
          out += "\\n";
          break;
        case '\r':
          out += "\\r";
          break;
        case '\t':
          out += "\\t";
          break;
        default:
          if (c < 0x20 || c == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
          } else {
            out += static_cast<char>(c);
          }
      }
      ++i;
      continue;
    }
    char32_t cp = 0;
    const std::size_t length = platform::DecodeUtf8(text, i, cp);
    if (length == 0) {
      platform::AppendUtf8(out, 0xFFFD);
      ++i;
    } else {
      out.append(text.substr(i, length));
      i += length;
    }
  }
  out += '"';
  return out;
}

std::string RowsAsJson(const std::vector<StatusRow>& rows, std::string_view newline) {
  if (rows.empty()) return "[]" + std::string(newline);
  std::string out = "[" + std::string(newline);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const StatusRow& row = rows[i];
    out += "  {\"action\": " + JsonString(row.action) + ", \"value1\": " + JsonString(row.value1) +
           ", \"value2\": " + JsonString(row.value2) +
           ", \"status\": " + std::to_string(StatusOfRow(row)) +
           ", \"message\": " + JsonString(row.message) + "}";
    if (i + 1 < rows.size()) out += ",";
    out += newline;
  }
  out += "]";
  out += newline;
  return out;
}

}  // namespace quillet::cli
