qs_fuzz(regedit4 ${CMAKE_CURRENT_LIST_DIR}/regedit4_fuzz.cpp qs_platform_portable qs_core)
