# libdeflate, the whole-buffer inflater of the payload's small records. The host build takes the
# system's (Debian's libdeflate-dev); the Windows builds link the static library that
# scripts/install-deps.sh cross-builds from Debian's source package.
if(WIN32)
  set(quenlo_libdeflate_triple ${QUENLO_MINGW_TRIPLE})
  set(QUENLO_LIBDEFLATE_DIR "${PROJECT_SOURCE_DIR}/.deps/libdeflate-${quenlo_libdeflate_triple}"
      CACHE PATH "Static libdeflate for this Windows target (include/, lib/libdeflate.a)")
  if(NOT EXISTS "${QUENLO_LIBDEFLATE_DIR}/lib/libdeflate.a")
    message(FATAL_ERROR "libdeflate for ${quenlo_libdeflate_triple} is not in "
                        "${QUENLO_LIBDEFLATE_DIR}: run scripts/install-deps.sh")
  endif()
  set(quenlo_libdeflate_library "${QUENLO_LIBDEFLATE_DIR}/lib/libdeflate.a")
  set(quenlo_libdeflate_include "${QUENLO_LIBDEFLATE_DIR}/include")
else()
  find_library(quenlo_libdeflate_library NAMES deflate REQUIRED)
  find_path(quenlo_libdeflate_include libdeflate.h REQUIRED)
endif()
add_library(quenlo_libdeflate UNKNOWN IMPORTED)
set_target_properties(quenlo_libdeflate PROPERTIES
  IMPORTED_LOCATION "${quenlo_libdeflate_library}"
  INTERFACE_INCLUDE_DIRECTORIES "${quenlo_libdeflate_include}")
