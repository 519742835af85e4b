#include "platform/command_output.h"

#include <utility>

#include "platform/platform.h"
#include "platform/utf8.h"

namespace quillet::platform {
namespace {

// The length of the UTF-8 sequence that `lead` starts, or 0 when it starts none.
std::size_t SequenceLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

}  // namespace

std::size_t WholeUtf8Characters(std::string_view bytes) {
  // Only the last three bytes can belong to a sequence that is still open.
  const std::size_t size = bytes.size();
  for (std::size_t back = 1; back <= 3 && back <= size; ++back) {
    const auto byte = static_cast<unsigned char>(bytes[size - back]);
    if (IsContinuation(byte)) continue;
    const std::size_t length = SequenceLength(byte);
    return length > back ? size - back : size;
  }
  return size;
}

std::string ValidUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size();) {
    char32_t cp = 0;
    const std::size_t length = DecodeUtf8(bytes, i, cp);
    if (length == 0) {
      out += "\xEF\xBF\xBD";
      ++i;
    } else {
      out.append(bytes.substr(i, length));
      i += length;
    }
  }
  return out;
}

CommandOutput::CommandOutput(std::function<void(std::string_view chunk)> on_output)
    : on_output_(std::move(on_output)), tail_limit_(2 * kCommandOutputTailBytes) {}

void CommandOutput::Add(std::string_view bytes) {
  if (bytes.empty()) return;
  std::string joined;
  if (!pending_.empty()) {
    joined = pending_ + std::string(bytes);
    bytes = joined;
  }
  const std::size_t whole = WholeOutputCharacters(bytes);
  std::string rest(bytes.substr(whole));
  Pass(OutputToUtf8(bytes.substr(0, whole)));
  pending_ = std::move(rest);
}

void CommandOutput::Finish() {
  if (pending_.empty()) return;
  const std::string rest = std::move(pending_);
  pending_.clear();
  Pass(OutputToUtf8(rest));
}

void CommandOutput::Pass(std::string_view utf8) {
  if (utf8.empty()) return;
  if (on_output_) on_output_(utf8);
  // Keep a bounded window of the most recent text; it is trimmed in halves so
  // that a chatty command costs a copy per tail_limit_ bytes, not per piece.
  if (utf8.size() >= tail_limit_) {
    tail_.assign(utf8.substr(utf8.size() - tail_limit_));
  } else {
    if (tail_.size() + utf8.size() > 2 * tail_limit_) tail_.erase(0, tail_.size() - tail_limit_);
    tail_.append(utf8);
  }
}

std::string CommandOutput::Tail(std::size_t max_bytes) const {
  if (tail_.size() <= max_bytes) return tail_;
  std::size_t cut = tail_.size() - max_bytes;
  while (cut < tail_.size() && IsContinuation(static_cast<unsigned char>(tail_[cut]))) ++cut;
  // Start at the beginning of a line where one begins inside the window.
  if (cut == tail_.size()) return {};
  const char before = tail_[cut - 1];
  const bool at_line_start = before == '\n' || (before == '\r' && tail_[cut] != '\n');
  const std::size_t line_end = at_line_start ? std::string::npos : tail_.find_first_of("\r\n", cut);
  if (line_end != std::string::npos) {
    std::size_t next = line_end + 1;
    if (tail_[line_end] == '\r' && next < tail_.size() && tail_[next] == '\n') ++next;
    if (next < tail_.size()) cut = next;
  }
  return tail_.substr(cut);
}

}  // namespace quillet::platform
