#include "wizard/error_report.h"

#include <new>
#include <system_error>

namespace quillet {

ErrorReport ReportOf(const std::exception_ptr& error) {
  try {
    if (error) std::rethrow_exception(error);
  } catch (const std::system_error& system) {
    return {system.what(), system.code().value()};
  } catch (const std::bad_alloc&) {
    // The library's own text ("std::bad_alloc") means nothing to a user.
    return {"Out of memory", kOutOfMemoryErrorNumber};
  } catch (const std::exception& other) {
    return {other.what(), kUnexpectedErrorNumber};
  } catch (...) {
  }
  return {"Unexpected error", kUnexpectedErrorNumber};
}

std::string ErrorBoxText(const ErrorReport& error) {
  return error.description + " " + std::to_string(error.number);
}

}  // namespace quillet
