# GoogleTest built from source with a standard library that has no std::mutex
# (mingw-w64's "win32" thread model): GoogleTest gets its Notification class
# from a Win32 stand-in instead, in the library and in every test that uses it.
include(CheckCXXSourceCompiles)

function(quillet_gtest_without_std_mutex)
  if(NOT WIN32)
    return()
  endif()
  check_cxx_source_compiles("#include <mutex>
std::mutex m;
int main() { return 0; }" QUILLET_HAS_STD_MUTEX)
  if(QUILLET_HAS_STD_MUTEX)
    return()
  endif()
  set(stand_in ${PROJECT_SOURCE_DIR}/tests/win32/gtest_notification.h)
  foreach(library gtest gmock)
    if(TARGET ${library})
      target_compile_definitions(${library} PUBLIC GTEST_HAS_NOTIFICATION_=1)
      target_compile_options(${library} PUBLIC "SHELL:-include ${stand_in}")
    endif()
  endforeach()
endfunction()
