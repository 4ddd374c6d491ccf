# The container codec: expansion of hostile containers and chunks, and compression round trips
# checked against the plain reference codec of the unit tests.
qs_fuzz(expand ${CMAKE_CURRENT_LIST_DIR}/expand_fuzz.cpp qs_packer qs_stream qs_core)
