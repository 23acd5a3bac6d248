# The GUI program Quorvane: the toolkit layer (its shared part, and a backend: Win32 on
# Windows, Qt 6 elsewhere), the application and main window, and the resource package
# packed into the program folder.
set(QV_FRONTEND ${CMAKE_CURRENT_LIST_DIR})

include(${QV_FRONTEND}/toolkit/markup/markup.cmake)
if(NOT DEFINED QUORVANE_MINIZIP_TARGET)
  set(QUORVANE_MINIZIP_TARGET PkgConfig::MINIZIP)
endif()
quorvane_library(qv_toolkit_core DIR ${QV_FRONTEND}/toolkit DEPS qv_uimarkup ${QUORVANE_MINIZIP_TARGET})
if(WIN32)
  quorvane_library(qv_toolkit DIR ${QV_FRONTEND}/toolkit/win32
                   DEPS qv_toolkit_core gdiplus comctl32 ole32 oleaut32 shell32 shlwapi comdlg32 uuid gdi32 user32)
  target_compile_definitions(qv_toolkit PUBLIC UNICODE _UNICODE NOMINMAX)
  add_executable(Quorvane WIN32 ${QV_FRONTEND}/quorvane_main_win32.cpp)
  # The two engine calls come from SCanVirus.dll, which the loader binds at start.
  target_link_libraries(Quorvane PRIVATE SCanVirus)
else()
  find_package(Qt6 REQUIRED COMPONENTS Widgets Gui Core)
  quorvane_library(qv_toolkit DIR ${QV_FRONTEND}/toolkit/qt DEPS qv_toolkit_core Qt6::Widgets)
  add_executable(Quorvane ${QV_FRONTEND}/quorvane_main.cpp)
endif()
# The engine comes with the program (qv_engine_api) or the test (qv_engine_static).
quorvane_library(qv_gui DIR ${QV_FRONTEND}/app DEPS qv_toolkit qv_driver)

target_include_directories(Quorvane PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(Quorvane PRIVATE qv_gui qv_engine_api)

# uires.zip: the package members, packed from frontend/uires/ (the drawing tool stays out).
set(QV_UIRES ${QV_FRONTEND}/uires)
file(GLOB_RECURSE QV_UIRES_FILES CONFIGURE_DEPENDS RELATIVE ${QV_UIRES}
     ${QV_UIRES}/uires.idx ${QV_UIRES}/xml/* ${QV_UIRES}/image/* ${QV_UIRES}/Translator/*)
list(TRANSFORM QV_UIRES_FILES PREPEND ${QV_UIRES}/ OUTPUT_VARIABLE QV_UIRES_DEPENDS)
add_custom_command(
  OUTPUT ${QUORVANE_PROGRAM_DIR}/uires.zip ${QUORVANE_PROGRAM_DIR}/Translator/lang_cn.xml
  COMMAND ${CMAKE_COMMAND} -E make_directory ${QUORVANE_PROGRAM_DIR}/Translator
  COMMAND ${CMAKE_COMMAND} -E rm -f ${QUORVANE_PROGRAM_DIR}/uires.zip
  COMMAND ${CMAKE_COMMAND} -E tar cf ${QUORVANE_PROGRAM_DIR}/uires.zip --format=zip ${QV_UIRES_FILES}
  COMMAND ${CMAKE_COMMAND} -E copy ${QV_UIRES}/Translator/lang_cn.xml ${QUORVANE_PROGRAM_DIR}/Translator/lang_cn.xml
  WORKING_DIRECTORY ${QV_UIRES}
  DEPENDS ${QV_UIRES_DEPENDS}
  COMMENT "Packing uires.zip")
add_custom_target(uires ALL DEPENDS ${QUORVANE_PROGRAM_DIR}/uires.zip ${QUORVANE_PROGRAM_DIR}/Translator/lang_cn.xml)
add_dependencies(Quorvane uires)

# The tool that draws the package's images (run by scripts/draw-uires, not by the build).
if(NOT WIN32)
add_executable(draw-uires EXCLUDE_FROM_ALL ${QV_UIRES}/tools/draw_uires.cpp)
target_link_libraries(draw-uires PRIVATE Qt6::Gui)
set_target_properties(draw-uires PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tools)
endif()
