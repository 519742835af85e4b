#include "cli/unified_diff.h"

#include <algorithm>
#include <cstddef>

namespace quillet::cli {
namespace {

enum class Op : unsigned char { kEqual, kDelete, kInsert };

using Lines = std::vector<std::string_view>;

// Beyond this many differing lines the shortest edit is not worth its memory
// (it grows with the square of the count): the middle part is then written as
// removed and added whole, which patch applies just as exactly.
constexpr int kMaxEdits = 1024;

// Appends the shortest edit that turns a[a_begin, a_end) into b[b_begin, b_end)
// (Myers' greedy algorithm), or the whole-block replacement when it is too long.
void AppendMiddleOps(const Lines& a, std::size_t a_begin, std::size_t a_end, const Lines& b,
                     std::size_t b_begin, std::size_t b_end, std::vector<Op>& ops) {
  const int n = static_cast<int>(a_end - a_begin);
  const int m = static_cast<int>(b_end - b_begin);
  const auto whole_block = [&] {
    ops.insert(ops.end(), static_cast<std::size_t>(n), Op::kDelete);
    ops.insert(ops.end(), static_cast<std::size_t>(m), Op::kInsert);
  };
  if (n == 0 || m == 0) return whole_block();
  const auto same = [&](int x, int y) {
    return a[a_begin + static_cast<std::size_t>(x)] == b[b_begin + static_cast<std::size_t>(y)];
  };

  const int limit = std::min(n + m, kMaxEdits);
  const int offset = limit + 1;
  // v[k + offset]: the furthest x reached on diagonal k = x - y.
  std::vector<int> v(static_cast<std::size_t>(2 * limit + 3), 0);
  std::vector<std::vector<int>> trace;  // v as it was before each step
  const auto at = [&](std::vector<int>& vec, int k) -> int& {
    return vec[static_cast<std::size_t>(k + offset)];
  };
  int found = -1;
  for (int d = 0; d <= limit && found < 0; ++d) {
    trace.push_back(v);
    for (int k = -d; k <= d; k += 2) {
      int x =
          (k == -d || (k != d && at(v, k - 1) < at(v, k + 1))) ? at(v, k + 1) : at(v, k - 1) + 1;
      int y = x - k;
      while (x < n && y < m && same(x, y)) {
        ++x;
        ++y;
      }
      at(v, k) = x;
      if (x >= n && y >= m) {
        found = d;
        break;
      }
    }
  }
  if (found < 0) return whole_block();

  // Walk back from the end, collecting the edit in reverse.
  std::vector<Op> reversed;
  int x = n;
  int y = m;
  for (int d = found; d >= 0; --d) {
    std::vector<int>& before = trace[static_cast<std::size_t>(d)];
    const int k = x - y;
    const int previous_k =
        (k == -d || (k != d && at(before, k - 1) < at(before, k + 1))) ? k + 1 : k - 1;
    const int previous_x = at(before, previous_k);
    const int previous_y = previous_x - previous_k;
    while (x > previous_x && y > previous_y) {
      reversed.push_back(Op::kEqual);
      --x;
      --y;
    }
    if (d > 0) reversed.push_back(x == previous_x ? Op::kInsert : Op::kDelete);
    x = previous_x;
    y = previous_y;
  }
  ops.insert(ops.end(), reversed.rbegin(), reversed.rend());
}

std::vector<Op> DiffOps(const Lines& a, const Lines& b) {
  // The common head and tail are cut off first: an INF edit touches a few
  // lines of a long file.
  std::size_t head = 0;
  while (head < a.size() && head < b.size() && a[head] == b[head]) ++head;
  std::size_t tail = 0;
  while (tail < a.size() - head && tail < b.size() - head &&
         a[a.size() - 1 - tail] == b[b.size() - 1 - tail]) {
    ++tail;
  }
  std::vector<Op> ops(head, Op::kEqual);
  AppendMiddleOps(a, head, a.size() - tail, b, head, b.size() - tail, ops);
  ops.insert(ops.end(), tail, Op::kEqual);
  return ops;
}

// "-start,count" as diff writes it: the count left out when it is 1, and an
// empty range named by the line before it.
std::string Range(char sign, std::size_t first_index, std::size_t count) {
  std::string text(1, sign);
  text += std::to_string(count == 0 ? first_index : first_index + 1);
  if (count != 1) text += "," + std::to_string(count);
  return text;
}

void AppendLine(std::string& out, char prefix, std::string_view line) {
  out += prefix;
  out += line;
  if (line.empty() || line.back() != '\n') out += "\n\\ No newline at end of file\n";
}

}  // namespace

std::vector<std::string_view> SplitLinesKeepingEnds(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find('\n', start);
    const std::size_t next = end == std::string_view::npos ? text.size() : end + 1;
    lines.push_back(text.substr(start, next - start));
    start = next;
  }
  return lines;
}

std::string UnifiedDiff(std::string_view before, std::string_view after, const std::string& label,
                        int context) {
  const Lines a = SplitLinesKeepingEnds(before);
  const Lines b = SplitLinesKeepingEnds(after);
  const std::vector<Op> ops = DiffOps(a, b);
  const std::size_t count = ops.size();
  const std::size_t around = static_cast<std::size_t>(std::max(context, 0));

  // Line numbers before each operation.
  std::vector<std::size_t> a_at(count + 1, 0);
  std::vector<std::size_t> b_at(count + 1, 0);
  for (std::size_t i = 0; i < count; ++i) {
    a_at[i + 1] = a_at[i] + (ops[i] != Op::kInsert ? 1 : 0);
    b_at[i + 1] = b_at[i] + (ops[i] != Op::kDelete ? 1 : 0);
  }

  std::string out;
  std::size_t i = 0;
  while (i < count) {
    if (ops[i] == Op::kEqual) {
      ++i;
      continue;
    }
    // One hunk: this change and every later one with at most twice the
    // context of unchanged lines between them.
    const std::size_t first = i >= around ? i - around : 0;
    std::size_t last_change = i;
    std::size_t scan = i + 1;
    while (scan < count) {
      if (ops[scan] != Op::kEqual) {
        last_change = scan;
      } else if (scan - last_change > 2 * around) {
        break;
      }
      ++scan;
    }
    const std::size_t end = std::min(count, last_change + 1 + around);

    if (out.empty()) {
      // A name with a space is followed by a tab, so that patch reads it whole.
      const std::string name = label.find(' ') == std::string::npos ? label : label + "\t";
      out += "--- " + name + "\n+++ " + name + "\n";
    }
    out += "@@ " + Range('-', a_at[first], a_at[end] - a_at[first]) + " " +
           Range('+', b_at[first], b_at[end] - b_at[first]) + " @@\n";
    for (std::size_t op = first; op < end; ++op) {
      switch (ops[op]) {
        case Op::kEqual:
          AppendLine(out, ' ', a[a_at[op]]);
          break;
        case Op::kDelete:
          AppendLine(out, '-', a[a_at[op]]);
          break;
        case Op::kInsert:
          AppendLine(out, '+', b[b_at[op]]);
          break;
      }
    }
    i = end;
  }
  return out;
}

}  // namespace quillet::cli
