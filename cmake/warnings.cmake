# Compiler settings every target of the project gets: warnings at zero, GBK narrow literals.

add_compile_options(-Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wcast-align)
if(QUENLO_WERROR)
  add_compile_options(-Werror)
endif()

# Sources are UTF-8; every narrow string the program handles is GBK (code page 936). GCC turns
# the literals into GBK bytes, so "提示信息" in a source file is the text a Win32 ANSI call needs.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  add_compile_options(-finput-charset=UTF-8 -fexec-charset=GBK)
endif()

if(QUENLO_SANITIZE)
  add_compile_options(-fsanitize=${QUENLO_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${QUENLO_SANITIZE})
endif()

if(WIN32)
  # Reproducible, self-contained Windows executables that import only system DLLs.
  add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
  add_link_options(-static -static-libgcc -static-libstdc++ -Wl,--no-insert-timestamp)
endif()
