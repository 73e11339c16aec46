# Fails when a source file under the given folders includes a header that only
# POSIX systems have, or the program's own POSIX serial layer: code there must
# build unchanged on Windows. With -DNO_WINDOW=ON it also fails on anything of
# a window: Qt's headers, <windows.h> and the other Win32 window headers, other
# window systems', and the program's own windows (ui/, ui_win32/): code there
# is read by every window alike.
#
#   cmake "-DDIRS=dir1|dir2" [-DNO_WINDOW=ON] -P check_portable_includes.cmake
#
# With -DROOM it checks instead that the files of one room (a folder of the
# source tree, not its subfolders, which are rooms of their own) include only
# their own room's headers and those of the rooms it may use, so that the
# arrows between rooms run one way:
#
#   cmake -DROOMS_ROOT=src -DROOM=flash/gang "-DMAY_USE=flash/session|flash/report" -P ...
#
# A header's room is its folder below ROOMS_ROOT ("flash/session/x.h" is in
# flash/session); an include that names no folder of ROOMS_ROOT (a system or a
# library header) is not the rooms' business.
#
# Every #include counts, inside #if or not; only lines that start with # (after
# blanks) are includes, so a commented-out one is not.
cmake_minimum_required(VERSION 3.25)

if(ROOM)
  string(REPLACE "|" ";" MAY_USE "${MAY_USE}")
  file(GLOB files "${ROOMS_ROOT}/${ROOM}/*.h" "${ROOMS_ROOT}/${ROOM}/*.cpp")
  if(NOT files)
    message(FATAL_ERROR "${ROOMS_ROOT}/${ROOM} holds no source")
  endif()
  set(found "")
  foreach(file IN LISTS files)
    file(STRINGS "${file}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(line IN LISTS includes)
      string(REGEX MATCH "\"([^\"]+)\"" _ "${line}")
      set(header "${CMAKE_MATCH_1}")
      get_filename_component(room "${header}" DIRECTORY)
      string(REGEX REPLACE "/.*" "" top "${header}")
      if(room STREQUAL "" OR NOT IS_DIRECTORY "${ROOMS_ROOT}/${top}" OR room STREQUAL ROOM
         OR room IN_LIST MAY_USE)
        continue()
      endif()
      string(APPEND found "\n  ${file}: includes \"${header}\" of ${room}")
    endforeach()
  endforeach()
  if(found)
    message(FATAL_ERROR "${ROOM} may use only ${MAY_USE}:${found}")
  endif()
  list(LENGTH files checked)
  message(STATUS "${ROOM}: ${checked} files checked, every include within its arrows")
  return()
endif()

if(NOT DIRS)
  message(FATAL_ERROR "no folders given: -DDIRS=...")
endif()
string(REPLACE "|" ";" DIRS "${DIRS}")

set(posix_headers aio arpa/inet dirent dlfcn endian err execinfo fcntl features fnmatch ftw glob
  grp ifaddrs langinfo libgen libutil mqueue netdb nl_types poll pthread pty pwd regex sched
  semaphore spawn strings syslog sysexits termio termios ucontext unistd util utmp utmpx wordexp)
set(posix_folders arpa asm linux net netinet sys)
# Compared in lower case: Windows' file names are not case-sensitive.
set(win32_window_headers windows windef winbase wingdi winuser winnt commctrl commdlg shellapi
  shlobj shobjidl uxtheme dwmapi objbase ole2 richedit)
set(window_folders x11 gtk gdk wx cocoa appkit ui ui_win32)

# True in `result` when `header` belongs to a window toolkit or to a window of the program.
function(is_window_header header result)
  string(TOLOWER "${header}" lower)
  string(REGEX REPLACE "\\.h$" "" base "${lower}")
  string(REGEX REPLACE "/.*" "" folder "${lower}")
  set(hit FALSE)
  if(header MATCHES "^Q[A-Za-z0-9_]*(\\.h)?$" OR header MATCHES "^Qt[A-Za-z0-9]*/"
     OR base IN_LIST win32_window_headers OR (lower MATCHES "/" AND folder IN_LIST window_folders))
    set(hit TRUE)
  endif()
  set(${result} ${hit} PARENT_SCOPE)
endfunction()

set(found "")
set(checked 0)
foreach(dir IN LISTS DIRS)
  if(NOT IS_DIRECTORY "${dir}")
    message(FATAL_ERROR "${dir} is not a folder")
  endif()
  file(GLOB_RECURSE files "${dir}/*.h" "${dir}/*.hh" "${dir}/*.hpp" "${dir}/*.c" "${dir}/*.cc"
    "${dir}/*.cpp" "${dir}/*.cxx")
  foreach(file IN LISTS files)
    math(EXPR checked "${checked} + 1")
    file(STRINGS "${file}" includes REGEX "^[ \t]*#[ \t]*include")
    foreach(line IN LISTS includes)
      if(NOT line MATCHES "^[ \t]*#[ \t]*include[ \t]*[<\"]([^>\"]+)[>\"]")
        continue()
      endif()
      set(header "${CMAKE_MATCH_1}")
      string(REGEX REPLACE "\\.h$" "" base "${header}")
      string(REGEX REPLACE "/.*" "" folder "${header}")
      if(base IN_LIST posix_headers OR (header MATCHES "/" AND folder IN_LIST posix_folders)
         OR header MATCHES "_posix\\.h$")
        string(APPEND found "\n  ${file}: includes <${header}>")
      elseif(NO_WINDOW)
        is_window_header("${header}" window)
        if(window)
          string(APPEND found "\n  ${file}: includes <${header}>, a window's")
        endif()
      endif()
    endforeach()
  endforeach()
endforeach()

if(found)
  if(NO_WINDOW)
    message(FATAL_ERROR "POSIX-only or window headers in code that every window reads:${found}")
  endif()
  message(FATAL_ERROR "POSIX-only headers in code that must also build on Windows:${found}")
endif()
if(NO_WINDOW)
  message(STATUS "${checked} files checked, no POSIX-only or window header")
else()
  message(STATUS "${checked} files checked, no POSIX-only header")
endif()
