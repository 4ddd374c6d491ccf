# Installing the tool, and the Debian package "quillset" (CPack, DEB generator).
#
# The tool comes from this (native) build; the stub Quillset.exe and the sample product's PC
# programs come from the Windows build, which a native build cannot make. The package takes them
# from the Windows build tree, build/windows by default:
#   cmake --preset windows && cmake --build --preset windows --target Quillset sample_product
#   cmake --preset native && cmake --build --preset native --target quillset
#   cd build/native && cpack            -> quillset_VERSION_ARCH.deb
# QS_PACKAGE_STUB and QS_PACKAGE_SAMPLE name other places; installing fails, saying which file is
# missing, when they do not exist.
set(QS_PACKAGE_STUB ${CMAKE_SOURCE_DIR}/build/windows/src/app/Quillset.exe
    CACHE FILEPATH "The stub Quillset.exe that install and the package take (made by the windows preset)")
set(QS_PACKAGE_SAMPLE ${CMAKE_SOURCE_DIR}/build/windows/sample-product
    CACHE PATH "The staged sample product that install and the package take (the windows preset's sample_product)")

include(GNUInstallDirs)
install(CODE "
  foreach(need \"${QS_PACKAGE_STUB}\" \"${QS_PACKAGE_SAMPLE}/quillset.toml\" \"${QS_PACKAGE_SAMPLE}/bin/HELLO.EXE\")
    if(NOT EXISTS \"\${need}\")
      message(FATAL_ERROR \"\${need} is missing: build the Windows stub and sample product first \"
        \"(cmake --preset windows && cmake --build --preset windows --target Quillset sample_product), \"
        \"or name them with -DQS_PACKAGE_STUB=... -DQS_PACKAGE_SAMPLE=...\")
    endif()
  endforeach()")
install(TARGETS quillset RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${QS_PACKAGE_STUB} DESTINATION ${CMAKE_INSTALL_DATADIR}/quillset)
install(FILES ${CMAKE_SOURCE_DIR}/docs/quillset.schema.json DESTINATION ${CMAKE_INSTALL_DATADIR}/quillset)
install(DIRECTORY ${QS_PACKAGE_SAMPLE}/ DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quillset/examples/product)
install(FILES ${CMAKE_SOURCE_DIR}/docs/quillset.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/quillset.bash DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
        RENAME quillset)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillset)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "make, sign and take apart installers for handheld software")
set(CPACK_PACKAGE_DESCRIPTION "quillset builds Quillset installers: one Windows program that installs a product's PC files and queues its handheld files for the Palm Desktop users' next HotSync. It writes new product folders, builds installers from a TOML manifest, signs them with Authenticode and reads them back.")
set(CPACK_PACKAGE_CONTACT "Quillset maintainers <maintainers@quillset.example>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "osslsigncode")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "wine")
include(CPack)
