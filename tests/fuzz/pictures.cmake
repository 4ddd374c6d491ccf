qs_fuzz(pictures ${CMAKE_CURRENT_LIST_DIR}/pictures_fuzz.cpp qs_ui_pictures)
