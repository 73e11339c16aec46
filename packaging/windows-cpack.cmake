# Read by cpack once for each generator (packaging/windows.cmake): the
# installer is named apart from the zip that holds the same files.
if(CPACK_GENERATOR STREQUAL "NSIS")
  string(APPEND CPACK_PACKAGE_FILE_NAME -setup)
endif()
