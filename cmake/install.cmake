# What `cmake --install` puts where, for the Debian package and for users
# installing from source. The desktop module is a private module: it goes to
# lib/qelscript/, where the executable looks when it is not beside it.
install(TARGETS qelscript RUNTIME DESTINATION bin)
if(TARGET qelscript-qt)
  install(TARGETS qelscript-qt LIBRARY DESTINATION lib/qelscript)
endif()

set(QEL_DOC_DIR share/doc/qelscript)
install(FILES README.md README.ja.md DESTINATION ${QEL_DOC_DIR})
install(DIRECTORY docs/ DESTINATION ${QEL_DOC_DIR}/docs)
install(DIRECTORY examples/ DESTINATION ${QEL_DOC_DIR}/examples
        FILES_MATCHING PATTERN "*.qel"
        PATTERN "plugins" EXCLUDE)

install(FILES packaging/man/qelscript.1 DESTINATION share/man/man1)
install(FILES packaging/man/qelscript.ja.1 DESTINATION share/man/ja/man1 RENAME qelscript.1)

install(FILES packaging/qelscript.desktop DESTINATION share/applications)
install(FILES packaging/qelscript-mime.xml DESTINATION share/mime/packages RENAME qelscript.xml)
install(FILES packaging/icons/qelscript.svg DESTINATION share/icons/hicolor/scalable/apps)
install(FILES packaging/icons/qelscript.svg DESTINATION share/icons/hicolor/scalable/mimetypes
        RENAME text-x-qelscript.svg)
