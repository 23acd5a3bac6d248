# Libraries that Debian does not package for mingw, built here from Debian's own sources:
#   QUORVANE_ZLIB_SOURCE     unpacked source of Debian's zlib package (minizip is contrib/minizip)
#   QUORVANE_PUGIXML_SOURCE  unpacked source of Debian's pugixml package
#   QUORVANE_GTEST_SOURCE    GoogleTest as Debian's googletest package installs it (/usr/src/googletest)
# zlib itself comes from libz-mingw-w64-dev. scripts/build-windows fetches the sources.
# The targets carry the names the Linux build finds, so the rest of the build is the same.
set(QUORVANE_ZLIB_SOURCE "" CACHE PATH "Debian zlib source folder (with contrib/minizip)")
set(QUORVANE_PUGIXML_SOURCE "" CACHE PATH "Debian pugixml source folder")
set(QUORVANE_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest source folder")

# The static libz.a, so that nothing imports zlib1.dll.
set(ZLIB_USE_STATIC_LIBS ON)
find_package(ZLIB REQUIRED)

set(minizip_dir ${QUORVANE_ZLIB_SOURCE}/contrib/minizip)
if(NOT EXISTS ${minizip_dir}/unzip.c)
  message(FATAL_ERROR "minizip source not found in ${minizip_dir}: run scripts/build-windows")
endif()
# Sources include both <unzip.h> and <minizip/unzip.h>.
set(minizip_include ${CMAKE_BINARY_DIR}/third_party/include)
file(MAKE_DIRECTORY ${minizip_include}/minizip)
foreach(header ioapi.h iowin32.h unzip.h zip.h crypt.h)
  configure_file(${minizip_dir}/${header} ${minizip_include}/minizip/${header} COPYONLY)
endforeach()
add_library(qv_minizip STATIC ${minizip_dir}/ioapi.c ${minizip_dir}/iowin32.c
                              ${minizip_dir}/unzip.c ${minizip_dir}/zip.c)
target_include_directories(qv_minizip SYSTEM PUBLIC ${minizip_include} ${minizip_dir})
target_compile_options(qv_minizip PRIVATE -w)
target_link_libraries(qv_minizip PUBLIC ZLIB::ZLIB)
add_library(PkgConfig::MINIZIP ALIAS qv_minizip)

if(NOT EXISTS ${QUORVANE_PUGIXML_SOURCE}/src/pugixml.cpp)
  message(FATAL_ERROR "pugixml source not found in ${QUORVANE_PUGIXML_SOURCE}: run scripts/build-windows")
endif()
add_library(qv_pugixml STATIC ${QUORVANE_PUGIXML_SOURCE}/src/pugixml.cpp)
target_include_directories(qv_pugixml SYSTEM PUBLIC ${QUORVANE_PUGIXML_SOURCE}/src)
add_library(pugixml::pugixml ALIAS qv_pugixml)

if(QUORVANE_WINDOWS_TESTS)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(${QUORVANE_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/third_party/googletest EXCLUDE_FROM_ALL)
  foreach(t gtest gtest_main gmock gmock_main)
    if(TARGET ${t})
      target_compile_options(${t} PRIVATE -w)
    endif()
  endforeach()
  if(NOT TARGET GTest::gtest)
    add_library(GTest::gtest ALIAS gtest)
    add_library(GTest::gtest_main ALIAS gtest_main)
  endif()
  if(NOT TARGET GTest::gmock AND TARGET gmock)
    add_library(GTest::gmock ALIAS gmock)
  endif()
endif()
