qs_fuzz(install ${CMAKE_CURRENT_LIST_DIR}/install_fuzz.cpp qs_install qs_platform_portable qs_core)
