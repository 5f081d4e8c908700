# Conversions between GBK, native file names and the console (platform/text_encoding.h), one
# implementation per system; and the quoting of a Windows command-line argument
# (platform/windows_argument.h), the same everywhere. Included from platform/CMakeLists.txt.
if(WIN32)
  add_library(quenlo_text_encoding STATIC ${CMAKE_CURRENT_LIST_DIR}/win32/text_encoding.cpp
              ${CMAKE_CURRENT_LIST_DIR}/win32/wide_text.cpp)
  target_link_libraries(quenlo_text_encoding PRIVATE shell32)
else()
  add_library(quenlo_text_encoding STATIC ${CMAKE_CURRENT_LIST_DIR}/posix/text_encoding.cpp)
endif()
target_sources(quenlo_text_encoding PRIVATE ${CMAKE_CURRENT_LIST_DIR}/windows_argument.cpp)
target_include_directories(quenlo_text_encoding PUBLIC ${PROJECT_SOURCE_DIR})
