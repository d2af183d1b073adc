# The two kinds of targets the project is made of. Each folder declares its dependencies in
# one statement, so the link lines read as the layer map.

# tessaro_add_library(NAME DEPENDS <targets...> SOURCES <files...>)
# The static library tessaro_NAME of src/NAME; its headers are included as "NAME/file.h".
function(tessaro_add_library name)
  cmake_parse_arguments(ARG "" "" "DEPENDS;SOURCES" ${ARGN})
  add_library(tessaro_${name} STATIC ${ARG_SOURCES})
  target_include_directories(tessaro_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(tessaro_${name} PUBLIC ${ARG_DEPENDS})
endfunction()

# tessaro_add_test(NAME DEPENDS <targets...> SOURCES <files...> [GUI] [PLAIN])
# A GoogleTest program registered with CTest. Its main creates a QCoreApplication, with GUI a
# QApplication on the offscreen platform; PLAIN takes GoogleTest's own main (no Qt at all).
function(tessaro_add_test name)
  cmake_parse_arguments(ARG "GUI;PLAIN" "" "DEPENDS;SOURCES" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  if(ARG_PLAIN)
    set(main GTest::gtest_main)
  elseif(ARG_GUI)
    set(main test_main_gui)
  else()
    set(main test_main_core)
  endif()
  target_link_libraries(${name} PRIVATE ${ARG_DEPENDS} ${main})
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen)
endfunction()
