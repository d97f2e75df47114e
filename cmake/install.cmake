# What `cmake --install` puts where, for the Debian package and for users
# installing from source. The desktop module is a private module: it goes to
# lib/qelscript/, where the executable looks when it is not beside it. These
# are the component "runtime", which the Debian package carries; the library
# for embedding programs (its headers, pkg-config file) is installed beside
# them by a plain `cmake --install` but is not in that package.
install(TARGETS qelscript RUNTIME DESTINATION bin COMPONENT runtime)
if(TARGET qelscript-qt)
  install(TARGETS qelscript-qt LIBRARY DESTINATION lib/qelscript COMPONENT runtime)
endif()
# The browser's WebEngine module beside it, in a component of its own: the
# Debian package qelscript-web carries it, so that only users who want
# WebEngine (and its Chromium) install it.
if(TARGET qelscript-web)
  install(TARGETS qelscript-web LIBRARY DESTINATION lib/qelscript COMPONENT web)
endif()

set(QEL_DOC_DIR share/doc/qelscript)
install(FILES README.md README.ja.md DESTINATION ${QEL_DOC_DIR} COMPONENT runtime)
install(DIRECTORY docs/ DESTINATION ${QEL_DOC_DIR}/docs COMPONENT runtime)
install(DIRECTORY examples/ DESTINATION ${QEL_DOC_DIR}/examples COMPONENT runtime
        FILES_MATCHING PATTERN "*.qel"
        PATTERN "plugins" EXCLUDE
        PATTERN "host" EXCLUDE)

install(FILES packaging/man/qelscript.1 DESTINATION share/man/man1 COMPONENT runtime)
install(FILES packaging/man/qelscript.ja.1 DESTINATION share/man/ja/man1 RENAME qelscript.1 COMPONENT runtime)

install(FILES packaging/qelscript.desktop DESTINATION share/applications COMPONENT runtime)
install(FILES packaging/qelscript-mime.xml DESTINATION share/mime/packages RENAME qelscript.xml COMPONENT runtime)
install(FILES packaging/icons/qelscript.svg DESTINATION share/icons/hicolor/scalable/apps COMPONENT runtime)
install(FILES packaging/icons/qelscript.svg DESTINATION share/icons/hicolor/scalable/mimetypes
        RENAME text-x-qelscript.svg COMPONENT runtime)
