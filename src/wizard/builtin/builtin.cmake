# The built-in form: src/wizard/builtin/tformtools.txt (with its pictures) becomes the binary
# component stream ${CMAKE_BINARY_DIR}/forms/TFORMTOOLS.bin - the data resource TFORMTOOLS of
# Quillset.exe - and the library qs_wizard_form, which compiles the same bytes in for native
# programs and tests (wizard/builtinform.h).
#
# The converter qs_formc (tools/formc) runs on the build machine. A cross build makes it as a
# project of its own with the build machine's compiler; it needs only src/core and src/stream.
set(QS_FORM_DIR ${CMAKE_SOURCE_DIR}/src/wizard/builtin)
set(QS_FORM_OUT ${CMAKE_BINARY_DIR}/forms)
set(QS_FORM_BIN ${QS_FORM_OUT}/TFORMTOOLS.bin)
set(QS_FORM_CPP ${QS_FORM_OUT}/tformtools_data.cpp)
set(QS_FORM_INPUTS ${QS_FORM_DIR}/tformtools.txt ${QS_FORM_DIR}/banner.jpg ${QS_FORM_DIR}/icon.ico)

if(CMAKE_CROSSCOMPILING)
  find_program(QS_HOST_CXX NAMES g++ c++ clang++ REQUIRED)
  include(ExternalProject)
  set(qs_formc ${CMAKE_BINARY_DIR}/host/qs_formc)
  ExternalProject_Add(qs_formc_host
    SOURCE_DIR ${CMAKE_SOURCE_DIR}/tools/formc
    BINARY_DIR ${CMAKE_BINARY_DIR}/host
    CMAKE_ARGS -DCMAKE_CXX_COMPILER=${QS_HOST_CXX} -DCMAKE_BUILD_TYPE=Release
    BUILD_COMMAND ${CMAKE_COMMAND} --build . --target qs_formc
    INSTALL_COMMAND ""
    BUILD_ALWAYS ON
    BUILD_BYPRODUCTS ${qs_formc})
  set(qs_formc_dep qs_formc_host ${qs_formc})
else()
  add_subdirectory(${CMAKE_SOURCE_DIR}/tools/formc ${CMAKE_BINARY_DIR}/tools/formc)
  set(qs_formc $<TARGET_FILE:qs_formc>)
  set(qs_formc_dep qs_formc)
endif()

add_custom_command(OUTPUT ${QS_FORM_BIN} ${QS_FORM_CPP}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${QS_FORM_OUT}
  COMMAND ${qs_formc} ${QS_FORM_DIR}/tformtools.txt ${QS_FORM_BIN} ${QS_FORM_CPP} BuiltInFormTools
  DEPENDS ${qs_formc_dep} ${QS_FORM_INPUTS}
  COMMENT "Converting the built-in form TFORMTOOLS" VERBATIM)
add_custom_target(qs_builtin_form DEPENDS ${QS_FORM_BIN} ${QS_FORM_CPP})

add_library(qs_wizard_form STATIC ${QS_FORM_CPP})
add_dependencies(qs_wizard_form qs_builtin_form)
target_include_directories(qs_wizard_form PUBLIC ${CMAKE_SOURCE_DIR}/src)

# For the program's resource script (src/app).
set_property(GLOBAL PROPERTY QS_BUILTIN_FORM ${QS_FORM_BIN})
set_property(GLOBAL PROPERTY QS_BUILTIN_FORM_TARGET qs_builtin_form)
