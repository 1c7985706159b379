# Builds the Debian package from this build tree into a scratch folder,
# unpacks it and checks that it installs the program, its desktop entry and
# its icon under /usr and declares the Qt libraries it needs.
#   cmake -DBIN=<build folder> -DWORK=<scratch folder> -P check_package.cmake
file(REMOVE_RECURSE "${WORK}")
execute_process(COMMAND cpack -G DEB --config "${BIN}/CPackConfig.cmake" -B "${WORK}"
  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
file(GLOB debs "${WORK}/*.deb")
list(LENGTH debs count)
if(NOT result EQUAL 0 OR NOT count EQUAL 1)
  message(FATAL_ERROR "cpack -G DEB gave no package (${result}):\n${output}")
endif()
execute_process(COMMAND dpkg-deb -x "${debs}" "${WORK}/root" RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "dpkg-deb -x failed: ${result}")
endif()
foreach(path usr/bin/Tarovik_RS232 usr/share/applications/Tarovik_RS232.desktop
             usr/share/icons/hicolor/scalable/apps/tarovik_rs232.svg)
  if(NOT EXISTS "${WORK}/root/${path}")
    message(FATAL_ERROR "the package does not hold ${path}")
  endif()
endforeach()
execute_process(COMMAND dpkg-deb -f "${debs}" Depends OUTPUT_VARIABLE depends)
foreach(library libqt6core6 libqt6widgets6 libqt6serialport6 libqt6svg6)
  if(NOT depends MATCHES "${library}")
    message(FATAL_ERROR "the package does not depend on ${library}: ${depends}")
  endif()
endforeach()
file(REMOVE_RECURSE "${WORK}")
