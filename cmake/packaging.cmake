# cpack makes the packages users download: on Windows
# pelorin-<version>-win64.zip with pelorin.exe and README_WINDOWS.txt,
# elsewhere pelorin-<version>-linux-<cpu>.tar.gz with bin/pelorin.
set(CPACK_PACKAGE_NAME pelorin)
set(CPACK_PACKAGE_VENDOR "Pelorin")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Converts TGA images to ICI")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_STRIP_FILES ON)

if(WIN32)
  # Notepad of older Windows shows LF-only text as one long line.
  configure_file(${CMAKE_CURRENT_SOURCE_DIR}/packaging/README_WINDOWS.txt
                 ${CMAKE_CURRENT_BINARY_DIR}/README_WINDOWS.txt
                 @ONLY NEWLINE_STYLE CRLF)
  install(TARGETS pelorin RUNTIME DESTINATION .)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/README_WINDOWS.txt DESTINATION .)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_SYSTEM_NAME win64)
else()
  install(TARGETS pelorin RUNTIME DESTINATION bin)
  if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/README.md)
    install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/README.md DESTINATION share/doc/pelorin)
  endif()
  set(CPACK_GENERATOR TGZ)
  string(TOLOWER "${CMAKE_SYSTEM_NAME}-${CMAKE_SYSTEM_PROCESSOR}" CPACK_SYSTEM_NAME)
endif()
set(CPACK_PACKAGE_FILE_NAME ${CPACK_PACKAGE_NAME}-${PROJECT_VERSION}-${CPACK_SYSTEM_NAME})

include(CPack)
