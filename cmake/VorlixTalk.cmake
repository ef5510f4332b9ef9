# Build helpers shared by every subsystem folder: one static library per folder
# (logic at the top, windows in forms/) and one GoogleTest executable per test folder.
include(GoogleTest)

# vt_subsystem(<folder> [DEPS <libs>...] [FORMS_DEPS <libs>...] [OWN_LIBRARY <sub-folders>...])
# A sub-folder named in OWN_LIBRARY is a layer that builds a library of its own (its
# CMakeLists.txt says how), for a layer that sits above another subsystem's library.
function(vt_subsystem name)
  cmake_parse_arguments(ARG "" "" "DEPS;FORMS_DEPS;OWN_LIBRARY" ${ARGN})
  # The logic may sit in layer sub-folders; forms/ holds the windows.
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  list(FILTER sources EXCLUDE REGEX "/forms/")
  foreach(layer ${ARG_OWN_LIBRARY})
    list(FILTER sources EXCLUDE REGEX "/${name}/${layer}/")
  endforeach()
  add_library(${name} STATIC ${sources})
  # Includes name the path from src/ ("sl/text/Decoder.h").
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  file(GLOB form_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/forms/*.cpp)
  if(form_sources)
    add_library(${name}_forms STATIC ${form_sources})
    target_link_libraries(${name}_forms PUBLIC ${name} ${ARG_FORMS_DEPS})
  endif()
endfunction()

# vt_tests(<folder> DEPS <libs>...): every *.cpp of the folder and its sub-folders (which
# mirror the source layers) is one test executable test_<folder>; its cases are labelled
# with the folder's name (ctest -L <folder>). Folders named plugin/ and libfuzzer/ hold no tests.
function(vt_tests name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  list(FILTER sources EXCLUDE REGEX "/(plugin|libfuzzer)/")
  add_executable(test_${name} ${sources})
  target_include_directories(test_${name} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(test_${name} PRIVATE ${ARG_DEPS} testcommon GTest::gtest_main GTest::gmock)
  gtest_discover_tests(test_${name}
    PROPERTIES LABELS ${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60)
endfunction()
