# Helpers that turn a folder of sources into a target, so that adding a file
# to a layer, a tool or a test folder needs no edit of a CMakeLists.txt.

# dw_library(name dir deps...): a static library of the .cpp files directly in
# dir (or an interface library while the folder has none yet), using deps.
function(dw_library name dir)
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*.cpp)
  if(srcs)
    add_library(${name} STATIC ${srcs})
    set(scope PUBLIC)
  else()
    add_library(${name} INTERFACE)
    set(scope INTERFACE)
  endif()
  target_include_directories(${name} ${scope} ${CMAKE_SOURCE_DIR})
  if(ARGN)
    target_link_libraries(${name} ${scope} ${ARGN})
  endif()
  set_property(GLOBAL APPEND PROPERTY DW_LIBRARIES ${name})
endfunction()

# dw_tool(name): the program tools/<name>/*.cpp, linked with every non-Qt
# layer (rescomp only with the resource format, since the resources it makes
# are part of those layers).
function(dw_tool name)
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tools/${name}/*.cpp)
  if(srcs)
    add_executable(${name} ${srcs})
    if(NOT name STREQUAL "rescomp")
      target_link_libraries(${name} PRIVATE ${DW_CORE_LIBS})
    endif()
  endif()
endfunction()

# dw_test_suite(name dir libs...): one GoogleTest program of tests/<dir>/*.cpp,
# with the shared helpers of tests/support, registered with CTest.  (The
# discovered tests take one ENVIRONMENT entry only: a list there is split
# into separate properties.)
function(dw_test_suite name dir)
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/${dir}/*.cpp)
  if(NOT srcs)
    return()
  endif()
  file(GLOB support CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/support/*.cpp)
  add_executable(${name} ${srcs} ${support})
  target_link_libraries(${name} PRIVATE ${ARGN} GTest::gtest GTest::gmock GTest::gtest_main)
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
               LABELS ${dir})
endfunction()
