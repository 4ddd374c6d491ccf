# The repository's root: a project of its own (the form converter's host build, tools/formc)
# includes this file too.
get_filename_component(QS_ROOT ${CMAKE_CURRENT_LIST_DIR}/.. ABSOLUTE)

# qs_module(NAME DIR [DEPS ...]): a static library qs_NAME from the .cpp files of DIR.
# A folder without sources yet gives an interface library, so dependents can name it already.
function(qs_module name dir)
  cmake_parse_arguments(M "" "" "DEPS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${QS_ROOT}/${dir}/*.cpp)
  if(srcs)
    add_library(qs_${name} STATIC ${srcs})
    target_include_directories(qs_${name} PUBLIC ${QS_ROOT}/src)
    if(WIN32)
      # Link-time-optimisable code beside the machine code: src/app links the fixed-size stub with
      # LTO; every other program links the machine code.
      target_compile_options(qs_${name} PRIVATE -flto -ffat-lto-objects)
    endif()
    target_link_libraries(qs_${name} PUBLIC ${M_DEPS})
  else()
    add_library(qs_${name} INTERFACE)
    target_include_directories(qs_${name} INTERFACE ${QS_ROOT}/src)
    target_link_libraries(qs_${name} INTERFACE ${M_DEPS})
  endif()
endfunction()

# qs_test(NAME DIR LIBS...): one GoogleTest binary per test folder.
function(qs_test name dir)
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/${dir}/*.cpp)
  if(NOT srcs)
    return()
  endif()
  add_executable(test_${name} ${srcs})
  target_link_libraries(test_${name} PRIVATE ${ARGN} GTest::gtest_main GTest::gmock)
  target_include_directories(test_${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  if(WIN32)
    # Test programs link the objects' machine code; link-time optimisation is for the stub only.
    target_link_options(test_${name} PRIVATE -fno-lto)
  endif()
  if(CMAKE_CROSSCOMPILING)
    add_test(NAME ${name} COMMAND test_${name})
  else()
    gtest_discover_tests(test_${name} DISCOVERY_TIMEOUT 60)
  endif()
endfunction()
