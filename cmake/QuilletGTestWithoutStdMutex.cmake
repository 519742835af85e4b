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

# Test sources that start threads (std::thread) cannot be built where the
# standard library has no threads (the "win32" thread model). There `target`
# is compiled with QUILLET_HAS_STD_THREAD=0, so a source can leave out just
# its threaded tests (#if QUILLET_HAS_STD_THREAD); a source that uses
# std::thread without checking that is left out whole, with a note. The
# 64-bit build (posix threads) runs them all.
function(quillet_leave_out_threaded_tests target)
  if(NOT WIN32)
    return()
  endif()
  check_cxx_source_compiles("#include <thread>
int main() { std::thread worker([] {}); worker.join(); return 0; }" QUILLET_HAS_STD_THREAD)
  if(QUILLET_HAS_STD_THREAD)
    return()
  endif()
  target_compile_definitions(${target} PRIVATE QUILLET_HAS_STD_THREAD=0)
  get_target_property(sources ${target} SOURCES)
  get_target_property(source_dir ${target} SOURCE_DIR)
  set(kept)
  set(left_out)
  foreach(source IN LISTS sources)
    set(path ${source})
    if(NOT IS_ABSOLUTE ${path})
      set(path ${source_dir}/${source})
    endif()
    set(uses_threads)
    set(checks_threads)
    if(path MATCHES "\\.cpp$" AND EXISTS ${path})
      file(STRINGS ${path} uses_threads REGEX "std::thread[ \t]+[A-Za-z_]")
      file(STRINGS ${path} checks_threads REGEX "^#if.*QUILLET_HAS_STD_THREAD")
    endif()
    if(uses_threads AND NOT checks_threads)
      list(APPEND left_out ${source})
    else()
      list(APPEND kept ${source})
    endif()
  endforeach()
  if(left_out)
    set_property(TARGET ${target} PROPERTY SOURCES ${kept})
    message(STATUS "No std::thread in this standard library; left out of ${target}: ${left_out}")
  endif()
endfunction()
