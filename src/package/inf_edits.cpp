#include "package/inf_edits.h"

#include "profile/profile_file.h"

namespace quillet {
namespace {

// Logs the row of one profile write: green when it was written, else red with
// the file and the engine's reason.
void LogWrite(StatusLog& log, bool written, const std::string& error, const std::string& action,
              const std::string& value1, const std::string& value2, const std::string& inf_path) {
  if (written) {
    log.LogAction(action, value1, value2, kStatusSuccess, "");
  } else {
    // The engine's text already names the file and the reason.
    log.LogAction(action, value1, value2, kStatusFailure,
                  error.empty() ? "Could not write " + inf_path : error);
  }
}

bool IsBlank(const std::string& text) { return text.find_first_not_of(' ') == std::string::npos; }

}  // namespace

std::string ShortcutLine(const std::string& wrapper_file_name) {
  return "%AppName%,0,\"" + wrapper_file_name + "\"";
}

void ChangeShortcutKey(const ToolState& state, const std::string& inf_path, StatusLog& log) {
  const std::string& section_name = state.ShortcutSectionName;
  const std::string old_value = ReadIniValue(inf_path, kDefaultInstallSection, kCeShortcutsKey);
  std::string error;
  const bool written =
      WriteIniValue(inf_path, kDefaultInstallSection, kCeShortcutsKey, section_name, &error) != 0;
  LogWrite(log, written, error, kInfChangeAction, old_value, section_name, inf_path);
}

void AddShortcutSection(const ToolState& state, const std::string& inf_path,
                        const std::string& wrapper_file_name, StatusLog& log) {
  const std::string line = ShortcutLine(wrapper_file_name);
  std::string error;
  const bool written = WriteIniSection(inf_path, state.ShortcutSectionName, line, &error) != 0;
  LogWrite(log, written, error, kInfAddSectionAction, state.ShortcutSectionName, line, inf_path);
}

void AddShortcutDestination(const ToolState& state, const std::string& inf_path, StatusLog& log) {
  std::string error;
  const bool written = WriteIniValue(inf_path, kDestinationDirsSection, state.ShortcutSectionName,
                                     kShortcutDestination, &error) != 0;
  LogWrite(log, written, error, kInfAddKeyAction, state.ShortcutSectionName, kShortcutDestination,
           inf_path);
}

void RemoveSourceDiskKey(const std::string& inf_path, const std::string& wrapper_file_name,
                         StatusLog& log) {
  std::string error;
  const bool removed = DeleteIniKey(inf_path, kSourceDisksFilesSection, wrapper_file_name, &error);
  LogWrite(log, removed, error, kInfRemoveKeyAction, kSourceDisksFilesSection, wrapper_file_name,
           inf_path);
}

void AddCpuSourceDiskKeys(const ToolState& state, const std::string& inf_path,
                          const std::string& wrapper_file_name, StatusLog& log) {
  for (int slot = kFirstSlot; slot <= kLastSlot; ++slot) {
    const std::string section =
        std::string(kSourceDisksFilesSection) + "." + state.ProcessorNames[slot];
    // The INF's own sections decide, not the present flags: a processor without
    // files of its own gets no launcher entry.
    const std::string key_names = ReadIniKeyNames(inf_path, section);
    if (IsBlank(key_names)) continue;
    // The value of the section's first key, as GetFirstKeyValue gives it, from
    // the key list already read: one pass over the INF less per processor.
    const std::string value =
        ReadIniValue(inf_path, section, key_names.substr(0, key_names.find('\0')));
    std::string error;
    const bool written = WriteIniValue(inf_path, section, wrapper_file_name, value, &error) != 0;
    LogWrite(log, written, error, kInfAddCpuKeyAction, section, wrapper_file_name + "=" + value,
             inf_path);
  }
}

}  // namespace quillet
