# Fails when a source file under the given folders includes a header that only
# POSIX systems have, or the program's own POSIX serial layer: code there must
# build unchanged on Windows.
#
#   cmake "-DDIRS=dir1|dir2" -P check_portable_includes.cmake
#
# Every #include counts, inside #if or not; only lines that start with # (after
# blanks) are includes, so a commented-out one is not.
cmake_minimum_required(VERSION 3.25)

if(NOT DIRS)
  message(FATAL_ERROR "no folders given: -DDIRS=...")
endif()
string(REPLACE "|" ";" DIRS "${DIRS}")

set(posix_headers aio arpa/inet dirent dlfcn endian err execinfo fcntl features fnmatch ftw glob
  grp ifaddrs langinfo libgen libutil mqueue netdb nl_types poll pthread pty pwd regex sched
  semaphore spawn strings syslog sysexits termio termios ucontext unistd util utmp utmpx wordexp)
set(posix_folders arpa asm linux net netinet sys)

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
      endif()
    endforeach()
  endforeach()
endforeach()

if(found)
  message(FATAL_ERROR "POSIX-only headers in code that must also build on Windows:${found}")
endif()
message(STATUS "${checked} files checked, no POSIX-only header")
