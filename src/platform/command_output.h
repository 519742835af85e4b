// The output of a running command: passed on as UTF-8 as it comes, and its
// last lines kept for the caller. Shared by both halves of RunCommand.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace quillet::platform {

// How many leading bytes of `bytes` form whole characters of the command's
// output encoding (UTF-8 outside Windows, the ANSI code page on Windows): the
// rest is the start of a character that the next piece completes.
std::size_t WholeOutputCharacters(std::string_view bytes);

// Converts whole characters of the command's output encoding to valid UTF-8.
std::string OutputToUtf8(std::string_view bytes);

// How many leading bytes of UTF-8 text form whole characters; an incomplete
// sequence at the end is left out. Bytes that can never start a character
// count as whole (they are not held back for ever).
std::size_t WholeUtf8Characters(std::string_view bytes);

// Makes `bytes` valid UTF-8: each byte that is not part of a valid sequence
// becomes U+FFFD.
std::string ValidUtf8(std::string_view bytes);

class CommandOutput {
 public:
  // `on_output` (may be empty) receives each piece of output as UTF-8, never
  // split inside a character.
  explicit CommandOutput(std::function<void(std::string_view chunk)> on_output);

  // Takes bytes as read from the command's output pipe.
  void Add(std::string_view bytes);

  // Passes on what was held back at the end (an incomplete character).
  void Finish();

  // The last lines of the output as UTF-8, at most `max_bytes`; when the
  // output is longer, the text starts at a line start (or, for one very long
  // line, at a character start).
  std::string Tail(std::size_t max_bytes) const;

 private:
  void Pass(std::string_view utf8);

  std::function<void(std::string_view)> on_output_;
  std::string pending_;  // the start of a character the next piece completes
  std::string tail_;     // the most recent text, bounded
  std::size_t tail_limit_ = 0;
};

}  // namespace quillet::platform
