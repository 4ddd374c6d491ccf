# The built-in form: src/wizard/builtin/tformtools.txt (with its pictures) becomes the binary
# component stream ${CMAKE_BINARY_DIR}/forms/TFORMTOOLS.bin - the data resource TFORMTOOLS of
# Quillset.exe - and the library qs_wizard_form, which compiles the same bytes in for native
# programs and tests (wizard/builtinform.h).
#
# The converter qs_formc runs on the build machine. A cross build compiles it with the build
# machine's compiler from tools/formc, src/core and src/stream, which need nothing else.
set(QS_FORM_DIR ${CMAKE_SOURCE_DIR}/src/wizard/builtin)
set(QS_FORM_OUT ${CMAKE_BINARY_DIR}/forms)
set(QS_FORM_BIN ${QS_FORM_OUT}/TFORMTOOLS.bin)
set(QS_FORM_CPP ${QS_FORM_OUT}/tformtools_data.cpp)
set(QS_FORM_INPUTS ${QS_FORM_DIR}/tformtools.txt ${QS_FORM_DIR}/banner.jpg ${QS_FORM_DIR}/icon.ico)

if(CMAKE_CROSSCOMPILING)
  find_program(QS_HOST_CXX NAMES g++ c++ clang++ REQUIRED)
  file(GLOB qs_formc_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/core/*.cpp ${CMAKE_SOURCE_DIR}/src/stream/*.cpp)
  file(GLOB qs_formc_headers CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/core/*.h ${CMAKE_SOURCE_DIR}/src/stream/*.h
       ${CMAKE_SOURCE_DIR}/src/platform/*.h)
  set(qs_formc ${CMAKE_BINARY_DIR}/host/qs_formc)
  add_custom_command(OUTPUT ${qs_formc}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/host
    COMMAND ${QS_HOST_CXX} -std=c++20 -O1 -I${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tools/formc/formc.cpp
            ${qs_formc_sources} -o ${qs_formc}
    DEPENDS ${CMAKE_SOURCE_DIR}/tools/formc/formc.cpp ${qs_formc_sources} ${qs_formc_headers}
    COMMENT "Building qs_formc for the build machine" VERBATIM)
  set(qs_formc_dep ${qs_formc})
else()
  add_executable(qs_formc ${CMAKE_SOURCE_DIR}/tools/formc/formc.cpp)
  target_link_libraries(qs_formc PRIVATE qs_stream qs_core)
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
