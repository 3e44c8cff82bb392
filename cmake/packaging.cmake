# The Debian package of Marlit, marlit-cli and Tessaly, made by `cpack -G DEB` in a Release build
# folder. It holds what the install rules install, with the stripped programs, and what Debian
# asks of every package: the licence as /usr/share/doc/marlit/copyright and a changelog.

set(MARLIT_PACKAGE_MAINTAINER "The Marlit developers <marlit@example.org>" CACHE STRING
    "The package's Maintainer field: a name and a mail address")

set(marlit_doc_dir ${CMAKE_INSTALL_DATADIR}/doc/marlit)
# Both are read here, when CMake configures.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             ${PROJECT_SOURCE_DIR}/LICENSE ${PROJECT_SOURCE_DIR}/package/changelog)

# The copyright file in Debian's machine-readable format, its licence text taken from LICENSE:
# each line indented by one blank, an empty line written as " .".
file(READ ${PROJECT_SOURCE_DIR}/LICENSE licence)
string(FIND "${licence}" "Permission is hereby granted" body_start)
string(SUBSTRING "${licence}" ${body_start} -1 LICENCE_BODY)
string(STRIP "${LICENCE_BODY}" LICENCE_BODY)
string(REPLACE "\n\n" "\n.\n" LICENCE_BODY "${LICENCE_BODY}")
string(REPLACE "\n" "\n " LICENCE_BODY " ${LICENCE_BODY}")
configure_file(${PROJECT_SOURCE_DIR}/package/copyright.in
               ${PROJECT_BINARY_DIR}/package/copyright @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/package/copyright DESTINATION ${marlit_doc_dir})

# The changelog names the version it releases first: a version raised in project() without a new
# entry would give a package whose changelog says otherwise.
file(STRINGS ${PROJECT_SOURCE_DIR}/package/changelog changelog_top LIMIT_COUNT 1)
if(NOT changelog_top MATCHES "^marlit \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "package/changelog does not begin with an entry for marlit "
                      "${PROJECT_VERSION}: ${changelog_top}")
endif()
find_program(GZIP_PROGRAM gzip REQUIRED)
set(changelog_gz ${PROJECT_BINARY_DIR}/package/changelog.gz)
add_custom_command(OUTPUT ${changelog_gz}
  COMMAND ${CMAKE_COMMAND} -DGZIP=${GZIP_PROGRAM} -DSOURCE=${PROJECT_SOURCE_DIR}/package/changelog
    -DOUTPUT=${changelog_gz} -P ${PROJECT_SOURCE_DIR}/cmake/gzip_doc.cmake
  DEPENDS ${PROJECT_SOURCE_DIR}/package/changelog ${PROJECT_SOURCE_DIR}/cmake/gzip_doc.cmake
  COMMENT "Package changelog"
  VERBATIM)
add_custom_target(package_changelog ALL DEPENDS ${changelog_gz})
install(FILES ${changelog_gz} DESTINATION ${marlit_doc_dir})

set(CPACK_PACKAGE_NAME marlit)
set(CPACK_PACKAGE_VENDOR "The Marlit developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${MARLIT_PACKAGE_MAINTAINER}")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "convert between file offsets and memory addresses of PE files")
# Lines of at most 79 characters, none starting with a dot, as the control file wants them; the
# empty line parts paragraphs.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "Marlit is a desktop tool for people who work with Windows executables at the\n"
  "byte level: it converts between the two names of a byte of a PE file (an\n"
  "executable, a library or a control, 32-bit or 64-bit), its file offset and\n"
  "its memory address, with or without the image base. At every keystroke it\n"
  "shows the other value, the section that holds it and the address as its bytes\n"
  "in memory order. Its texts are English and Traditional Chinese, chosen as\n"
  "gettext chooses a program's language.\n"
  "\n"
  "This package also holds marlit-cli, the same conversion for scripts and\n"
  "batches, and Tessaly, a keyboard probe that shows the code of the key that is\n"
  "down.")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${MARLIT_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window's fonts, as the program asks for them: without one of them its texts are boxes.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "fonts-arphic-uming | fonts-noto-cjk | fonts-arphic-ukai | fonts-wqy-zenhei | fonts-droid-fallback")
# What Qt loads at run time, out of shlibdeps' sight: its own texts in Traditional Chinese.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
