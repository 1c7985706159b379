# Installs the build into a scratch prefix and checks that the program, its
# desktop entry and its icon are where a desktop looks for them.
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BIN}" --prefix "${PREFIX}" RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()
foreach(path bin/Tarovik_RS232 share/applications/Tarovik_RS232.desktop
             share/icons/hicolor/scalable/apps/tarovik_rs232.svg)
  if(NOT EXISTS "${PREFIX}/${path}")
    message(FATAL_ERROR "not installed: ${path}")
  endif()
endforeach()
file(READ "${PREFIX}/share/applications/Tarovik_RS232.desktop" entry)
if(NOT entry MATCHES "Exec=Tarovik_RS232" OR NOT entry MATCHES "Icon=tarovik_rs232")
  message(FATAL_ERROR "the desktop entry does not start the program with its icon")
endif()
file(REMOVE_RECURSE "${PREFIX}")
