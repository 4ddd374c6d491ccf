# The toolkit's binary property values: tree item data and picture data.
qs_fuzz(ui_data ${CMAKE_CURRENT_LIST_DIR}/ui_data_fuzz.cpp qs_ui qs_ui_pictures qs_stream qs_core)
