#include "cli/row_text.h"

#include <gtest/gtest.h>

#include "cli/console.h"
#include "cli/quillet_modify.h"
#include "json_check.h"

namespace quillet::cli {
namespace {

StatusRow Row(const std::string& action, const std::string& value1, const std::string& value2,
              int status, const std::string& message) {
  StatusLog log;
  log.LogAction(action, value1, value2, status, message);
  return log.Rows()[0];
}

TEST(RowTextTest, StatusWordsFollowTheColour) {
  const std::pair<int, const char*> cases[] = {
      {1, "OK"}, {2, "FAILED"}, {3, "RUN"}, {0, "NOTE"}, {4, "NOTE"}};
  for (const auto& [status, word] : cases) {
    SCOPED_TRACE(status);
    const StatusRow row = Row("A", "", "", status, "");
    EXPECT_EQ(StatusOfRow(row), status == 1 || status == 2 || status == 3 ? status : 0);
    EXPECT_STREQ(StatusWord(StatusOfRow(row)), word);
  }
}

TEST(RowTextTest, OneLineFieldKeepsEveryRowOnOneLine) {
  const std::pair<std::string, std::string> cases[] = {
      {"C:\\Pkg\\Mips 4000 (4K) v3.00\\", "C:\\Pkg\\Mips 4000 (4K) v3.00\\"},
      {"last lines:\r\nerror 1\r\nerror 2", "last lines: error 1 error 2"},
      {"a\nb\rc\td\x01"
       "e\x7f",
       "a b c d e "},
      {"\xCE\xA9 \xC3\xA9", "\xCE\xA9 \xC3\xA9"},
  };
  for (const auto& [text, shown] : cases) EXPECT_EQ(OneLineField(text), shown);
}

// Records the looks and the text, in order.
class RecordingStream : public OutputStream {
 public:
  explicit RecordingStream(bool colour) : colour_(colour) {}
  void Write(std::string_view utf8) override { text += utf8; }
  bool ShowsColour() const override { return colour_; }
  void SetStyle(TextStyle style) override {
    text += "<" + std::to_string(static_cast<int>(style)) + ">";
  }
  std::string text;

 private:
  bool colour_;
};

TEST(RowTextTest, RowLinesPlainAndInColour) {
  struct Case {
    StatusRow row;
    std::string plain;
    TextStyle style;
  };
  const std::string nl(kNewline);
  const Case cases[] = {
      {Row("INF Change", "Shortcuts", "QuilletShortcut", 1, ""),
       "OK\tINF Change\tShortcuts\tQuilletShortcut", TextStyle::kGreen},
      {Row("Run CMD", "/p/", "", 3, "Ran: sh make.sh"), "RUN\tRun CMD\t/p/\t\tRan: sh make.sh",
       TextStyle::kBlue},
      {Row("Delete", "Stub.exe", "/p/APP/", 2, "Could not delete /p/APP/Stub.exe: gone"),
       "FAILED\tDelete\tStub.exe\t/p/APP/\tCould not delete /p/APP/Stub.exe: gone",
       TextStyle::kRed},
      {Row("Note", "", "", 0, ""), "NOTE\tNote\t\t", TextStyle::kBold},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.plain);
    RecordingStream plain(false);
    WriteRowLine(plain, c.row);
    EXPECT_EQ(plain.text, c.plain + nl);

    RecordingStream coloured(true);
    WriteRowLine(coloured, c.row);
    // The status word and the action in the status colour, the rest plain.
    const std::size_t second_tab = c.plain.find('\t', c.plain.find('\t') + 1);
    EXPECT_EQ(coloured.text, "<" + std::to_string(static_cast<int>(c.style)) + ">" +
                                 c.plain.substr(0, second_tab) + "<0>" +
                                 c.plain.substr(second_tab) + nl);
  }
}

TEST(RowTextTest, AnsiStylesAreBoldColours) {
  EXPECT_EQ(AnsiStyle(TextStyle::kGreen), "\x1b[1;32m");
  EXPECT_EQ(AnsiStyle(TextStyle::kRed), "\x1b[1;31m");
  EXPECT_EQ(AnsiStyle(TextStyle::kBlue), "\x1b[1;94m");
  EXPECT_EQ(AnsiStyle(TextStyle::kBold), "\x1b[1m");
  EXPECT_EQ(AnsiStyle(TextStyle::kPlain), "\x1b[0m");
}

TEST(RowTextTest, JsonStringsEscapeWhatJsonRequires) {
  const std::pair<std::string, std::string> cases[] = {
      {"", "\"\""},
      {"%AppName%,0,\"Stub.exe\"", "\"%AppName%,0,\\\"Stub.exe\\\"\""},
      {",%CE2%\\Start Menu", "\",%CE2%\\\\Start Menu\""},
      {"\b\f\n\r\t", "\"\\b\\f\\n\\r\\t\""},
      {std::string("\x00\x01\x1f\x7f", 4), "\"\\u0000\\u0001\\u001f\\u007f\""},
      {"/ stays", "\"/ stays\""},
      // Non-ASCII as UTF-8, four-byte characters included.
      {"\xCE\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80", "\"\xCE\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80\""},
      // Bytes that are not UTF-8 become U+FFFD, one each.
      {"a\xE9z\xC3", "\"a\xEF\xBF\xBDz\xEF\xBF\xBD\""},
      {"\xED\xA0\x80", "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\""},
  };
  for (const auto& [text, json] : cases) {
    SCOPED_TRACE(json);
    EXPECT_EQ(JsonString(text), json);
    // And a JSON reader gives the text back (with U+FFFD where it was not UTF-8).
    std::string error;
    const auto value = testing::JsonReader::Parse(json, &error);
    ASSERT_TRUE(value.has_value()) << error;
    if (json.find("\xEF\xBF\xBD") == std::string::npos) {
      EXPECT_EQ(value->text, text);
    }
  }
}

TEST(RowTextTest, RowsAsJsonIsExact) {
  const std::vector<StatusRow> rows = {
      Row("INF Change", "Shortcuts", "QuilletShortcut", 1, ""),
      Row("Run CMD", "C:\\Pkg\\", "", 2, "The command ended with exit code 1:\r\nlast line"),
  };
  EXPECT_EQ(RowsAsJson(rows, "\n"),
            "[\n"
            "  {\"action\": \"INF Change\", \"value1\": \"Shortcuts\", \"value2\": "
            "\"QuilletShortcut\", \"status\": 1, \"message\": \"\"},\n"
            "  {\"action\": \"Run CMD\", \"value1\": \"C:\\\\Pkg\\\\\", \"value2\": \"\", "
            "\"status\": 2, \"message\": \"The command ended with exit code 1:\\r\\nlast "
            "line\"}\n"
            "]\n");
  EXPECT_EQ(RowsAsJson({}, "\r\n"), "[]\r\n");
}

}  // namespace
}  // namespace quillet::cli
