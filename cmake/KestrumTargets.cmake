# Project-wide compile settings and the helpers every folder uses to declare its targets.

# Sources are UTF-8; narrow literals become Shift-JIS bytes, the text encoding of the whole program.
set(KESTRUM_CHARSET_FLAGS -finput-charset=UTF-8 -fexec-charset=CP932)
set(KESTRUM_WARNING_FLAGS -Wall -Wextra -Wpedantic -Wshadow -Werror)

if(WIN32)
  set(KESTRUM_PLATFORM win32)
else()
  set(KESTRUM_PLATFORM posix)
endif()

if(KESTRUM_SANITIZE)
  set(KESTRUM_SANITIZER_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=all
                              -fno-omit-frame-pointer)
  add_compile_options(${KESTRUM_SANITIZER_FLAGS})
  add_link_options(${KESTRUM_SANITIZER_FLAGS})
endif()

if(WIN32)
  # No MinGW runtime DLLs beside the executable: everything but the system DLLs is linked in.
  add_link_options(-static -static-libgcc -static-libstdc++)
  # C99-conforming printf family, so that long double formats correctly.
  add_compile_definitions(__USE_MINGW_ANSI_STDIO=1 WIN32_LEAN_AND_MEAN NOMINMAX
                          _WIN32_WINNT=0x0601 WINVER=0x0601)
  # Every function and object in a section of its own, so that the linker drops what nothing
  # reaches: the static runtime is most of the program otherwise.
  add_compile_options("$<$<COMPILE_LANGUAGE:CXX>:-ffunction-sections;-fdata-sections>")
  add_link_options(-Wl,--gc-sections)
  # The same bytes from every build of one commit: no link time stamp in the header, and no
  # build folder in the program (__FILE__, debug info); the sources' folder reads as ".".
  add_link_options(-Wl,--no-insert-timestamp)
  add_compile_options(
    "$<$<COMPILE_LANGUAGE:CXX>:-ffile-prefix-map=${PROJECT_SOURCE_DIR}=.;-ffile-prefix-map=${CMAKE_BINARY_DIR}=.>")
endif()

# KESTRUM_LINK_MAP=path: the linker writes a map of what makes the program (tools/dist.sh).
set(KESTRUM_LINK_MAP "" CACHE FILEPATH "Write the linker's map of Kestrum.exe to this file")

# Applies the project's flags to one of its own targets (not to third-party code).
function(kestrum_target_options target)
  # C++ only: the resource compiler of the Windows builds takes none of these.
  target_compile_options(${target} PRIVATE
    "$<$<COMPILE_LANGUAGE:CXX>:${KESTRUM_WARNING_FLAGS};${KESTRUM_CHARSET_FLAGS}>")
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
endfunction()

# kestrum_library(name SOURCES ... [POSIX ...] [WIN32 ...] [DEPS ...])
# Platform variants are sibling files chosen here, never by #ifdef inside functions.
function(kestrum_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;POSIX;WIN32;DEPS" ${ARGN})
  set(sources ${ARG_SOURCES})
  if(WIN32)
    list(APPEND sources ${ARG_WIN32})
  else()
    list(APPEND sources ${ARG_POSIX})
  endif()
  add_library(${name} STATIC ${sources})
  kestrum_target_options(${name})
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
endfunction()
