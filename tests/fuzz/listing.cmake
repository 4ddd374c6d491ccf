# The listing of an installer (quillset info, list --json): any installer bytes give a listing and
# its JSON document, or a clear error.
qs_fuzz(listing ${CMAKE_CURRENT_LIST_DIR}/listing_fuzz.cpp qs_builder qs_wizard qs_wizard_form qs_ui_headless qs_ui
        qs_ui_pictures qs_packer qs_install qs_palm qs_stream qs_platform_portable qs_core)
