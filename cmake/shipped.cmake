# What every binary we ship is built with. The code throws nothing and asks
# no type at run time, so exception tables and type information are dead
# weight; unused functions are dropped and symbols stripped at link time.
# The i686 images also declare Windows 4.0, since Windows 9x and NT 4 refuse
# an image that asks for a later subsystem or system version.
function(qel_shipped target)
  target_compile_options(${target} PRIVATE -Os -ffunction-sections -fdata-sections
    $<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions -fno-rtti>)
  # i686 Windows unwinds by frame chains, so the DWARF tables serve only C++
  # exceptions; x86_64 Windows needs unwind data to walk through any frame.
  if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
    target_compile_options(${target} PRIVATE -fno-asynchronous-unwind-tables)
  endif()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "OBJECT_LIBRARY")
    return()
  endif()
  target_link_options(${target} PRIVATE -Wl,--gc-sections -s)
  get_target_property(sources ${target} SOURCES)
  if(sources MATCHES "\\.cpp")
    target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/src/runtime/lean_runtime.cpp)
  endif()
  if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
    target_link_options(${target} PRIVATE
      -Wl,--major-subsystem-version,4,--minor-subsystem-version,0
      -Wl,--major-os-version,4,--minor-os-version,0)
  endif()
endfunction()

# The posix thread model links winpthreads into every image; the win32 model
# builds its few locks on kernel32 alone.
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -v ERROR_VARIABLE compiler_banner
                OUTPUT_QUIET)
if(compiler_banner MATCHES "Thread model: ([a-z0-9]+)" AND NOT CMAKE_MATCH_1 STREQUAL "win32")
  message(FATAL_ERROR "${CMAKE_CXX_COMPILER} uses the ${CMAKE_MATCH_1} thread model; "
          "use the win32 one (${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32-g++-win32, "
          "update-alternatives --config ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32-g++)")
endif()
