// Writes PNGs of the Win32 window, as a user would see it under Wine, into
// the folder named on the command line, with the names the Qt window's
// screenshots use: each page (step1.png ... step5.png, and step5-license.png
// with the agreement shown), step4-rows.png (an INF chosen, one launcher row
// filled, one waiting, one switched off) and step4-status.png (success,
// command and failure rows). The client area, without the frame.
#include <cstdio>
#include <deque>
#include <filesystem>
#include <fstream>
#include <string>

#include "png_writer.h"
#include "win32/main_window.h"
#include "win32/wizard_events.h"
#include "wizard/wizard.h"

namespace {

using namespace quillet;
using quillet::win32::testing::PngWriter;

// Answers the file dialog from a list of paths; cancels when it runs out.
class ListedDialogs : public UserDialogs {
 public:
  std::deque<std::string> paths;

  std::optional<std::string> GetOpenFileName(const OpenFileRequest&) override {
    if (paths.empty()) return std::nullopt;
    std::string path = paths.front();
    paths.pop_front();
    return path;
  }
  bool AskYesNoWarning(const std::string&, const std::string&) override { return false; }
  bool AskYesNo(const std::string&, const std::string&, bool) override { return false; }
  void ShowMessage(const std::string&, const std::string&) override {}
};

// The window with its page logic, as the program puts it together.
struct App {
  explicit App(const std::string& settings_folder)
      : window(::GetModuleHandleW(nullptr), win32::WindowOptions{.quit_when_destroyed = false}),
        wizard(state, window, dialogs),
        events(wizard) {
    window.SetEvents(&events);
    wizard.Form_Load(settings_folder);
    ::SetWindowPos(window.Handle(), nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ::ShowWindow(window.Handle(), SW_SHOW);
    ::SetForegroundWindow(window.Handle());
    Pump();
  }
  ~App() { window.SetEvents(nullptr); }

  void Pump() {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (window.PreTranslateMessage(message)) continue;
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
  }
  void Click(const char* name) {
    ::SendMessageW(window.ControlHandle(name), BM_CLICK, 0, 0);
    Pump();
  }

  ToolState state;
  ListedDialogs dialogs;
  win32::MainWindow window;
  Wizard wizard;
  win32::WizardEvents events;
};

bool Save(HWND window, const std::filesystem::path& folder, const char* name) {
  ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  RECT client{};
  ::GetClientRect(window, &client);
  const int width = client.right;
  const int height = client.bottom;
  HDC source = ::GetDC(window);
  HDC memory = ::CreateCompatibleDC(source);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = ::CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = ::SelectObject(memory, bitmap);
  ::BitBlt(memory, 0, 0, width, height, source, 0, 0, SRCCOPY);
  ::GdiFlush();
  std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * height * 3);
  const auto* bgrx = static_cast<const std::uint8_t*>(bits);
  for (std::size_t i = 0; i < static_cast<std::size_t>(width) * height; ++i) {
    rgb[i * 3] = bgrx[i * 4 + 2];
    rgb[i * 3 + 1] = bgrx[i * 4 + 1];
    rgb[i * 3 + 2] = bgrx[i * 4];
  }
  ::SelectObject(memory, old);
  ::DeleteObject(bitmap);
  ::DeleteDC(memory);
  ::ReleaseDC(window, source);
  const std::string path = (folder / name).string();
  if (!PngWriter::Write(path, width, height, rgb)) {
    std::fprintf(stderr, "could not write %s\n", path.c_str());
    return false;
  }
  std::printf("%s\n", path.c_str());
  return true;
}

bool WriteText(const std::filesystem::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
    return 2;
  }
  const std::filesystem::path folder = argv[1];
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  const std::filesystem::path work =
      std::filesystem::temp_directory_path() /
      ("quillet-screenshots-" + std::to_string(::GetCurrentProcessId()));
  std::filesystem::create_directories(work, error);
  bool ok = true;
  {
    // Every page in turn, and the about page with its agreement shown.
    App app(work.string());
    for (int step = 1; step <= 5; ++step) {
      const std::string button = "cmdStep" + std::to_string(step);
      app.Click(button.c_str());
      ok =
          Save(app.window.Handle(), folder, ("step" + std::to_string(step) + ".png").c_str()) && ok;
    }
    app.Click("cmdLicense");
    ok = Save(app.window.Handle(), folder, "step5-license.png") && ok;
  }
  {
    const std::string inf = (work / "MyApp.inf").string();
    const std::string launcher = (work / "Stub.exe").string();
    ok = WriteText(inf,
                   "[DefaultInstall]\r\nCEShortcuts=Shortcuts\r\n"
                   "[SourceDisksFiles.Mips 4000 (4K) v3.00]\r\nStub.exe=2\r\n"
                   "[SourceDisksFiles.SH 3 (1K) v3.00]\r\nStub.exe=3\r\n") &&
         WriteText(launcher, "MZ") && ok;
    App app(work.string());
    app.dialogs.paths = {inf, launcher};
    app.Click("cmdDPackage");
    app.Click("cmdWrapperBrowse");
    ok = Save(app.window.Handle(), folder, "step4-rows.png") && ok;

    StatusLog& log = app.wizard.Log();
    const std::string pkg = work.string() + "\\";
    log.LogAction("INF Change", "Shortcuts", "QuilletShortcut", 1, "");
    log.LogAction("INF Add Section", "QuilletShortcut", "%AppName%,0,\"Stub.exe\"", 1, "");
    log.LogAction("INF Add Key", "QuilletShortcut", ",%CE2%\\Start Menu", 1, "");
    log.LogAction("Run CMD", pkg, "", 3, "\"C:\\Windows CE Tools\\wce300\\cabwiz.exe\" MyApp.inf");
    log.LogAction("Move CAB", pkg + "MyApp.Mips 4000 (4K) v3.00.CAB", pkg + "CD1\\", 2,
                  "Could not move " + pkg + "MyApp.Mips 4000 (4K) v3.00.CAB: File not found.");
    log.LogAction("Copy EXE", launcher, pkg + "Mips 4000 (4K) v3.00\\", 1, "");
    log.LogAction("Delete", "Stub.exe", pkg + "APP\\", 4, "");
    app.Pump();
    ok = Save(app.window.Handle(), folder, "step4-status.png") && ok;
  }
  std::filesystem::remove_all(work, error);
  return ok ? 0 : 1;
}
