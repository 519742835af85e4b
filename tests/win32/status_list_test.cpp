// The status list: the log's rows as list items (action, both values, the
// row image), each action bold in its status colour, the row message as the
// action's tool tip, the values as theirs.
#include <string>

#include "window_fixture.h"

namespace quillet::win32::testing {
namespace {

class StatusListTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    ShowPage(4);
    log_.SetListener([this](int appended_row) { window_->StatusRowsChanged(log_, appended_row); });
  }

  HWND List() const { return Control("lvwStatus"); }

  std::string ItemText(int item, int sub_item) const {
    wchar_t text[1024] = {};
    LVITEMW request{};
    request.iSubItem = sub_item;
    request.pszText = text;
    request.cchTextMax = 1024;
    ::SendMessageW(List(), LVM_GETITEMTEXTW, static_cast<WPARAM>(item),
                   reinterpret_cast<LPARAM>(&request));
    return Narrow(text);
  }
  int ItemImage(int item) const {
    LVITEMW request{};
    request.mask = LVIF_IMAGE;
    request.iItem = item;
    ::SendMessageW(List(), LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&request));
    return request.iImage;
  }
  int Count() const { return static_cast<int>(::SendMessageW(List(), LVM_GETITEMCOUNT, 0, 0)); }

  // What the window answers when the list asks how to draw a part of a row.
  struct Drawn {
    LRESULT result;
    COLORREF text;
    bool bold;
  };
  Drawn AskDraw(int item, int sub_item) {
    NMLVCUSTOMDRAW draw{};
    draw.nmcd.hdr.hwndFrom = List();
    draw.nmcd.hdr.idFrom = static_cast<UINT_PTR>(::GetDlgCtrlID(List()));
    draw.nmcd.hdr.code = NM_CUSTOMDRAW;
    draw.nmcd.dwDrawStage = CDDS_ITEMPREPAINT | CDDS_SUBITEM;
    draw.nmcd.dwItemSpec = static_cast<DWORD_PTR>(item);
    draw.iSubItem = sub_item;
    HDC dc = ::CreateCompatibleDC(nullptr);
    draw.nmcd.hdc = dc;
    const LRESULT result = ::SendMessageW(::GetParent(List()), WM_NOTIFY, draw.nmcd.hdr.idFrom,
                                          reinterpret_cast<LPARAM>(&draw));
    LOGFONTW font{};
    ::GetObjectW(::GetCurrentObject(dc, OBJ_FONT), sizeof(font), &font);
    ::DeleteDC(dc);
    return {result, draw.clrText, font.lfWeight >= FW_BOLD};
  }

  std::string ToolTip(int item, int sub_item) {
    wchar_t text[1024] = L"(the item's own text)";
    NMLVGETINFOTIPW tip{};
    tip.hdr.hwndFrom = List();
    tip.hdr.idFrom = static_cast<UINT_PTR>(::GetDlgCtrlID(List()));
    tip.hdr.code = LVN_GETINFOTIPW;
    tip.pszText = text;
    tip.cchTextMax = 1024;
    tip.iItem = item;
    tip.iSubItem = sub_item;
    ::SendMessageW(::GetParent(List()), WM_NOTIFY, tip.hdr.idFrom, reinterpret_cast<LPARAM>(&tip));
    return Narrow(text);
  }

  StatusLog log_;
};

TEST_F(StatusListTest, RowsAppearAsTheyAreLoggedAndGoWhenCleared) {
  log_.LogAction("INF Change", "Shortcuts", "QuilletShortcut", kStatusSuccess, "");
  EXPECT_EQ(Count(), 1);
  log_.LogAction("Run CMD", "C:\\Pkg\\", "", kStatusInformation, "Ran \"x.bat\"");
  log_.LogAction("Copy EXE", "C:\\L\\Stub.exe", "C:\\Pkg\\Mips 4000 (4K) v3.00\\", kStatusFailure,
                 "Could not copy C:\\L\\Stub.exe: The system cannot find the file specified.");
  ASSERT_EQ(Count(), 3);
  const char* expected[3][3] = {{"INF Change", "Shortcuts", "QuilletShortcut"},
                                {"Run CMD", "C:\\Pkg\\", ""},
                                {"Copy EXE", "C:\\L\\Stub.exe", "C:\\Pkg\\Mips 4000 (4K) v3.00\\"}};
  for (int row = 0; row < 3; ++row) {
    for (int column = 0; column < 3; ++column) {
      EXPECT_EQ(ItemText(row, column), expected[row][column]) << row << "," << column;
    }
  }
  // The check mark (image 0) for success and information rows, the X (1) for a failure.
  EXPECT_EQ(ItemImage(0), 0);
  EXPECT_EQ(ItemImage(1), 0);
  EXPECT_EQ(ItemImage(2), 1);
  // A row added as given keeps its own image choice.
  log_.AddStatusRow("Custom", "a", "b", kColourBlack, "", false);
  EXPECT_EQ(ItemImage(3), 1);

  log_.Clear();
  EXPECT_EQ(Count(), 0);
  log_.LogAction("Delete", "Stub.exe", "C:\\Pkg\\APP\\", kStatusSuccess, "");
  EXPECT_EQ(Count(), 1);
  EXPECT_EQ(ItemText(0, 0), "Delete");
}

