qs_fuzz(users_dat ${CMAKE_CURRENT_LIST_DIR}/users_dat_fuzz.cpp qs_palm qs_platform_portable qs_core)
