// Placeholder so the skeleton links; the engine replaces it.
#include "package/profile_file.h"

namespace quillet {

std::string ReadIniValue(const std::string&, const std::string&, const std::string&) { return {}; }
std::string ReadIniKeyNames(const std::string&, const std::string&) { return {}; }
std::string GetFirstKeyValue(const std::string&, const std::string&) { return {}; }
int WriteIniValue(const std::string&, const std::string&, const std::string&, const std::string&,
                  std::string*) {
  return 0;
}
int WriteIniSection(const std::string&, const std::string&, const std::string&, std::string*) {
  return 0;
}
bool DeleteIniKey(const std::string&, const std::string&, const std::string&, std::string*) {
  return true;
}

}  // namespace quillet