TEST_F(StatusListTest, ActionsAreBoldInTheirStatusColourAndValuesPlain) {
  const int statuses[] = {kStatusSuccess, kStatusFailure, kStatusInformation, 0, 4};
  for (const int status : statuses) log_.LogAction("Action", "one", "two", status, "");
  for (int row = 0; row < 5; ++row) {
    SCOPED_TRACE("status " + std::to_string(statuses[row]));
    const Drawn action = AskDraw(row, 0);
    EXPECT_EQ(action.result, CDRF_NEWFONT);
    EXPECT_EQ(action.text, StatusColour(statuses[row]));
    EXPECT_TRUE(action.bold);
    for (const int column : {1, 2}) {
      const Drawn value = AskDraw(row, column);
      EXPECT_EQ(value.text, ::GetSysColor(COLOR_WINDOWTEXT));
      EXPECT_FALSE(value.bold);
    }
  }
  EXPECT_EQ(StatusColour(kStatusSuccess), 0x00FF00u);
  EXPECT_EQ(StatusColour(kStatusFailure), 0x0000FFu);
  EXPECT_EQ(StatusColour(kStatusInformation), 0xFF0000u);
}

TEST_F(StatusListTest, TheListDrawsTheActionInItsColour) {
  log_.LogAction("Move CAB", "C:\\Pkg\\a.CAB", "C:\\Pkg\\CD1\\a.CAB", kStatusFailure, "failed");
  ::RedrawWindow(List(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  RECT cell{};
  cell.top = 0;  // sub-item 0
  cell.left = LVIR_LABEL;
  ::SendMessageW(List(), LVM_GETSUBITEMRECT, 0, reinterpret_cast<LPARAM>(&cell));
  HDC dc = ::GetDC(List());
  int red = 0;
  for (int y = cell.top; y < cell.bottom; ++y) {
    for (int x = cell.left; x < cell.right; ++x) red += ::GetPixel(dc, x, y) == RGB(255, 0, 0);
  }
  ::ReleaseDC(List(), dc);
  EXPECT_GT(red, 20);
}

TEST_F(StatusListTest, ToolTipsAreTheMessageAndTheValues) {
  log_.LogAction("Copy EXE", "C:\\L\\Stub.exe", "C:\\Pkg\\Arm\\", kStatusFailure,
                 "Could not copy C:\\L\\Stub.exe");
  log_.LogAction("INF Add Key", "QuilletShortcut", ",%CE2%\\Start Menu", kStatusSuccess, "");
  log_.LogAction("Delete", "", "", kStatusSuccess, "");
  EXPECT_EQ(ToolTip(0, 0), "Could not copy C:\\L\\Stub.exe");
  EXPECT_EQ(ToolTip(0, 1), "C:\\L\\Stub.exe");
  EXPECT_EQ(ToolTip(0, 2), "C:\\Pkg\\Arm\\");
  // A success has no message, so no tool tip (not even its own text).
  EXPECT_EQ(ToolTip(1, 0), "");
  EXPECT_EQ(ToolTip(1, 2), ",%CE2%\\Start Menu");
  // Empty values still make sub-items, with empty text and no tool tip.
  EXPECT_EQ(ItemText(2, 1), "");
  EXPECT_EQ(ToolTip(2, 1), "");
  EXPECT_EQ(ToolTip(7, 0), "");  // no such row
}

TEST_F(StatusListTest, SelectingARowShowsIt) {
  for (int i = 0; i < 30; ++i) log_.LogAction("Row " + std::to_string(i), "", "", 1, "");
  window_->SelectStatusRow(27);
  EXPECT_EQ(::SendMessageW(List(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED), 27);
  const auto top = ::SendMessageW(List(), LVM_GETTOPINDEX, 0, 0);
  const auto per_page = ::SendMessageW(List(), LVM_GETCOUNTPERPAGE, 0, 0);
  EXPECT_LE(top, 27);
  EXPECT_GT(top + per_page, 27);
}

}  // namespace
}  // namespace quillet::win32::testing
