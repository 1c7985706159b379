# Checks that the texts the operator reads live in one place per subsystem:
#   cmake -DSRC=<folder> -P check_texts.cmake
# A string literal with Cyrillic letters belongs in a header named
# <Subsystem>Texts.h (or in TotalsText.cpp, which builds the totals'
# sentences). Comments may quote texts. Fails listing every other line.
cmake_minimum_required(VERSION 3.21)

if(NOT SRC)
  message(FATAL_ERROR "usage: cmake -DSRC=<folder> -P check_texts.cmake")
endif()

# Every Cyrillic letter in UTF-8 begins with the byte 0xD0 or 0xD1.
string(ASCII 208 lead0)
string(ASCII 209 lead1)

set(faults "")
file(GLOB_RECURSE sources RELATIVE "${SRC}" "${SRC}/*.h" "${SRC}/*.cpp")
list(SORT sources)
foreach(source IN LISTS sources)
  if(source MATCHES "Texts\\.h$" OR source MATCHES "(^|/)TotalsText\\.cpp$")
    continue()
  endif()
  file(STRINGS "${SRC}/${source}" lines ENCODING UTF-8)
  set(number 0)
  foreach(line IN LISTS lines)
    math(EXPR number "${number} + 1")
    string(REGEX REPLACE "^[ \t]*//.*$" "" code "${line}")
    string(REGEX REPLACE "[ \t]//[ \t].*$" "" code "${code}")
    if(code MATCHES "\"[^\"]*[${lead0}${lead1}]")
      string(STRIP "${line}" shown)
      list(APPEND faults "${source}:${number}: a text outside its subsystem's texts header: ${shown}")
    endif()
  endforeach()
endforeach()

if(faults)
  list(JOIN faults "\n" text)
  message(FATAL_ERROR "${text}")
endif()
message(STATUS "every text is in its subsystem's texts header")
